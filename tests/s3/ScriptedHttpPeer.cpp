#include "ScriptedHttpPeer.h"

#include <QDateTime>
#include <QHostAddress>
#include <QUrl>

QByteArray ScriptedHttpPeer::Request::header(const QByteArray& name) const {
    for (const auto& h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return {};
}

int ScriptedHttpPeer::Request::headerCount(const QByteArray& name) const {
    int count = 0;
    for (const auto& h : headers)
        count += h.first.compare(name, Qt::CaseInsensitive) == 0 ? 1 : 0;
    return count;
}

ScriptedHttpPeer::ScriptedHttpPeer(QObject* parent) : QObject(parent) {
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedHttpPeer::onConnection);
}

ScriptedHttpPeer::~ScriptedHttpPeer() {
    for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>())
        socket->disconnect(this);
}

ScriptedHttpPeer::Reply ScriptedHttpPeer::respond(int status, const QByteArray& body,
                                                  QList<QPair<QByteArray, QByteArray>> headers) {
    Reply r;
    r.status = status;
    r.body = body;
    r.headers = std::move(headers);
    return r;
}

ScriptedHttpPeer::Reply ScriptedHttpPeer::errorDocument(int status, const QByteArray& code,
                                                        const QByteArray& message, const QByteArray& date) {
    Reply r = respond(status,
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>" + code +
                          "</Code><Message>" + message + "</Message><RequestId>REQ123</RequestId></Error>",
                      {{"Content-Type", "application/xml"}});
    if (!date.isEmpty())
        r.headers.append({"Date", date});
    return r;
}

ScriptedHttpPeer::Reply ScriptedHttpPeer::echoingSignatureRefusal(const QByteArray& secret) {
    Reply reply;
    reply.answer = [secret](const Request& q) {
        const QByteArray authorization = q.header("Authorization");
        const QByteArray signature = authorization.mid(authorization.lastIndexOf(':') + 1);
        const QByteArray token = q.header("x-amz-security-token");
        const QByteArray encodedToken = QUrl::toPercentEncoding(QString::fromUtf8(token));
        const QByteArray signedText = q.method + "\n" + q.header("Content-MD5") + "\n" +
                                      q.header("Content-Type") + "\n" + q.header("Date") +
                                      "\nx-amz-security-token:" + token + "\n" + q.target;
        const QByteArray canonical = q.method + "\n" + q.target + "\n\nhost:" + q.header("Host") +
                                     "\nx-amz-security-token:" + token + "\n";
        const QByteArray body =
            "<?xml version=\"1.0\" "
            "encoding=\"UTF-8\"?>\n<Error><Code>SignatureDoesNotMatch</Code><Message>The "
            "request signature we calculated does not match the signature you provided. Check your key and "
            "signing method. (" +
            token + " " + signature + " " + secret + ")</Message><AWSAccessKeyId>" +
            authorization.mid(4, authorization.lastIndexOf(':') - 4) + "</AWSAccessKeyId><StringToSign>" +
            signedText + "</StringToSign><SignatureProvided>" + signature +
            "</SignatureProvided><StringToSignBytes>" + signedText.toHex(' ') +
            "</StringToSignBytes><CanonicalRequest>" + canonical +
            "</CanonicalRequest><CanonicalRequestBytes>" + canonical.toHex(' ') +
            "</CanonicalRequestBytes><RequestId>REQ9</RequestId><HostId>" + encodedToken +
            "</HostId></Error>";
        return respond(403, body,
                       {{"Content-Type", "application/xml"},
                        {"x-amz-request-id", signature},
                        {"x-amz-id-2", token},
                        {"x-amz-security-token", token},
                        {"X-Echo", secret + " " + encodedToken},
                        {"ETag", signature.toHex()}});
    };
    return reply;
}

void ScriptedHttpPeer::onConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            ++m_closed;
            socket->deleteLater();
        });
    }
}

void ScriptedHttpPeer::serve(QTcpSocket* socket) {
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    for (;;) {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        Request request;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.target = first.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        const qsizetype length = request.header("Content-Length").toLongLong();
        if (buffer.size() < end + 4 + length)
            return;
        request.body = buffer.mid(end + 4, length);
        request.raw = buffer.left(end + 4 + length);
        buffer.remove(0, end + 4 + length);
        m_requests.append(request);

        Reply reply = m_script.isEmpty() ? m_default : m_script.takeFirst();
        if (reply.answer)
            reply = reply.answer(request);
        if (reply.kind == Reply::Drop) {
            socket->abort();
            emit requestReceived();
            return;
        }
        if (reply.kind == Reply::Respond) {
            QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\n";
            for (const auto& h : reply.headers)
                out += h.first + ": " + h.second + "\r\n";
            if (reply.closeDelimited)
                out += "Connection: close\r\n";
            else
                out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
            out += "\r\n" + reply.body;
            socket->write(out);
            if (reply.closeDelimited)
                socket->disconnectFromHost();
        }
        emit requestReceived();
    }
}
