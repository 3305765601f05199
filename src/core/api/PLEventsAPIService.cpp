#include "core/api/PLEventsAPIService.h"

#include "core/api/PLAppConfigurations.h"
#include "platform/CutShortReply.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace pelnix {

namespace {

// A refusal's body (503 when the server has too many streams, an error page) is no event data:
// it reaches the chunk handler with an error, so it is never read as events.
PLOptionalError refusal(QNetworkReply* reply) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 0 || (status >= 200 && status < 300))
        return std::nullopt;
    return PLError(QStringLiteral("PLNetworkErrorDomain"), status,
                   QStringLiteral("The event stream was refused (HTTP %1).").arg(status));
}

} // namespace

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
    m_received = 0;
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (m_connection != reply)
            return;
        const QByteArray chunk = reply->readAll();
        m_received += chunk.size();
        if (!chunk.isEmpty() && m_chunkHandler)
            m_chunkHandler(chunk, refusal(reply));
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        if (m_connection != reply)
            return; // stopped: no callback
        m_connection = nullptr;
        const QByteArray rest = reply->readAll();
        m_received += rest.size();
        if (!rest.isEmpty() && m_chunkHandler)
            m_chunkHandler(rest, refusal(reply));
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        PLOptionalError error;
        if (isTransportFailure(reply->error(), status))
            error =
                PLError(QStringLiteral("PLNetworkErrorDomain"), qint64(reply->error()), reply->errorString());
        else if (platform::isCutShort(reply, m_received))
            error = cutShortError();
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
