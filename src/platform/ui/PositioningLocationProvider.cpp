#include "PositioningLocationProvider.h"

#include <QFile>
#include <QLoggingCategory>
#include <QNmeaPositionInfoSource>

namespace pelnix::platform::ui {

Q_LOGGING_CATEGORY(lcLocation, "pelnix.ui.location", QtWarningMsg)

PositioningLocationProvider::PositioningLocationProvider(QGeoPositionInfoSource* source, QObject* parent)
    : LocationProvider(parent),
      m_source(source ? source : QGeoPositionInfoSource::createDefaultSource(this)) {
    if (!m_source)
        return;
    m_source->setParent(this);
    connect(m_source, &QGeoPositionInfoSource::positionUpdated, this, [this](const QGeoPositionInfo& info) {
        if (!info.isValid() || !info.coordinate().isValid())
            return;
        Location fix;
        fix.coordinate = {info.coordinate().latitude(), info.coordinate().longitude()};
        if (info.hasAttribute(QGeoPositionInfo::HorizontalAccuracy))
            fix.horizontalAccuracy = info.attribute(QGeoPositionInfo::HorizontalAccuracy);
        if (info.hasAttribute(QGeoPositionInfo::VerticalAccuracy))
            fix.verticalAccuracy = info.attribute(QGeoPositionInfo::VerticalAccuracy);
        fix.timestamp = info.timestamp().toMSecsSinceEpoch();
        m_location = fix;
        emit locationUpdated(fix);
    });
    connect(m_source, &QGeoPositionInfoSource::errorOccurred, this,
            [this](QGeoPositionInfoSource::Error error) {
                qCDebug(lcLocation) << "positioning error" << error;
                if (error == QGeoPositionInfoSource::AccessError) {
                    m_updating = false;
                    setStatus(AuthorizationStatus::Denied);
                    emit failed(PLError(QString::fromLatin1(ErrorDomain), DeniedError,
                                        QStringLiteral("Access to the location was refused.")));
                } else if (error != QGeoPositionInfoSource::NoError) {
                    emit failed(PLError(QString::fromLatin1(ErrorDomain), LocationUnknownError,
                                        QStringLiteral("The location is not known.")));
                }
            });
}

PositioningLocationProvider* PositioningLocationProvider::fromNmeaFile(const QString& path, QObject* parent) {
    auto* source = new QNmeaPositionInfoSource(QNmeaPositionInfoSource::SimulationMode);
    auto* log = new QFile(path, source);
    if (log->open(QIODevice::ReadOnly))
        source->setDevice(log);
    else
        qCDebug(lcLocation) << "cannot read the NMEA log" << path;
    return new PositioningLocationProvider(source, parent);
}

void PositioningLocationProvider::requestAuthorization() {
    if (m_status == AuthorizationStatus::NotDetermined)
        setStatus(m_source ? AuthorizationStatus::Authorized : AuthorizationStatus::Restricted);
}

void PositioningLocationProvider::startUpdatingLocation() {
    if (!m_source || m_status == AuthorizationStatus::Denied || m_status == AuthorizationStatus::Restricted) {
        emit failed(PLError(QString::fromLatin1(ErrorDomain), DeniedError,
                            QStringLiteral("The location is not available.")));
        return;
    }
    m_updating = true;
    m_source->startUpdates();
}

void PositioningLocationProvider::stopUpdatingLocation() {
    m_updating = false;
    if (m_source)
        m_source->stopUpdates();
}

void PositioningLocationProvider::setStatus(AuthorizationStatus status) {
    if (m_status == status)
        return;
    m_status = status;
    emit authorizationChanged(status);
}

} // namespace pelnix::platform::ui
