#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPair>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <string>

namespace pelnix::test {

// A small HTTP client for the stand-in's tests: requests as the library sends them, answers awaited
// on the event loop, and event streams collected as they arrive.
class StandinTestClient {
public:
    struct Reply {
        int status = 0;
        QByteArray body;
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QJsonDocument json() const { return QJsonDocument::fromJson(body); }
    };

    explicit StandinTestClient(std::string baseUrl) : m_base(QString::fromStdString(baseUrl)) {}

    // Private requests carry "Authorization: Tavrix <userID>:<token>:echat" when a token is set.
    void signIn(int64_t userId, const QString& token) {
        m_userId = userId;
        m_token = token;
    }

    Reply get(const QString& path);
    Reply post(const QString& path, const QList<QPair<QString, QString>>& form);
    Reply del(const QString& path);
    // Starts a request without waiting (for held or delayed replies).
    QNetworkReply* start(const QByteArray& verb, const QString& path, const QByteArray& body = {});
    static Reply wait(QNetworkReply* reply, int timeoutMs = 10000);

    // Opens the event stream; the returned reply's bytes accumulate in `buffer`.
    QNetworkReply* openStream(qint64 after, QByteArray* buffer);

    static QByteArray formEncode(const QList<QPair<QString, QString>>& form);

private:
    QNetworkRequest request(const QString& path) const;

    QString m_base;
    int64_t m_userId = 0;
    QString m_token;
    QNetworkAccessManager m_network;
};

} // namespace pelnix::test
