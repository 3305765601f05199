#pragma once

#include "LocationProvider.h"

#include <QGeoPositionInfoSource>

namespace pelnix::platform::ui {

// The provider over Qt Positioning. A desktop asks no permission: the state becomes authorised
// when asked and a positioning source exists, restricted when none does, and denied when the
// source refuses access.
class PositioningLocationProvider : public LocationProvider {
    Q_OBJECT
public:
    // Takes `source` (null: the system's default source).
    explicit PositioningLocationProvider(QGeoPositionInfoSource* source, QObject* parent = nullptr);
    // A provider that replays an NMEA log in its own time, for tests and the demo.
    static PositioningLocationProvider* fromNmeaFile(const QString& path, QObject* parent = nullptr);

    AuthorizationStatus authorizationStatus() const override { return m_status; }
    void requestAuthorization() override;
    void startUpdatingLocation() override;
    void stopUpdatingLocation() override;
    bool isUpdating() const override { return m_updating; }
    std::optional<Location> location() const override { return m_location; }

private:
    void setStatus(AuthorizationStatus status);

    QGeoPositionInfoSource* m_source;
    AuthorizationStatus m_status = AuthorizationStatus::NotDetermined;
    bool m_updating = false;
    std::optional<Location> m_location;
};

} // namespace pelnix::platform::ui
