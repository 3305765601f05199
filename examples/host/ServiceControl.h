#pragma once

#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

#include <functional>

// What the demo asks of the stand-in service besides the library's own traffic: seeding the second
// user, reading the one-time code it issued, and the second user's own posts.
class ServiceControl : public QObject {
    Q_OBJECT
public:
    // (ok, the JSON answer or, when not ok, {"error": why}).
    using Reply = std::function<void(bool ok, const QJsonObject& answer)>;

    explicit ServiceControl(const QUrl& baseUrl, QObject* parent = nullptr);

    void seed(const QJsonObject& description, Reply reply);
    void oneTimeCode(const QString& email, Reply reply);
    // Posts a text to a room as the given user, with that user's own credentials.
    void postAs(qint64 userID, const QString& token, const QString& roomID, const QString& text, Reply reply);

private:
    void finish(class QNetworkReply* networkReply, Reply reply);

    QUrl m_baseUrl;
    QNetworkAccessManager m_network;
};
