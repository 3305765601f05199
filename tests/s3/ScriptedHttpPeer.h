#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QTcpSocket>

// A tiny HTTP/1.1 peer on 127.0.0.1 that answers each request with the next scripted reply and keeps
// every request exactly as it arrived on the wire.
class ScriptedHttpPeer : public QObject {
    Q_OBJECT
public:
    struct Reply {
        enum Kind { Respond, Stall, Drop };
        Kind kind = Respond;
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        // Ends the body by closing the connection instead of a Content-Length.
        bool closeDelimited = false;
    };
    struct Request {
        QByteArray method, target, raw, body;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray header(const QByteArray& name) const;
        int headerCount(const QByteArray& name) const;
    };

    explicit ScriptedHttpPeer(QObject* parent = nullptr);
    ~ScriptedHttpPeer() override;
    quint16 port() const { return m_server.serverPort(); }
    QString endpoint() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }

    void enqueue(const Reply& reply) { m_script.append(reply); }
    // The reply once the script is used up (200 with no body unless set).
    void setDefaultReply(const Reply& reply) { m_default = reply; }
    static Reply respond(int status, const QByteArray& body = {},
                         QList<QPair<QByteArray, QByteArray>> headers = {});
    static Reply errorDocument(int status, const QByteArray& code, const QByteArray& message,
                               const QByteArray& date = {});

    const QList<Request>& requests() const { return m_requests; }
    int closedSockets() const { return m_closed; }

signals:
    void requestReceived();

private:
    void onConnection();
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    QList<Reply> m_script;
    Reply m_default;
    QList<Request> m_requests;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    int m_closed = 0;
};
