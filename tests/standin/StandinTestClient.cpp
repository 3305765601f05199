#include "StandinTestClient.h"

#include "platform/CutShortReply.h"

#include <QSignalSpy>
#include <QUrl>

namespace pelnix::test {

QByteArray StandinTestClient::formEncode(const QList<QPair<QString, QString>>& form) {
    QByteArray text;
    for (const auto& [key, value] : form) {
        if (!text.isEmpty())
            text += '&';
        text += key.toUtf8().toPercentEncoding() + '=' + value.toUtf8().toPercentEncoding();
    }
    return text;
}

QNetworkRequest StandinTestClient::request(const QString& path) const {
    QNetworkRequest request(QUrl(m_base + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded; charset=utf-8");
    if (!m_token.isEmpty()) {
        request.setRawHeader("Accept", "application/vnd.tavrix.privatechat-v1+json");
        request.setRawHeader("Authorization",
                             QStringLiteral("Tavrix %1:%2:echat").arg(m_userId).arg(m_token).toUtf8());
    }
    return request;
}

QNetworkReply* StandinTestClient::start(const QByteArray& verb, const QString& path, const QByteArray& body) {
    return m_network.sendCustomRequest(request(path), verb, body);
}

StandinTestClient::Reply StandinTestClient::wait(QNetworkReply* reply, int timeoutMs) {
    if (!reply->isFinished()) {
        QSignalSpy finished(reply, &QNetworkReply::finished);
        finished.wait(timeoutMs);
    }
    Reply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.error = reply->error();
    // Qt can finish a reply whose connection closed before its announced body with no error; such an
    // answer is a broken connection here too.
    if (result.error == QNetworkReply::NoError && platform::isCutShort(reply, result.body.size()))
        result.error = QNetworkReply::RemoteHostClosedError;
    reply->deleteLater();
    return result;
}

StandinTestClient::Reply StandinTestClient::get(const QString& path) {
    return wait(start("GET", path));
}

StandinTestClient::Reply StandinTestClient::post(const QString& path,
                                                 const QList<QPair<QString, QString>>& form) {
    return wait(start("POST", path, formEncode(form)));
}

StandinTestClient::Reply StandinTestClient::del(const QString& path) {
    return wait(start("DELETE", path));
}

QNetworkReply* StandinTestClient::openStream(qint64 after, QByteArray* buffer) {
    QNetworkReply* reply = m_network.get(
        request(QStringLiteral("events?randomTime=06%20DEC%2001%3A15%20AM&after=%1&appType=ios").arg(after)));
    QObject::connect(reply, &QNetworkReply::readyRead, reply,
                     [reply, buffer] { buffer->append(reply->readAll()); });
    return reply;
}

} // namespace pelnix::test
