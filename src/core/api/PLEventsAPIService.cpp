#include "core/api/PLEventsAPIService.h"

#include "core/api/PLAppConfigurations.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace pelnix {

PLEventsAPIService::~PLEventsAPIService() {
    cancelPreviousConnectionRequest();
}

QString PLEventsAPIService::targetURLString() const {
    return PLAppConfigurations::currentConfiguration()->eventsURL();
}

PLParameters PLEventsAPIService::parameters() const {
    return {{QStringLiteral("randomTime"), m_currentTime.isNull() ? QString() : m_currentTime},
            {QStringLiteral("after"), QString::number(m_afterTimeLine)},
            {QStringLiteral("appType"), QStringLiteral("ios")}};
}

bool PLEventsAPIService::startService() {
    cancelPreviousConnectionRequest();
    const QNetworkRequest request = urlRequest();
    if (!m_manager)
        m_manager = new QNetworkAccessManager(this);
    QNetworkReply* reply = m_manager->get(request);
    m_connection = reply;
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (m_connection != reply)
            return;
        const QByteArray chunk = reply->readAll();
        if (!chunk.isEmpty() && m_chunkHandler)
            m_chunkHandler(chunk, std::nullopt);
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        if (m_connection != reply)
            return; // stopped: no callback
        m_connection = nullptr;
        const QByteArray rest = reply->readAll();
        if (!rest.isEmpty() && m_chunkHandler)
            m_chunkHandler(rest, std::nullopt);
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        PLOptionalError error;
        if (isTransportFailure(reply->error(), status))
            error =
                PLError(QStringLiteral("PLNetworkErrorDomain"), qint64(reply->error()), reply->errorString());
        reply->deleteLater();
        if (m_completionHandler)
            m_completionHandler(QByteArray(), error);
    });
    return true;
}

void PLEventsAPIService::cancelPreviousConnectionRequest() {
    if (QNetworkReply* reply = m_connection) {
        m_connection = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace pelnix
