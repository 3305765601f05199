#include "ui/conversation/PLMediaTransfer.h"

#include "ui/conversation/ConversationMediaLog.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QThread>
#include <QTimer>
#include <limits>

namespace pelnix {

namespace {
// What Qt may hold for us between two reads, and what one read takes.
constexpr qint64 kReadBufferBytes = 256 * 1024;
constexpr qint64 kChunkBytes = 64 * 1024;
// The progress bar is a few hundred points wide: finer steps would not be seen, and a large body
// would flood the main thread with notifications.
constexpr qint64 kProgressSteps = 400;
} // namespace

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
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
    // An uncommitted save file takes its temporary file with it.
    m_file.reset();
}

void PLMediaTransfer::start() {
    Q_ASSERT(QThread::currentThread() == thread());
    m_network = new QNetworkAccessManager(this);
    m_rateTimer = new QTimer(this);
    connect(m_rateTimer, &QTimer::timeout, this, &PLMediaTransfer::checkRate);
    m_rateTimer->start(m_limits.rateWindowMs);
    ask(m_url);
}

// Redirects are followed here, one request per hop, rather than by Qt: its own following sends a hop
// on a connection the previous answer closed, and after the second hop ends with no answer at all.
void PLMediaTransfer::ask(const QUrl& url) {
    QNetworkRequest request(url);
    request.setTransferTimeout(m_limits.silenceMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    m_reply = m_network->get(request);
    m_reply->setReadBufferSize(kReadBufferBytes);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &PLMediaTransfer::headersArrived);
    connect(m_reply, &QNetworkReply::readyRead, this, &PLMediaTransfer::bodyArrived);
    connect(m_reply, &QNetworkReply::finished, this, &PLMediaTransfer::replyFinished);
}

bool PLMediaTransfer::isRedirectStatus() const {
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 300 && status < 400;
}

// An interim answer (1xx) is followed by the real one; before any head Qt reports the 100 it starts
// from.
bool PLMediaTransfer::isInterimStatus() const {
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status < 200;
}

// Each hop names a host over http(s), never steps down from https to http, uses plain http only
// where the limits allow it, and there are at most maxRedirects of them.
void PLMediaTransfer::followRedirect() {
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QUrl location = m_reply->header(QNetworkRequest::LocationHeader).toUrl();
    const bool leadsOn = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    if (!leadsOn || !location.isValid() || location.isEmpty()) {
        qCInfo(lcConversationMedia) << "media download answered with status" << status
                                    << "and no place to go";
        return fail("a redirect that leads nowhere");
    }
    if (m_redirects >= m_limits.maxRedirects) {
        qCInfo(lcConversationMedia) << "media download redirected more than" << m_limits.maxRedirects
                                    << "times";
        return fail("too many redirects");
    }
    const QUrl target = m_lastHop.resolved(location);
    if (!isAllowedAddress(target, m_limits, m_lastHop))
        return fail("a redirect to an address that is not allowed");
    ++m_redirects;
    m_lastHop = target;
    m_reply->disconnect(this);
    m_reply->deleteLater();
    ask(target);
}

// The final answer's head decides before any of its body is read: only a 200 within the cap is kept.
void PLMediaTransfer::headersArrived() {
    if (m_ended || m_file || isRedirectStatus() || isInterimStatus())
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200) {
        qCInfo(lcConversationMedia) << "media download answered with status" << status;
        return fail("a status other than 200");
    }
    bool known = false;
    const qint64 declared = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && declared > m_limits.maxBytes) {
        qCInfo(lcConversationMedia) << "media download declares" << declared << "bytes, over the cap of"
                                    << m_limits.maxBytes;
        return fail("a declared length over the cap");
    }
    m_expected = known ? declared : -1;
    m_file = std::make_unique<QSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        qCWarning(lcConversationMedia) << "a download's file cannot be made:" << m_file->errorString();
        return fail("an unwritable file");
    }
}

void PLMediaTransfer::bodyArrived() {
    if (m_ended)
        return;
    if (isCancelled())
        return fail("cancelled");
    if (isRedirectStatus()) {
        // A redirect's own body is nothing of ours.
        m_reply->skip(m_reply->bytesAvailable());
        return;
    }
    headersArrived();
    // Without a final head yet the bytes wait for it.
    if (!m_ended && m_file)
        writeAvailable();
}

bool PLMediaTransfer::writeAvailable() {
    while (!m_ended && m_reply->bytesAvailable() > 0) {
        const QByteArray chunk = m_reply->read(qMin(m_reply->bytesAvailable(), kChunkBytes));
        if (m_received + chunk.size() > m_limits.maxBytes) {
            qCInfo(lcConversationMedia) << "media download went past the cap of" << m_limits.maxBytes;
            fail("a body longer than the cap");
            return false;
        }
        if (m_file->write(chunk) != chunk.size()) {
            qCWarning(lcConversationMedia) << "a download's file cannot be written:" << m_file->errorString();
            fail("an unwritable file");
            return false;
        }
        m_received += chunk.size();
        reportProgress();
    }
    return !m_ended;
}

void PLMediaTransfer::reportProgress() {
    if (m_expected <= 0 || m_received <= m_lastReported)
        return;
    const qint64 step = qMax<qint64>(1, m_expected / kProgressSteps);
    if (m_received - m_lastReported < step && m_received != m_expected)
        return;
    m_lastReported = m_received;
    emit progressed(m_received, m_expected);
}

void PLMediaTransfer::replyFinished() {
    if (m_ended)
        return;
    if (m_reply->error() == QNetworkReply::NoError && isRedirectStatus())
        return followRedirect();
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_reply->error() != QNetworkReply::NoError || status != 200) {
        qCInfo(lcConversationMedia) << "media download failed:" << status << m_reply->error();
        return fail("a transport error or a status other than 200");
    }
    headersArrived();
    if (m_ended)
        return;
    if (!m_file)
        return fail("no final answer");
    if (!writeAvailable())
        return;
    // A connection closed before the announced length is a cut body, not a file.
    if (m_expected >= 0 && m_received != m_expected) {
        qCInfo(lcConversationMedia) << "media download cut short:" << m_received << "of" << m_expected;
        return fail("a body shorter than announced");
    }
    if (isCancelled())
        return fail("cancelled");
    m_rateTimer->stop();
    // Written and synced before it takes the target's place, so the file is whole or absent.
    if (!m_file->commit()) {
        qCWarning(lcConversationMedia) << "a downloaded file could not be written:" << m_file->errorString();
        return fail("an unwritable file");
    }
    m_file.reset();
    m_reply->deleteLater();
    m_reply = nullptr;
    m_ended = true;
    emit ended(true);
}

// Each window brings its share, or the rest of a body of known length.
void PLMediaTransfer::checkRate() {
    if (m_ended)
        return;
    const qint64 share = m_limits.minBytesPerSecond * m_limits.rateWindowMs / 1000;
    const qint64 rest =
        m_expected >= 0 ? m_expected - m_receivedAtWindowStart : std::numeric_limits<qint64>::max();
    if (m_received - m_receivedAtWindowStart < qMin(share, rest)) {
        qCInfo(lcConversationMedia) << "media download too slow:" << m_received - m_receivedAtWindowStart
                                    << "bytes in" << m_limits.rateWindowMs << "ms";
        return fail("slower than the minimum rate");
    }
    m_receivedAtWindowStart = m_received;
}

void PLMediaTransfer::fail(const char* why) {
    if (m_ended)
        return;
    m_ended = true;
    qCDebug(lcConversationMedia) << "media download ends:" << why;
    if (m_rateTimer)
        m_rateTimer->stop();
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
    if (m_reply) {
        // Aborted once Qt is done with the signal that brought us here: an abort from inside its
        // handling of a head would report the error twice.
        m_reply->disconnect(this);
        QMetaObject::invokeMethod(m_reply, &QNetworkReply::abort, Qt::QueuedConnection);
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    emit ended(false);
}

} // namespace pelnix
