#include "platform/HttpGet.h"

#include "platform/BodyDecoder.h"

#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QThread>
#include <curl/curl.h>
#include <mutex>
#include <openssl/ssl.h>

#ifdef Q_OS_LINUX
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#ifndef PELNIX_VERSION
#define PELNIX_VERSION "0"
#endif

namespace pelnix::platform {

namespace {
Q_LOGGING_CATEGORY(lcHttpGet, "pelnix.network.httpget", QtWarningMsg)

// Once per process, before the first handle; libcurl's own state only.
void initialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QByteArray pemOf(const QList<QSslCertificate>& certificates) {
    QByteArray pem;
    for (const QSslCertificate& certificate : certificates)
        pem += certificate.toPem();
    return pem;
}

// The system's authorities as Qt reads them, for hosts that add their own to them: read once.
struct SystemCertificates {
    QByteArray pem = pemOf(QSslConfiguration::systemCaCertificates());
};
Q_GLOBAL_STATIC(SystemCertificates, systemCertificates)

QString describe(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return QStringLiteral("the server's name could not be resolved");
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("the server could not be reached");
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("the download took longer than its time bound");
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return QStringLiteral("the server's certificate is not trusted");
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("no secure connection could be made");
    case CURLE_RECV_ERROR:
        return QStringLiteral("the connection broke off before the answer's end");
    case CURLE_PARTIAL_FILE:
        return QStringLiteral("the answer ended before its body's end");
    case CURLE_BAD_CONTENT_ENCODING:
        return QStringLiteral("the file came in a coding this library cannot decode");
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
        return QStringLiteral("the server's answer is not HTTP");
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return QStringLiteral("the HTTP/2 connection failed");
    case CURLE_RECURSIVE_API_CALL:
    case CURLE_OUT_OF_MEMORY:
    default:
        return QString::fromLatin1(curl_easy_strerror(code));
    }
}

// What one read from a connection takes at most.
constexpr long kReceiveBufferBytes = 512 * 1024;

bool isBlankLine(QByteArrayView line) {
    return line == "\r\n" || line == "\n";
}
} // namespace

// libcurl calls these on the thread that drives the transfer, from inside curl_multi_socket_action.
struct HttpGet::Callbacks {
    static size_t header(char* data, size_t, size_t count, void* self) {
        auto* get = static_cast<HttpGet*>(self);
        return !get->m_aborted && get->takeHeaderLine(QByteArrayView(data, qsizetype(count))) ? count : 0;
    }
    static size_t write(char* data, size_t, size_t count, void* self) {
        auto* get = static_cast<HttpGet*>(self);
        return !get->m_aborted && get->takeBody(data, qsizetype(count)) ? count : 0;
    }
    static int progress(void* self, curl_off_t, curl_off_t now, curl_off_t, curl_off_t) {
        auto* get = static_cast<HttpGet*>(self);
        if (get->m_aborted || !get->framingWithinBound())
            return 1;
        if (get->m_inBody && get->onProgress)
            get->onProgress(qint64(now));
        return get->m_aborted ? 1 : 0;
    }
    static int socket(CURL*, curl_socket_t socket, int what, void* self, void*) {
        static_cast<HttpGet*>(self)->watch(qintptr(socket), what);
        return 0;
    }
    static int timer(CURLM*, long timeoutMs, void* self) {
        auto* get = static_cast<HttpGet*>(self);
        if (timeoutMs < 0)
            get->m_timer.stop();
        else
            get->m_timer.start(int(qMin<long>(timeoutMs, std::numeric_limits<int>::max())));
        return 0;
    }
    // libcurl takes the end of a TLS connection as the end of a body that runs to the close, whether
    // or not close_notify came first: which alerts came is watched here, so that a cut is told apart.
    static CURLcode sslContext(CURL*, void* context, void* self) {
        auto* tls = static_cast<SSL_CTX*>(context);
        SSL_CTX_set_ex_data(tls, contextIndex(), self);
        SSL_CTX_set_info_callback(tls, &tlsInfo);
        return CURLE_OK;
    }
    static void tlsInfo(const SSL* ssl, int where, int alert) {
        // Our own close_notify, when curl closes the connection, is a write alert.
        if ((where & SSL_CB_READ_ALERT) != SSL_CB_READ_ALERT || (alert & 0xff) != SSL_AD_CLOSE_NOTIFY)
            return;
        if (auto* get = static_cast<HttpGet*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), contextIndex())))
            get->m_closeNotified = true;
    }
    static int contextIndex() {
        static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
        return index;
    }
#ifdef Q_OS_LINUX
    // The connections' sockets are ours to count what they read.
    static curl_socket_t openSocket(void* self, curlsocktype, curl_sockaddr* address) {
        const int socket = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (socket >= 0)
            static_cast<HttpGet*>(self)->m_sockets.append(socket);
        return socket >= 0 ? curl_socket_t(socket) : CURL_SOCKET_BAD;
    }
    static int closeSocket(void* self, curl_socket_t socket) {
        auto* get = static_cast<HttpGet*>(self);
        if (get->m_sockets.removeOne(qintptr(socket)))
            get->m_closedSocketsRead += bytesRead(socket);
        return ::close(socket);
    }
    // What the kernel received on a TCP connection and the reader has taken, 0 for other sockets.
    static qint64 bytesRead(curl_socket_t socket) {
        tcp_info info{};
        socklen_t length = sizeof info;
        if (::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &length) != 0 ||
            length < socklen_t(offsetof(tcp_info, tcpi_bytes_received) + sizeof info.tcpi_bytes_received))
            return 0;
        int unread = 0;
        if (::ioctl(socket, FIONREAD, &unread) != 0)
            unread = 0;
        return qMax<qint64>(0, qint64(info.tcpi_bytes_received) - unread);
    }
#endif
};

HttpGet::HttpGet(Request request, QObject* parent) : QObject(parent), m_request(std::move(request)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { act(qintptr(CURL_SOCKET_TIMEOUT), 0); });
}

HttpGet::~HttpGet() {
    m_aborted = true;
    release();
}

void HttpGet::trustHostCertificates(Request& request) {
    const QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    const QList<QSslCertificate> listed = configuration.caCertificates();
    // Qt loads the system's authorities on demand unless the host gave its own list; a configuration
    // whose list is set again compares equal only when it already was a list of the host's own.
    QSslConfiguration ownList = configuration;
    ownList.setCaCertificates(listed);
    const bool onlyListed = configuration == ownList;
    request.useSystemCertificates = !onlyListed && listed.isEmpty();
    request.caCertificatesPem = pemOf(listed);
    if (!onlyListed && !listed.isEmpty())
        request.caCertificatesPem += systemCertificates()->pem;
}

bool HttpGet::setUp() {
    CURL* easy = static_cast<CURL*>(m_easy);
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
    };
    m_url = m_request.url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveFragment).toEncoded();
    set(CURLOPT_URL, m_url.constData());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 0L);
    set(CURLOPT_NOSIGNAL, 1L);
    // A connection serves one answer: one whose body was left unread is never asked again.
    set(CURLOPT_FORBID_REUSE, 1L);
    // Bodies come as they travel and are decoded here, where a stream cut inside its coding shows:
    // curl takes such a stream as whole.
    set(CURLOPT_ACCEPT_ENCODING, "deflate, gzip, br, zstd");
    set(CURLOPT_HTTP_CONTENT_DECODING, 0L);
    // HTTP/1.1 even where HTTP/2 is offered: curl takes an HTTP/2 stream reset without an error code as
    // the end of a body of no declared length, and tells nobody which frame ended it; HTTP/1.1's ends
    // (a length, the last chunk, close_notify or an orderly close) are all checked here.
    set(CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    // Large reads: curl's default 16 KiB costs a wake-up of the thread and a progress check every 16 KiB.
    set(CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    set(CURLOPT_USERAGENT,
        m_request.userAgent.isEmpty() ? "Pelnix/" PELNIX_VERSION : m_request.userAgent.constData());
    if (m_request.timeoutMs > 0)
        set(CURLOPT_TIMEOUT_MS, long(m_request.timeoutMs));
    set(CURLOPT_HEADERFUNCTION, &Callbacks::header);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_WRITEFUNCTION, &Callbacks::write);
    set(CURLOPT_WRITEDATA, this);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &Callbacks::progress);
    set(CURLOPT_XFERINFODATA, this);
#ifdef Q_OS_LINUX
    set(CURLOPT_OPENSOCKETFUNCTION, &Callbacks::openSocket);
    set(CURLOPT_OPENSOCKETDATA, this);
    set(CURLOPT_CLOSESOCKETFUNCTION, &Callbacks::closeSocket);
    set(CURLOPT_CLOSESOCKETDATA, this);
#endif
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    set(CURLOPT_SSL_CTX_FUNCTION, &Callbacks::sslContext);
    set(CURLOPT_SSL_CTX_DATA, this);
    if (!m_request.useSystemCertificates) {
        curl_blob blob{m_request.caCertificatesPem.data(), size_t(m_request.caCertificatesPem.size()),
                       CURL_BLOB_COPY};
        set(CURLOPT_CAINFO_BLOB, &blob);
        set(CURLOPT_CAINFO, static_cast<const char*>(nullptr));
        set(CURLOPT_CAPATH, static_cast<const char*>(nullptr));
    }
    // Only the proxy the host set, never one from the environment behind its back.
    const QNetworkProxy& proxy = m_request.proxy;
    set(CURLOPT_NOPROXY, "");
    if (proxy.type() == QNetworkProxy::NoProxy) {
        set(CURLOPT_PROXY, "");
    } else {
        const bool socks = proxy.type() == QNetworkProxy::Socks5Proxy;
        QUrl address;
        address.setScheme(!socks ? QStringLiteral("http")
                          : proxy.capabilities().testFlag(QNetworkProxy::HostNameLookupCapability)
                              ? QStringLiteral("socks5h")
                              : QStringLiteral("socks5"));
        address.setHost(proxy.hostName());
        address.setPort(proxy.port());
        m_proxyUrl = address.toEncoded();
        set(CURLOPT_PROXY, m_proxyUrl.constData());
        if (!proxy.user().isEmpty()) {
            set(CURLOPT_PROXYUSERNAME, proxy.user().toUtf8().constData());
            set(CURLOPT_PROXYPASSWORD, proxy.password().toUtf8().constData());
        }
        set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        if (m_request.tunnelThroughProxy)
            set(CURLOPT_HTTPPROXYTUNNEL, 1L);
    }
    return ok;
}

void HttpGet::start() {
    Q_ASSERT(QThread::currentThread() == thread());
    initialiseCurl();
    m_multi = curl_multi_init();
    m_easy = curl_easy_init();
    if (!m_multi || !m_easy || !setUp()) {
        refuse(QStringLiteral("the request could not be set up"));
        // Reported from the event loop, as every end is.
        QTimer::singleShot(0, this, [this] {
            release();
            if (!std::exchange(m_done, true))
                emit finished(false, m_refusal);
        });
        return;
    }
    CURLM* multi = static_cast<CURLM*>(m_multi);
    curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &Callbacks::socket);
    curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &Callbacks::timer);
    curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
    ++m_inCurl;
    curl_multi_add_handle(multi, static_cast<CURL*>(m_easy));
    --m_inCurl;
}

void HttpGet::abort() {
    if (std::exchange(m_aborted, true))
        return;
    m_done = true;
    if (m_inCurl == 0)
        release();
}

qint64 HttpGet::bodyBytes() const {
    curl_off_t bytes = 0;
    if (m_easy && curl_easy_getinfo(static_cast<CURL*>(m_easy), CURLINFO_SIZE_DOWNLOAD_T, &bytes) == CURLE_OK)
        m_bodyBytes = qint64(bytes);
    return m_bodyBytes;
}

bool HttpGet::refuse(const QString& why) {
    if (m_refusal.isEmpty())
        m_refusal = why;
    return false;
}

bool HttpGet::takeHeaderLine(QByteArrayView line) {
    m_headBytes += line.size();
    // Trailers of a chunked body are bounded like a head and say nothing the caller needs.
    if (m_headBytes > m_request.maxHeadBytes)
        return refuse(QStringLiteral("a head over %1 bytes").arg(m_request.maxHeadBytes));
    if (m_inBody)
        return true;
    if (isBlankLine(line))
        return endHead();
    if (m_status == 0) {
        // HTTP/1.x, or the status line curl gives an HTTP/2 answer, then three digits.
        const qsizetype space = line.indexOf(' ');
        const QByteArrayView code =
            space > 0 ? line.sliced(space + 1).first(qMin<qsizetype>(3, line.size() - space - 1))
                      : QByteArrayView();
        bool numeric = code.size() == 3 && line.startsWith("HTTP/");
        for (const char c : code)
            numeric = numeric && c >= '0' && c <= '9';
        if (!numeric || code.at(0) < '1' || code.at(0) > '5')
            return refuse(QStringLiteral("an answer that is not HTTP"));
        m_status = code.toInt();
        return true;
    }
    const auto field = [&line](QByteArrayView name) {
        return line.size() > name.size() && line.first(name.size()).compare(name, Qt::CaseInsensitive) == 0
                   ? line.sliced(name.size()).trimmed()
                   : QByteArrayView();
    };
    if (const QByteArrayView location = field("location:"); !location.isEmpty())
        m_location = location.toByteArray();
    // The last transfer coding says whether the body comes in chunks; the others, like the content
    // codings, are undone here.
    if (const QByteArrayView codings = field("transfer-encoding:"); !codings.isEmpty()) {
        m_chunked =
            codings.sliced(codings.lastIndexOf(',') + 1).trimmed().compare("chunked", Qt::CaseInsensitive) ==
            0;
        for (const QByteArray& coding : codings.toByteArray().split(','))
            if (coding.trimmed().compare("chunked", Qt::CaseInsensitive) != 0)
                m_transferCodings << coding;
    }
    if (const QByteArrayView codings = field("content-encoding:"); !codings.isEmpty())
        m_contentCodings << codings.toByteArray().split(',');
    return true;
}

bool HttpGet::takeBody(const char* data, qsizetype size) {
    static const BodyDecoder::Sink discard = [](const char*, qsizetype) { return true; };
    const BodyDecoder::Sink& sink = onBody ? onBody : discard;
    BodyDecoder::Result result = BodyDecoder::Result::Going;
    if (m_decoder)
        result = m_decoder->decode(data, size, sink);
    else if (!sink(data, size))
        result = BodyDecoder::Result::Stopped;
    if (result == BodyDecoder::Result::Refused)
        return refuse(m_decoder->error());
    m_stopped = result == BodyDecoder::Result::Stopped;
    return !m_stopped;
}

bool HttpGet::endHead() {
    const int status = std::exchange(m_status, 0);
    const qint64 headBytes = std::exchange(m_headBytes, 0);
    if (status == 0)
        return refuse(QStringLiteral("an empty head"));
    const QList<QByteArray> codings =
        std::exchange(m_contentCodings, {}) + std::exchange(m_transferCodings, {});
    if (status < 200) {
        m_chunked = false;
        if (status == 101)
            return refuse(QStringLiteral("a switch of protocols that was not asked for"));
        m_interimBytes += headBytes;
        m_location.clear();
        if (m_interimBytes > m_request.maxInterimBytes)
            return refuse(QStringLiteral("interim answers over %1 bytes").arg(m_request.maxInterimBytes));
        return true;
    }
    Head head;
    head.status = status;
    head.location = std::exchange(m_location, {});
    curl_off_t length = -1;
    curl_easy_getinfo(static_cast<CURL*>(m_easy), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    head.contentLength = length;
    m_inBody = true;
    if (auto decoder = std::make_unique<BodyDecoder>(codings); !decoder->isIdentity())
        m_decoder = std::move(decoder);
    head.coded = m_decoder != nullptr;
    if (onHead && !onHead(head)) {
        m_stopped = true;
        return false;
    }
    return !m_aborted;
}

// Everything the connections read beyond the body as it travelled: at most the allowance and an
// eighth of the body. Chunks carrying a byte behind kilobytes of extensions, or records of a byte,
// end here as soon as what they cost passes what a whole body would.
bool HttpGet::framingWithinBound() {
    const qint64 read = connectionBytesRead();
    if (read < 0)
        return true;
    const qint64 body = bodyBytes();
    if (read - body <= m_request.framingAllowance + body / 8)
        return true;
    qCInfo(lcHttpGet) << "an answer read" << read << "bytes for a body of" << body;
    return refuse(QStringLiteral("the answer's framing far outweighs its body"));
}

qint64 HttpGet::connectionBytesRead() const {
#ifdef Q_OS_LINUX
    qint64 read = m_closedSocketsRead;
    for (const qintptr socket : m_sockets)
        read += Callbacks::bytesRead(curl_socket_t(socket));
    return read;
#else
    return -1;
#endif
}

void HttpGet::watch(qintptr socket, int what) {
    Watch& watched = m_watches[socket];
    const auto follow = [this, socket](QPointer<QSocketNotifier>& notifier, QSocketNotifier::Type type,
                                       bool wanted, int event) {
        if (!wanted) {
            if (notifier)
                notifier->setEnabled(false);
            return;
        }
        if (!notifier) {
            notifier = new QSocketNotifier(socket, type, this);
            connect(notifier, &QSocketNotifier::activated, this,
                    [this, socket, event] { act(socket, event); });
        }
        notifier->setEnabled(true);
    };
    if (what == CURL_POLL_REMOVE) {
        // Not deleted at once: its own signal may be what brought us here.
        for (QSocketNotifier* notifier : {watched.read.data(), watched.write.data()})
            if (notifier) {
                notifier->setEnabled(false);
                notifier->deleteLater();
            }
        m_watches.remove(socket);
        return;
    }
    follow(watched.read, QSocketNotifier::Read, what == CURL_POLL_IN || what == CURL_POLL_INOUT,
           CURL_CSELECT_IN);
    follow(watched.write, QSocketNotifier::Write, what == CURL_POLL_OUT || what == CURL_POLL_INOUT,
           CURL_CSELECT_OUT);
}

void HttpGet::act(qintptr socket, int events) {
    if (!m_multi || m_aborted)
        return;
    int running = 0;
    ++m_inCurl;
    curl_multi_socket_action(static_cast<CURLM*>(m_multi), curl_socket_t(socket), events, &running);
    --m_inCurl;
    checkDone();
}

void HttpGet::checkDone() {
    if (m_aborted) {
        release();
        return;
    }
    CURLcode code = CURLE_OK;
    bool ended = false;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(static_cast<CURLM*>(m_multi), &left))
        if (message->msg == CURLMSG_DONE) {
            code = message->data.result;
            ended = true;
        }
    if (!ended || m_done)
        return;
    if (code == CURLE_OK && m_inBody && !m_chunked && !m_closeNotified && runsToTheClose())
        refuse(describe(CURLE_RECV_ERROR));
    if (code == CURLE_OK && m_decoder && !m_decoder->isWhole())
        refuse(QStringLiteral("the answer ended before its coding's end"));
    const bool complete = code == CURLE_OK && m_refusal.isEmpty() && !m_stopped;
    QString error;
    if (!complete) {
        error = !m_refusal.isEmpty() ? m_refusal : m_stopped ? QStringLiteral("stopped") : describe(code);
        qCInfo(lcHttpGet) << "an HTTP request ended:" << curl_easy_strerror(code) << "-" << error;
    }
    release();
    m_done = true;
    emit finished(complete, error);
}

// A body with neither a length nor chunks, over HTTP/1 and TLS, ends only with the connection.
bool HttpGet::runsToTheClose() const {
    CURL* easy = static_cast<CURL*>(m_easy);
    curl_off_t length = -1;
    long version = 0;
    const char* scheme = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    curl_easy_getinfo(easy, CURLINFO_HTTP_VERSION, &version);
    curl_easy_getinfo(easy, CURLINFO_SCHEME, &scheme);
    return length < 0 && (version == CURL_HTTP_VERSION_1_0 || version == CURL_HTTP_VERSION_1_1) && scheme &&
           QByteArrayView(scheme).compare("https", Qt::CaseInsensitive) == 0;
}

void HttpGet::release() {
    bodyBytes();
    ++m_inCurl;
    if (m_easy) {
        if (m_multi)
            curl_multi_remove_handle(static_cast<CURLM*>(m_multi), static_cast<CURL*>(m_easy));
        curl_easy_cleanup(static_cast<CURL*>(m_easy));
        m_easy = nullptr;
    }
    if (m_multi) {
        curl_multi_cleanup(static_cast<CURLM*>(m_multi));
        m_multi = nullptr;
    }
    --m_inCurl;
    m_timer.stop();
    for (const Watch& watched : std::as_const(m_watches))
        for (QSocketNotifier* notifier : {watched.read.data(), watched.write.data()})
            if (notifier) {
                notifier->setEnabled(false);
                notifier->deleteLater();
            }
    m_watches.clear();
}

} // namespace pelnix::platform
