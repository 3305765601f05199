#pragma once

// A loopback HTTP peer for the screens' tests: serves bodies by path (404 for the others), counts the
// requests of each path, and may announce a body too large for what asks.

#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>

namespace pelnix::test {

class LoopbackPeer : public QObject {
public:
    explicit LoopbackPeer(QByteArray contentType = "text/html") : m_contentType(std::move(contentType)) {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
    }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }

    QHash<QString, QByteArray> bodies;
    // Paths answered with a redirect to the URL given.
    QHash<QString, QString> redirects;
    QHash<QString, int> hits;
    // A path whose answer announces `hugeLength` bytes and sends a few.
    QString hugePath;
    qint64 hugeLength = 0;
    // A path whose answer announces `hugeLength` bytes and sends them for as long as the reader
    // takes them; `streamed` counts what the reader took.
    QString streamPath;
    qint64 streamed = 0;

private:
    void answer(QTcpSocket* socket) {
        const QByteArray head = socket->peek(4096);
        if (!head.contains("\r\n\r\n"))
            return;
        socket->readAll();
        const QString path = QString::fromLatin1(head.split(' ').value(1));
        ++hits[path];
        if (!hugePath.isEmpty() && path == hugePath) {
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + m_contentType + "\r\nContent-Length: " +
                          QByteArray::number(hugeLength) + "\r\n\r\n" + QByteArray(1024, 'x'));
            socket->disconnectFromHost();
            return;
        }
        if (redirects.contains(path)) {
            socket->write("HTTP/1.1 302 Found\r\nLocation: " + redirects.value(path).toUtf8() +
                          "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        if (!streamPath.isEmpty() && path == streamPath) {
            // Little held in the kernel: what is streamed is about what the reader took.
            socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 64 * 1024);
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + m_contentType +
                          "\r\nContent-Length: " + QByteArray::number(hugeLength) + "\r\n\r\n");
            const auto more = [this, socket] {
                if (socket->state() != QAbstractSocket::ConnectedState || socket->bytesToWrite() > 0 ||
                    streamed >= hugeLength)
                    return;
                const QByteArray chunk(64 * 1024, 'x');
                streamed += socket->write(chunk);
            };
            connect(socket, &QTcpSocket::bytesWritten, socket, more);
            more();
            return;
        }
        const bool known = bodies.contains(path);
        const QByteArray body = bodies.value(path, "missing");
        socket->write((known ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n") +
                      QByteArray("Content-Type: ") + m_contentType +
                      "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) +
                      "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QByteArray m_contentType;
    QTcpServer m_server;
};

} // namespace pelnix::test
