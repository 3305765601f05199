#include "platform/PLMediaTransfer.h"

#include <QLoggingCategory>
#include <QNetworkProxyFactory>
#include <QSaveFile>
#include <QThread>
#include <QTimer>
#include <QtNumeric>
#include <limits>
#include <optional>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

namespace pelnix {

namespace {
Q_LOGGING_CATEGORY(lcMediaTransfer, "pelnix.network.mediatransfer", QtWarningMsg)

// The progress bar is a few hundred points wide: finer steps would not be seen, and a large body
// would flood the main thread with notifications.
constexpr qint64 kProgressSteps = 400;
// How much of the file is handed to the disk at once while it comes.
constexpr qint64 kWriteBackStepBytes = 8 * 1024 * 1024;

bool isSecure(const QUrl& url) {
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

// The first proxy the host set for `url` that can carry it: an HTTP proxy carries plain http in
// absolute form (or tunnels it, when it cannot cache) and https through a tunnel; a caching proxy
// carries plain http only; SOCKS5 carries both. None: the download does not go round the host's proxy.
std::optional<QNetworkProxy> proxyFor(const QUrl& url, bool& tunnel) {
    const bool secure = isSecure(url);
    for (const QNetworkProxy& proxy : QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url))) {
        tunnel = false;
        switch (proxy.type()) {
        case QNetworkProxy::NoProxy:
        case QNetworkProxy::Socks5Proxy:
            return proxy;
        case QNetworkProxy::HttpProxy:
            tunnel = !secure && !proxy.capabilities().testFlag(QNetworkProxy::CachingCapability);
            return proxy;
        case QNetworkProxy::HttpCachingProxy:
            if (!secure)
                return proxy;
            break;
        case QNetworkProxy::DefaultProxy:
        case QNetworkProxy::FtpCachingProxy:
            break;
        }
    }
    return std::nullopt;
}
} // namespace

// The cap's whole seconds at the minimum rate and the part of one, in milliseconds, then two windows;
// a bound past what 64 bits hold is the longest there is, never a wrapped one.
qint64 PLMediaTransfer::Limits::totalMs() const {
    if (maxTotalMs > 0)
        return maxTotalMs;
    constexpr qint64 kLongest = std::numeric_limits<qint64>::max();
    const qint64 rate = qMax<qint64>(1, minBytesPerSecond);
    const qint64 bytes = qMax<qint64>(0, maxBytes);
    qint64 part = 0;
    if (qMulOverflow(bytes % rate, qint64(1000), &part))
        part = qint64(double(bytes % rate) / double(rate) * 1000);
    else
        part /= rate;
    qint64 total = 0;
    if (qMulOverflow(bytes / rate, qint64(1000), &total) || qAddOverflow(total, part, &total) ||
        qAddOverflow(total, 2 * qint64(qMax(0, rateWindowMs)), &total))
        return kLongest;
    return total;
}

bool PLMediaTransfer::isAllowedAddress(const QUrl& url, const Limits& limits, const QUrl& from) {
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return true;
    return scheme == QLatin1String("http") && limits.allowPlainHttp &&
           from.scheme().toLower() != QLatin1String("https");
}

PLMediaTransfer::PLMediaTransfer(const QUrl& url, const QString& path, const Limits& limits,
                                 std::shared_ptr<std::atomic_bool> cancelled)
    : m_url(url), m_path(path), m_limits(limits), m_cancelled(std::move(cancelled)), m_lastHop(url) {}

PLMediaTransfer::~PLMediaTransfer() {
    dropRequest();
    // An uncommitted save file takes its temporary file with it.
    m_file.reset();
}

void PLMediaTransfer::start() {
    Q_ASSERT(QThread::currentThread() == thread());
    m_clock.start();
    platform::HttpGet::trustHostCertificates(m_common);
    m_common.maxInterimBytes = m_limits.maxInterimBytes;
    // A bound of no length checks nothing: a timer of no interval would wake the thread without pause.
    if (m_limits.rateWindowMs > 0) {
        m_rateTimer = new QTimer(this);
        connect(m_rateTimer, &QTimer::timeout, this, &PLMediaTransfer::checkRate);
        m_rateTimer->start(m_limits.rateWindowMs);
    }
    if (m_limits.silenceMs > 0) {
        m_silenceTimer = new QTimer(this);
        m_silenceTimer->setSingleShot(true);
        connect(m_silenceTimer, &QTimer::timeout, this, [this] {
            qCInfo(lcMediaTransfer) << "media download silent for" << m_limits.silenceMs << "ms";
            fail(QStringLiteral("the server fell silent"));
        });
    }
    ask(m_url);
}

// One request per hop, each on a connection of its own.
void PLMediaTransfer::ask(const QUrl& url) {
    dropRequest();
    platform::HttpGet::Request request = m_common;
    request.url = url;
    const auto proxy = proxyFor(url, request.tunnelThroughProxy);
    if (!proxy)
        return fail(QStringLiteral("no proxy the host set can carry this address"));
    request.proxy = *proxy;
    request.timeoutMs = qMax<qint64>(1, m_limits.totalMs() - m_clock.elapsed());
    auto* get = new platform::HttpGet(std::move(request), this);
    m_request = get;
    get->onHead = [this](const platform::HttpGet::Head& head) { return takeHead(head); };
    get->onBody = [this](const char* data, qsizetype size) { return takeBody(data, size); };
    get->onProgress = [this](qint64 received) {
        m_received = received;
        reportProgress();
    };
    connect(get, &platform::HttpGet::finished, this, &PLMediaTransfer::requestEnded);
    silenceFromNow();
    get->start();
}

// The final answer's head decides before any of its body is read: only a 200 within the cap is kept;
// a redirect is followed once its request has ended.
bool PLMediaTransfer::takeHead(const platform::HttpGet::Head& head) {
    if (m_ended || isCancelled())
        return false;
    silenceFromNow();
    if (head.status >= 300 && head.status < 400)
        return followRedirect(head);
    if (head.status != 200) {
        qCInfo(lcMediaTransfer) << "media download answered with status" << head.status;
        fail(QStringLiteral("the server answered with status %1").arg(head.status));
        return false;
    }
    // A coded body's length is what travels, not the file: that one is counted as it is decoded.
    if (!head.coded && head.contentLength > m_limits.maxBytes) {
        qCInfo(lcMediaTransfer) << "media download declares" << head.contentLength << "bytes, over the cap of"
                                << m_limits.maxBytes;
        fail(QStringLiteral("the file is larger than the %1 bytes allowed").arg(m_limits.maxBytes));
        return false;
    }
    m_expected = head.contentLength;
    m_file = std::make_unique<QSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        qCWarning(lcMediaTransfer) << "a download's file cannot be made:" << m_file->errorString();
        fail(QStringLiteral("the file cannot be written"));
        return false;
    }
    return true;
}

// Each hop names a host over http(s), never steps down from https to http, uses plain http only
// where the limits allow it, and there are at most maxRedirects of them. A relative place to go is
// resolved against the hop that answered, its escapes kept as they came.
bool PLMediaTransfer::followRedirect(const platform::HttpGet::Head& head) {
    const QUrl location = QUrl::fromEncoded(head.location);
    const int status = head.status;
    const bool leadsOn = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    if (!leadsOn || head.location.isEmpty() || !location.isValid()) {
        qCInfo(lcMediaTransfer) << "media download answered with status" << status << "and no place to go";
        fail(QStringLiteral("a redirect that leads nowhere"));
        return false;
    }
    if (m_redirects >= m_limits.maxRedirects) {
        qCInfo(lcMediaTransfer) << "media download redirected more than" << m_limits.maxRedirects << "times";
        fail(QStringLiteral("more than %1 redirects").arg(m_limits.maxRedirects));
        return false;
    }
    const QUrl target = m_lastHop.resolved(location);
    if (!isAllowedAddress(target, m_limits, m_lastHop)) {
        fail(QStringLiteral("a redirect to an address that is not allowed"));
        return false;
    }
    ++m_redirects;
    m_lastHop = target;
    // The redirect's body is nothing of ours: its request ends here, unread.
    m_nextHop = target;
    return false;
}

bool PLMediaTransfer::takeBody(const char* data, qsizetype size) {
    if (m_ended || !m_file)
        return false;
    if (isCancelled()) {
        fail(QStringLiteral("cancelled"));
        return false;
    }
    silenceFromNow();
    if (m_written + size > m_limits.maxBytes) {
        qCInfo(lcMediaTransfer) << "media download went past the cap of" << m_limits.maxBytes;
        fail(QStringLiteral("the file is larger than the %1 bytes allowed").arg(m_limits.maxBytes));
        return false;
    }
    if (m_file->write(data, size) != size) {
        qCWarning(lcMediaTransfer) << "a download's file cannot be written:" << m_file->errorString();
        fail(QStringLiteral("the file cannot be written"));
        return false;
    }
    m_written += size;
    writeBack();
    return true;
}

// The file goes to the disk as it comes, so that the sync before it takes its place has little left to
// write: a large download otherwise waits there for all of it at once.
void PLMediaTransfer::writeBack() {
#ifdef Q_OS_LINUX
    if (m_written - m_writtenBack < kWriteBackStepBytes || !m_file->flush())
        return;
    ::sync_file_range(m_file->handle(), m_writtenBack, m_written - m_writtenBack, SYNC_FILE_RANGE_WRITE);
    m_writtenBack = m_written;
#endif
}

void PLMediaTransfer::requestEnded(bool complete, const QString& error) {
    if (m_ended)
        return;
    if (!m_nextHop.isEmpty()) {
        const QUrl next = std::exchange(m_nextHop, QUrl());
        return ask(next);
    }
    if (!complete) {
        qCInfo(lcMediaTransfer) << "media download failed:" << error;
        return fail(error);
    }
    finish();
}

void PLMediaTransfer::reportProgress() {
    if (m_ended || !m_file || m_expected <= 0 || m_received <= m_lastReported)
        return;
    const qint64 step = qMax<qint64>(1, m_expected / kProgressSteps);
    if (m_received - m_lastReported < step && m_received != m_expected)
        return;
    m_lastReported = m_received;
    emit progressed(m_received, m_expected);
}

void PLMediaTransfer::finish() {
    if (m_ended)
        return;
    if (!m_file)
        return fail(QStringLiteral("no final answer"));
    if (isCancelled())
        return fail(QStringLiteral("cancelled"));
    if (m_request)
        m_received = m_request->bodyBytes();
    reportProgress();
    dropRequest();
    stopTimers();
    // Written and synced before it takes the target's place, so the file is whole or absent.
    if (!m_file->commit()) {
        qCWarning(lcMediaTransfer) << "a downloaded file could not be written:" << m_file->errorString();
        return fail(QStringLiteral("the file cannot be written"));
    }
    m_file.reset();
    m_ended = true;
    emit ended(true, QString());
}

void PLMediaTransfer::dropRequest() {
    if (platform::HttpGet* request = m_request.data()) {
        m_request.clear();
        request->disconnect(this);
        request->abort();
        // It may be calling us right now: it goes once it has returned.
        request->deleteLater();
    }
}

// Silence counts from now: a hop was asked, or its peer was heard from.
void PLMediaTransfer::silenceFromNow() {
    if (m_silenceTimer)
        m_silenceTimer->start(m_limits.silenceMs);
}

void PLMediaTransfer::stopTimers() {
    if (m_rateTimer)
        m_rateTimer->stop();
    if (m_silenceTimer)
        m_silenceTimer->stop();
}

// Each window brings its share, or the rest of a body of known length.
void PLMediaTransfer::checkRate() {
    if (m_ended)
        return;
    if (m_request)
        m_received = m_request->bodyBytes();
    const qint64 share = m_limits.minBytesPerSecond * m_limits.rateWindowMs / 1000;
    const qint64 rest =
        m_expected >= 0 ? m_expected - m_receivedAtWindowStart : std::numeric_limits<qint64>::max();
    if (m_received - m_receivedAtWindowStart < qMin(share, rest)) {
        qCInfo(lcMediaTransfer) << "media download too slow:" << m_received - m_receivedAtWindowStart
                                << "bytes in" << m_limits.rateWindowMs << "ms";
        return fail(QStringLiteral("the download was slower than the minimum rate"));
    }
    m_receivedAtWindowStart = m_received;
}

void PLMediaTransfer::fail(const QString& why) {
    if (m_ended)
        return;
    m_ended = true;
    qCDebug(lcMediaTransfer) << "media download ends:" << why;
    stopTimers();
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
    dropRequest();
    emit ended(false, why);
}

} // namespace pelnix
