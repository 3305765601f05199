#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

// A tiny HTTP/1.1 peer on 127.0.0.1 that answers each request with the next scripted reply and keeps
// every request exactly as it arrived on the wire.
class ScriptedHttpPeer : public QObject {
    Q_OBJECT
public:
    struct Request;
    struct Reply {
        enum Kind { Respond, Stall, Drop };
        Kind kind = Respond;
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        // Ends the body by closing the connection instead of a Content-Length.
        bool closeDelimited = false;
        // When set, the reply is what it makes of the request as received (an echo, say).
        std::function<Reply(const Request&)> answer;
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
    // A refusal of the keyed-hash scheme for a signature it does not match, in the service's own
    // format: it repeats the text it signed (the security token in it), its bytes, the canonical
    // request and the signature it got. This peer also echoes the token, the signature and `secret`
    // (the secret key it knows) in its message and headers.
    static Reply echoingSignatureRefusal(const QByteArray& secret);

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
