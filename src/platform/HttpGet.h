#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QNetworkProxy>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace pelnix::platform {

class BodyDecoder;

// One HTTP GET through libcurl, driven by the event loop of the thread the object lives on (sockets
// watched with notifiers, curl's timers on a QTimer), so that the thread never blocks on the network.
// Redirects are not followed: a redirect's head is handed over like any final head, and its body is
// never read. Interim (1xx) answers are passed over within a bound of their own, and a switch of
// protocols nobody asked for is refused. HTTP/1.1 is spoken, also where HTTP/2 is offered. Bodies come
// out decoded (see BodyDecoder); one in any other coding is refused, and so is one whose coding did not
// reach its end. A body cut by a reset, or by the end of a TLS connection without its close_notify, is
// refused; a close_notify ends a body that runs to the close.
// What the connection brings beyond the body (heads, chunk framing, TLS records) may not exceed a fixed
// allowance plus an eighth of the body.
class HttpGet : public QObject {
    Q_OBJECT
public:
    struct Request {
        // Sent without any user information.
        QUrl url;
        // Empty: the library's name and version.
        QByteArray userAgent;
        // Certificates trusted besides (or, with useSystemCertificates off, instead of) the system's.
        QByteArray caCertificatesPem;
        bool useSystemCertificates = true;
        // NoProxy goes direct; HttpProxy, HttpCachingProxy and Socks5Proxy are used as such.
        QNetworkProxy proxy = QNetworkProxy(QNetworkProxy::NoProxy);
        // Plain http through an HTTP proxy as a tunnel (CONNECT) rather than in absolute form.
        bool tunnelThroughProxy = false;
        // The whole request, from its start to its last byte; 0: no bound.
        qint64 timeoutMs = 0;
        // One head, status line to blank line, and all interim heads of the answer together.
        qint64 maxHeadBytes = 64 * 1024;
        qint64 maxInterimBytes = 256 * 1024;
        // What may come beyond the body besides an eighth of the body's own size.
        qint64 framingAllowance = 1024 * 1024;
    };
    struct Head {
        int status = 0;
        // The Location field as it came, for a redirect.
        QByteArray location;
        // The declared length of the body as it travels (before decoding), -1 when none.
        qint64 contentLength = -1;
        // The body comes in a coding, so its declared length is not the length of what it decodes to.
        bool coded = false;
    };
    // Called on the object's thread while the answer comes in; each answers whether to go on. A head is
    // a final or redirect head (never an interim one); body bytes come decoded.
    std::function<bool(const Head&)> onHead;
    std::function<bool(const char* data, qsizetype size)> onBody;
    // Body bytes received so far as they travel (before decoding).
    std::function<void(qint64 received)> onProgress;

    explicit HttpGet(Request request, QObject* parent = nullptr);
    // Drops the connection when the request has not ended.
    ~HttpGet() override;

    // Starts the request; call on the object's thread.
    void start();
    // Ends the request at once (or, from inside one of the callbacks, as soon as it returns); nothing
    // more is called or emitted.
    void abort();
    // Body bytes received so far as they travel (before decoding).
    qint64 bodyBytes() const;

    // The certificates the host's default TLS configuration trusts, as a request takes them.
    static void trustHostCertificates(Request& request);

signals:
    // Once, unless aborted: complete when the whole answer came as its framing says and every
    // callback went on; else `error` says what went wrong, in words for a log or a user.
    void finished(bool complete, const QString& error);

private:
    // libcurl's callbacks, in curl's own types.
    struct Callbacks;
    bool takeHeaderLine(QByteArrayView line);
    bool takeBody(const char* data, qsizetype size);
    bool endHead();
    bool framingWithinBound();
    bool runsToTheClose() const;
    qint64 connectionBytesRead() const;
    void act(qintptr socket, int events);
    void checkDone();
    bool refuse(const QString& why);
    void release();
    void watch(qintptr socket, int what);
    bool setUp();

    Request m_request;
    void* m_multi = nullptr;
    void* m_easy = nullptr;
    QByteArray m_url;
    QByteArray m_proxyUrl;
    QTimer m_timer;
    struct Watch {
        QPointer<QSocketNotifier> read;
        QPointer<QSocketNotifier> write;
    };
    QHash<qintptr, Watch> m_watches;
    // Sockets of connections curl opened and has not closed, and what closed ones had read.
    QList<qintptr> m_sockets;
    qint64 m_closedSocketsRead = 0;
    // How deep we are in calls into curl: nothing is released under its feet.
    int m_inCurl = 0;
    bool m_aborted = false;
    bool m_stopped = false;
    bool m_done = false;
    // What ended the request from our side, when something did.
    QString m_refusal;
    // The head being read.
    int m_status = 0;
    qint64 m_headBytes = 0;
    qint64 m_interimBytes = 0;
    QByteArray m_location;
    bool m_inBody = false;
    // The final head's last transfer coding is chunked; the TLS peer sent close_notify.
    bool m_chunked = false;
    bool m_closeNotified = false;
    // The codings the head being read names, as applied; what undoes the final head's.
    QList<QByteArray> m_contentCodings;
    QList<QByteArray> m_transferCodings;
    std::unique_ptr<BodyDecoder> m_decoder;
    // The last count read from curl, kept once the handle is gone.
    mutable qint64 m_bodyBytes = 0;
};

} // namespace pelnix::platform
