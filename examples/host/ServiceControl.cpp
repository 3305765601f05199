#include "ServiceControl.h"

#include <QJsonDocument>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrlQuery>

ServiceControl::ServiceControl(const QUrl& baseUrl, QObject* parent) : QObject(parent), m_baseUrl(baseUrl) {}

void ServiceControl::seed(const QJsonObject& description, Reply reply) {
    QNetworkRequest request(m_baseUrl.resolved(QUrl(QStringLiteral("_ctl/users"))));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    finish(m_network.post(request, QJsonDocument(description).toJson(QJsonDocument::Compact)),
           std::move(reply));
}

void ServiceControl::oneTimeCode(const QString& email, Reply reply) {
    QUrl url = m_baseUrl.resolved(QUrl(QStringLiteral("_ctl/otp")));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("email"), QString::fromUtf8(QUrl::toPercentEncoding(email)));
    url.setQuery(query);
    finish(m_network.get(QNetworkRequest(url)), std::move(reply));
}

void ServiceControl::postAs(qint64 userID, const QString& token, const QString& roomID, const QString& text,
                            Reply reply) {
    QNetworkRequest request(m_baseUrl.resolved(
        QUrl(QStringLiteral("rooms/%1/messages").arg(QString::fromUtf8(QUrl::toPercentEncoding(roomID))))));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("Authorization",
                         QStringLiteral("Tavrix %1:%2:echat").arg(userID).arg(token).toUtf8());
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("type"), QStringLiteral("message"));
    form.addQueryItem(QStringLiteral("text"), QString::fromUtf8(QUrl::toPercentEncoding(text)));
    finish(m_network.post(request, form.toString(QUrl::FullyEncoded).toUtf8()), std::move(reply));
}

void ServiceControl::finish(QNetworkReply* networkReply, Reply reply) {
    connect(networkReply, &QNetworkReply::finished, this, [networkReply, reply = std::move(reply)] {
        networkReply->deleteLater();
        const QByteArray body = networkReply->readAll();
        const QJsonObject answer = QJsonDocument::fromJson(body).object();
        if (networkReply->error() != QNetworkReply::NoError)
            return reply(false, QJsonObject{{"error", networkReply->errorString() + QLatin1Char(' ') +
                                                          QString::fromUtf8(body.left(300))}});
        reply(true, answer);
    });
}
