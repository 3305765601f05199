#pragma once

// A loopback SOCKS5 proxy for downloads, written from the protocol's public description (no
// authentication, CONNECT only): it records the host name each client asks for and relays every
// connection to one loopback port, whatever name was asked.

#include <QHostAddress>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

namespace pelnix::test {

class SocksPeer : public QObject {
public:
    explicit SocksPeer(quint16 relayTo) : m_relayTo(relayTo) {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = m_server.nextPendingConnection())
                connect(client, &QTcpSocket::readyRead, client, [this, client] { negotiate(client); });
        });
    }
    quint16 port() const { return m_server.serverPort(); }

    QStringList hostsAsked;

private:
    void negotiate(QTcpSocket* client) {
        const QByteArray pending = client->peek(512);
        if (client->property("greeted").toBool() == false) {
            // Version 5, the methods offered; "no authentication" is taken.
            if (pending.size() < 2 || pending.size() < 2 + quint8(pending.at(1)))
                return;
            client->read(2 + quint8(pending.at(1)));
            client->setProperty("greeted", true);
            client->write(QByteArray("\x05\x00", 2));
            return;
        }
        // Version 5, CONNECT, reserved, a domain name of its length, a port.
        if (pending.size() < 5 || pending.at(3) != 0x03 || pending.size() < 7 + quint8(pending.at(4)))
            return;
        const int length = quint8(pending.at(4));
        hostsAsked << QString::fromLatin1(pending.mid(5, length));
        client->read(7 + length);
        disconnect(client, &QTcpSocket::readyRead, client, nullptr);
        auto* upstream = new QTcpSocket(client);
        connect(upstream, &QTcpSocket::connected, client,
                [client] { client->write(QByteArray("\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x00", 10)); });
        connect(client, &QTcpSocket::readyRead, upstream,
                [client, upstream] { upstream->write(client->readAll()); });
        connect(upstream, &QTcpSocket::readyRead, client,
                [client, upstream] { client->write(upstream->readAll()); });
        connect(upstream, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        upstream->connectToHost(QHostAddress::LocalHost, m_relayTo);
    }

    quint16 m_relayTo;
    QTcpServer m_server;
};

} // namespace pelnix::test
