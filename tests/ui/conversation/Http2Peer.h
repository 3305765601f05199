#pragma once

// A loopback HTTPS peer that offers HTTP/2 by ALPN, alone or before HTTP/1.1, under TlsPeer's
// certificate for 127.0.0.1. Over HTTP/2 it is framed by hand from the protocol's text (RFC 9113), with
// the least a client needs: its SETTINGS, the acknowledgement of the client's, then for each request a
// HEADERS frame holding only ":status: 200" (no length), DATA frames with the first `cutAt` bytes of the
// body, and a RST_STREAM with NO_ERROR: a body cut short that no frame calls ended. The cut stays within
// HTTP/2's first flow-control window, so no WINDOW_UPDATE is awaited. Over HTTP/1.1 it answers with the
// whole body and its length. A connection that brings no HTTP/2 preface where one is due is closed.

#include "TlsPeer.h"

#include <QSslServer>
#include <QSslSocket>
#include <QtEndian>

namespace pelnix::test {

class Http2Peer : public QObject {
public:
    static constexpr qsizetype kFirstWindow = 65535;

    Http2Peer(QByteArray body, qsizetype cutAt, bool offersHttp11) : m_body(std::move(body)), m_cutAt(cutAt) {
        Q_ASSERT(cutAt <= kFirstWindow);
        const auto [pem, key] = TlsPeer::material(TlsPeer::Certificate::ForThisHost);
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate(pem));
        configuration.setPrivateKey(QSslKey(key, QSsl::Ec));
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        configuration.setAllowedNextProtocols(offersHttp11 ? QList<QByteArray>{"h2", "http/1.1"}
                                                           : QList<QByteArray>{"h2"});
        m_server.setSslConfiguration(configuration);
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (auto* socket = qobject_cast<QSslSocket*>(m_server.nextPendingConnection())) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { take(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                    m_pending.remove(socket);
                    socket->deleteLater();
                });
            }
        });
    }
    QString url(const QString& path) const {
        return QStringLiteral("https://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }

    // What each connection's ALPN settled on ("" when nothing), in order.
    QList<QByteArray> protocols;

private:
    static QByteArray frame(quint8 type, quint8 flags, quint32 stream, const QByteArray& payload) {
        QByteArray out(9, '\0');
        qToBigEndian<quint32>(quint32(payload.size()) << 8 | type, out.data());
        out[4] = char(flags);
        qToBigEndian<quint32>(stream, out.data() + 5);
        return out + payload;
    }

    void take(QSslSocket* socket) {
        QByteArray& pending = m_pending[socket];
        pending += socket->readAll();
        if (!socket->property("protocol").isValid()) {
            const QByteArray protocol = socket->sslConfiguration().nextNegotiatedProtocol();
            protocols << protocol;
            socket->setProperty("protocol", protocol);
            if (protocol != "http/1.1")
                socket->write(frame(0x4, 0, 0, {}));
        }
        if (socket->property("protocol").toByteArray() == "http/1.1") {
            if (!pending.contains("\r\n\r\n"))
                return;
            socket->write(
                "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nConnection: close\r\nContent-Length: " +
                QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
            socket->disconnectFromHost();
            return;
        }
        static const QByteArray preface("PRI * HTTP/2.0\r\n\r\nSM\r\n\r\n");
        if (!socket->property("prefaced").toBool()) {
            if (pending.size() < preface.size())
                return;
            if (!pending.startsWith(preface))
                return socket->disconnectFromHost();
            pending.remove(0, preface.size());
            socket->setProperty("prefaced", true);
        }
        while (pending.size() >= 9) {
            const qsizetype length = qsizetype(qFromBigEndian<quint32>(pending.constData()) >> 8);
            if (pending.size() < 9 + length)
                return;
            const auto type = quint8(pending[3]);
            const auto flags = quint8(pending[4]);
            const quint32 stream = qFromBigEndian<quint32>(pending.constData() + 5) & 0x7fffffff;
            pending.remove(0, 9 + length);
            if (type == 0x4 && !(flags & 0x1))
                socket->write(frame(0x4, 0x1, 0, {}));
            else if (type == 0x1)
                answer(socket, stream);
        }
    }

    void answer(QSslSocket* socket, quint32 stream) {
        // END_HEADERS; ":status: 200" is entry 8 of HPACK's static table.
        socket->write(frame(0x1, 0x4, stream, QByteArray(1, char(0x88))));
        constexpr qsizetype kMaxFrame = 16384;
        for (qsizetype at = 0; at < m_cutAt; at += kMaxFrame)
            socket->write(frame(0x0, 0, stream, m_body.mid(at, qMin(kMaxFrame, m_cutAt - at))));
        socket->write(frame(0x3, 0, stream, QByteArray(4, '\0')));
    }

    QByteArray m_body;
    qsizetype m_cutAt;
    QSslServer m_server;
    QHash<QSslSocket*, QByteArray> m_pending;
};

} // namespace pelnix::test
