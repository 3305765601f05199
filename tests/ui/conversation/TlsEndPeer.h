#pragma once

// A loopback HTTPS peer on OpenSSL itself, for the ways a TLS connection can end, which Qt's sockets
// cannot show: it answers every request with a body that runs to the connection's end (no length),
// then ends as told: close_notify and the close, the close with no close_notify (a cut), or
// close_notify with the TCP connection held open until the peer goes. It serves on a thread of its
// own, under TlsPeer's certificate for 127.0.0.1.

#include "TlsPeer.h"

#include <QByteArray>
#include <QString>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pelnix::test {

class TlsEndPeer {
public:
    enum class End { CloseNotifyAndClose, CutWithoutCloseNotify, CloseNotifyHeldOpen };

    // A server context of OpenSSL's own under TlsPeer's certificate for 127.0.0.1; the caller frees it.
    static SSL_CTX* serverContext() {
        const auto [pem, key] = TlsPeer::material(TlsPeer::Certificate::ForThisHost);
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        BIO* certificateBio = BIO_new_mem_buf(pem.constData(), int(pem.size()));
        BIO* keyBio = BIO_new_mem_buf(key.constData(), int(key.size()));
        X509* certificate = PEM_read_bio_X509(certificateBio, nullptr, nullptr, nullptr);
        EVP_PKEY* privateKey = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
        SSL_CTX_use_certificate(context, certificate);
        SSL_CTX_use_PrivateKey(context, privateKey);
        X509_free(certificate);
        EVP_PKEY_free(privateKey);
        BIO_free(certificateBio);
        BIO_free(keyBio);
        return context;
    }

    TlsEndPeer(QByteArray body, End end) : m_body(std::move(body)), m_end(end) {
        m_context = serverContext();
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(m_listener, 8);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~TlsEndPeer() {
        m_stop = true;
        m_thread.join();
        for (int held : m_held)
            ::close(held);
        ::close(m_listener);
        SSL_CTX_free(m_context);
    }
    QString url(const QString& path) const {
        return QStringLiteral("https://127.0.0.1:%1%2").arg(m_port).arg(path);
    }

    std::atomic_int requests{0};

private:
    void serve() {
        while (!m_stop) {
            pollfd waiting{m_listener, POLLIN, 0};
            if (::poll(&waiting, 1, 20) <= 0)
                continue;
            const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection >= 0)
                answer(connection);
        }
    }
    void answer(int connection) {
        // A reader that stops reading never holds the peer for long.
        const timeval bound{5, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
        SSL* tls = SSL_new(m_context);
        SSL_set_fd(tls, connection);
        QByteArray request;
        char buffer[4096];
        bool asked = SSL_accept(tls) == 1;
        while (asked && !request.contains("\r\n\r\n")) {
            const int read = SSL_read(tls, buffer, sizeof buffer);
            asked = read > 0;
            if (asked)
                request.append(buffer, read);
        }
        if (asked) {
            ++requests;
            const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n\r\n" + m_body;
            SSL_write(tls, answer.constData(), int(answer.size()));
            if (m_end != End::CutWithoutCloseNotify)
                SSL_shutdown(tls);
        }
        SSL_free(tls);
        if (asked && m_end == End::CloseNotifyHeldOpen)
            m_held.push_back(connection);
        else
            ::close(connection);
    }

    QByteArray m_body;
    End m_end;
    SSL_CTX* m_context = nullptr;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic_bool m_stop{false};
    std::vector<int> m_held;
    std::thread m_thread;
};

} // namespace pelnix::test
