#include "HostileHttpPeer.h"

#include <QTcpSocket>

namespace pelnix::test {

namespace {

// What is written at a time, and what may wait unsent, so a reader that stops taking stops the peer.
constexpr qint64 kChunk = 64 * 1024;

} // namespace

HostileHttpPeer::Answer HostileHttpPeer::Answer::of(const QByteArray& body, const QByteArray& contentType) {
    Answer answer;
    answer.head = body;
    answer.contentType = contentType;
    return answer;
}

HostileHttpPeer::HostileHttpPeer(QObject* parent) : QObject(parent) {
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, int(kChunk));
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
            connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { pump(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_replies.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

HostileHttpPeer::~HostileHttpPeer() {
    for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>())
        socket->disconnect(this);
}

QString HostileHttpPeer::origin() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

int HostileHttpPeer::dripping() const {
    int count = 0;
    for (const Reply& reply : m_replies)
        count += reply.answer.drip && reply.position < reply.answer.length();
    return count;
}

void HostileHttpPeer::drip() {
    for (QTcpSocket* socket : m_replies.keys()) {
        const auto found = m_replies.find(socket);
        if (found != m_replies.end() && found->answer.drip && found->position < found->answer.length())
            write(socket, *found, 1);
    }
}

void HostileHttpPeer::readRequest(QTcpSocket* socket) {
    if (m_replies.contains(socket) || !socket->peek(16 * 1024).contains("\r\n\r\n"))
        return;
    const QByteArray head = socket->readAll();
    const QString target = QString::fromLatin1(head.split(' ').value(1));
    const QString path = target.section(QLatin1Char('?'), 0, 0);
    ++m_hits[path];
    ++m_requests;
    emit requested(path);

    Answer answer;
    if (m_answers.contains(path))
        answer = m_answers.value(path);
    else if (m_fallback)
        answer = *m_fallback;
    else {
        answer = Answer::of("not here", "text/plain");
        answer.status = 404;
    }

    if (!answer.location.isEmpty()) {
        socket->write("HTTP/1.1 302 Found\r\nLocation: " + answer.location.toUtf8() +
                      "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    QByteArray header = "HTTP/1.1 " + QByteArray::number(answer.status) +
                        " Answer\r\nContent-Type: " + answer.contentType + "\r\nConnection: close\r\n";
    if (answer.framing == Framing::Length)
        header += "Content-Length: " +
                  QByteArray::number(answer.announced >= 0 ? answer.announced : answer.length()) + "\r\n";
    else if (answer.framing == Framing::Chunked)
        header += "Transfer-Encoding: chunked\r\n";
    socket->write(header + "\r\n");
    Reply& reply = m_replies[socket];
    reply.answer = answer;
    if (answer.length() == 0)
        end(socket, reply);
    else if (answer.drip)
        write(socket, reply, 1);
    else
        pump(socket);
}

void HostileHttpPeer::pump(QTcpSocket* socket) {
    for (;;) {
        const auto found = m_replies.find(socket);
        if (found == m_replies.end() || found->answer.drip || found->position >= found->answer.length() ||
            socket->bytesToWrite() >= kChunk || socket->state() != QAbstractSocket::ConnectedState)
            return;
        write(socket, *found, kChunk);
    }
}

void HostileHttpPeer::write(QTcpSocket* socket, Reply& reply, qint64 count) {
    const QByteArray chunk =
        bodyChunk(reply.answer, reply.position, qMin(count, reply.answer.length() - reply.position));
    if (reply.answer.framing == Framing::Chunked)
        socket->write(QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n");
    else
        socket->write(chunk);
    reply.position += chunk.size();
    m_sent += chunk.size();
    if (reply.position >= reply.answer.length())
        end(socket, reply);
}

QByteArray HostileHttpPeer::bodyChunk(const Answer& answer, qint64 offset, qint64 count) const {
    QByteArray out;
    out.reserve(count);
    const qint64 units = answer.unit.size() * answer.repeat;
    for (qint64 at = offset; at < offset + count;) {
        const qint64 left = offset + count - at;
        if (at < answer.head.size()) {
            const qint64 take = qMin(left, answer.head.size() - at);
            out += answer.head.mid(at, take);
            at += take;
        } else if (at - answer.head.size() < units) {
            const qint64 inUnit = (at - answer.head.size()) % answer.unit.size();
            const qint64 take = qMin(left, answer.unit.size() - inUnit);
            out += answer.unit.mid(inUnit, take);
            at += take;
        } else {
            const qint64 inTail = at - answer.head.size() - units;
            const qint64 take = qMin(left, answer.tail.size() - inTail);
            out += answer.tail.mid(inTail, take);
            at += take;
        }
    }
    return out;
}

void HostileHttpPeer::end(QTcpSocket* socket, Reply& reply) {
    if (reply.answer.framing == Framing::Chunked)
        socket->write("0\r\n\r\n");
    // A length announced and not sent: the reader waits on an open connection.
    if (reply.answer.framing == Framing::Length && reply.answer.announced > reply.answer.length())
        return;
    socket->disconnectFromHost();
}

} // namespace pelnix::test
