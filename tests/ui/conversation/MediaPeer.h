#pragma once

// A loopback HTTP peer for media downloads: each path answers as told (status, body, with or without a
// length, a length longer than the body sent, or a reply held open after its first bytes), and the
// requests of each path are counted.

#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace pelnix::test {

class MediaPeer : public QObject {
public:
    struct Route {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/octet-stream";
        // No Content-Length: the body ends when the connection closes.
        bool withoutLength = false;
        // Announces this length but sends only the body, then closes (0: the body's own length).
        qint64 announced = 0;
        // Sends the head and the body, then a little more every 50 ms, never all it announced.
        bool hold = false;
    };

    MediaPeer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
    }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    int totalHits() const {
        int total = 0;
        for (int count : hits)
            total += count;
        return total;
    }

    // By path; a query is ignored.
    QHash<QString, Route> routes;
    // By path and query.
    QHash<QString, int> hits;

private:
    void answer(QTcpSocket* socket) {
        const QByteArray head = socket->peek(8192);
        if (!head.contains("\r\n\r\n"))
            return;
        socket->readAll();
        const QString target = QString::fromLatin1(head.split(' ').value(1));
        ++hits[target];
        // The query tells requests apart; the path alone picks the answer.
        const QString path = target.section(QLatin1Char('?'), 0, 0);
        const bool known = routes.contains(path);
        Route route = routes.value(path);
        if (!known) {
            route.status = 404;
            route.body = "missing";
        }
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(route.status) +
                           (route.status == 200 ? " OK" : " Not Found") +
                           "\r\nContent-Type: " + route.contentType + "\r\nConnection: close\r\n";
        if (!route.withoutLength)
            reply += "Content-Length: " +
                     QByteArray::number(route.announced > 0 ? route.announced : route.body.size()) + "\r\n";
        reply += "\r\n" + route.body;
        socket->write(reply);
        if (route.hold) {
            auto* trickle = new QTimer(socket);
            connect(trickle, &QTimer::timeout, socket, [socket, trickle, route] {
                if (socket->property("sent").toInt() >= 40)
                    trickle->stop();
                socket->setProperty("sent", socket->property("sent").toInt() + 1);
                socket->write(QByteArray(route.body.size(), 'y'));
            });
            trickle->start(50);
            return;
        }
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
};

} // namespace pelnix::test
