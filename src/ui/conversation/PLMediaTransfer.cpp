#include "ui/conversation/PLMediaTransfer.h"

#include "ui/conversation/ConversationMediaLog.h"

#include <QSaveFile>
#include <QSslSocket>
#include <QTcpSocket>
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
    dropConnection();
    // An uncommitted save file takes its temporary file with it.
    m_file.reset();
}

void PLMediaTransfer::start() {
    Q_ASSERT(QThread::currentThread() == thread());
    m_rateTimer = new QTimer(this);
    connect(m_rateTimer, &QTimer::timeout, this, &PLMediaTransfer::checkRate);
    m_rateTimer->start(m_limits.rateWindowMs);
    m_silenceTimer = new QTimer(this);
    m_silenceTimer->setSingleShot(true);
    connect(m_silenceTimer, &QTimer::timeout, this, [this] {
        qCInfo(lcConversationMedia) << "media download silent for" << m_limits.silenceMs << "ms";
        fail("silence");
    });
    ask(m_url);
}

// One connection per hop, closed by the server or by us once the answer is in: nothing is sent on a
// connection an earlier answer left behind.
void PLMediaTransfer::ask(const QUrl& url) {
    dropConnection();
    platform::HttpResponseReader::Bounds bounds;
    bounds.maxInterimBytes = qsizetype(m_limits.maxInterimBytes);
    m_reader = platform::HttpResponseReader(bounds);
    const bool secure = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    QAbstractSocket* socket = secure ? new QSslSocket(this) : new QTcpSocket(this);
    m_socket = socket;
    // Qt stops reading the connection once this much waits unread.
    socket->setReadBufferSize(kReadBufferBytes);
    connect(socket, &QAbstractSocket::readyRead, this, &PLMediaTransfer::readAnswer);
    connect(socket, &QAbstractSocket::disconnected, this, &PLMediaTransfer::connectionClosed);
    connect(socket, &QAbstractSocket::errorOccurred, this, &PLMediaTransfer::connectionFailed);
    m_silenceTimer->start(m_limits.silenceMs);
    const quint16 port = quint16(url.port(secure ? 443 : 80));
    if (auto* tls = qobject_cast<QSslSocket*>(socket)) {
        // The certificate is checked against the host as usual; any error ends the hop.
        connect(tls, &QSslSocket::encrypted, this, &PLMediaTransfer::sendRequest);
        tls->connectToHostEncrypted(url.host(), port);
    } else {
        connect(socket, &QAbstractSocket::connected, this, &PLMediaTransfer::sendRequest);
        socket->connectToHost(url.host(), port);
    }
}

void PLMediaTransfer::sendRequest() {
    if (m_ended || !m_socket)
        return;
    const QUrl& url = m_lastHop;
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    // No user or password of the address goes out; the body is asked for as it is stored.
    const QByteArray host = url.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1();
    m_socket->write("GET " + target + " HTTP/1.1\r\nHost: " + host +
                    "\r\nAccept: */*\r\nAccept-Encoding: identity\r\nConnection: close\r\n\r\n");
}

void PLMediaTransfer::readAnswer() {
    if (m_ended || !m_socket)
        return;
    if (isCancelled())
        return fail("cancelled");
    m_silenceTimer->start(m_limits.silenceMs);
    QByteArray body;
    while (!m_ended && m_socket) {
        switch (m_reader.next(body)) {
        case platform::HttpResponseReader::Step::NeedMore:
            if (m_socket->bytesAvailable() <= 0)
                return;
            m_reader.append(m_socket->read(qMin(m_socket->bytesAvailable(), kChunkBytes)));
            break;
        case platform::HttpResponseReader::Step::Head:
            if (m_reader.status() >= 300 && m_reader.status() < 400)
                return followRedirect();
            finalHead();
            break;
        case platform::HttpResponseReader::Step::Body:
            write(body);
            break;
        case platform::HttpResponseReader::Step::Done:
            return finish();
        case platform::HttpResponseReader::Step::Failed:
            qCInfo(lcConversationMedia) << "media download's answer refused:" << m_reader.error();
            return fail("an answer that cannot be read or is over a bound");
        }
    }
}

void PLMediaTransfer::connectionClosed() {
    if (m_ended)
        return;
    // What the connection still held is read before its end counts.
    if (m_socket && m_socket->bytesAvailable() > 0)
        readAnswer();
    if (m_ended)
        return;
    m_reader.close();
    readAnswer();
}

void PLMediaTransfer::connectionFailed(QAbstractSocket::SocketError error) {
    // The server closing the connection ends a body without length; disconnected() says so.
    if (m_ended || error == QAbstractSocket::RemoteHostClosedError)
        return;
    qCInfo(lcConversationMedia) << "media download failed:" << error
                                << (m_socket ? m_socket->errorString() : QString());
    fail("a transport error");
}

void PLMediaTransfer::dropConnection() {
    if (!m_socket)
        return;
    QAbstractSocket* socket = m_socket;
    m_socket.clear();
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

// Each hop names a host over http(s), never steps down from https to http, uses plain http only
// where the limits allow it, and there are at most maxRedirects of them. A relative place to go is
// resolved against the hop that answered, its escapes kept as they came.
void PLMediaTransfer::followRedirect() {
    const int status = m_reader.status();
    const QByteArray raw = m_reader.header("location");
    const QUrl location = QUrl::fromEncoded(raw);
    const bool leadsOn = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    if (!leadsOn || raw.isEmpty() || !location.isValid()) {
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
    // The redirect's body is nothing of ours: the connection goes with it, unread.
    ask(target);
}

// The final answer's head decides before any of its body is read: only a 200 within the cap is kept.
void PLMediaTransfer::finalHead() {
    const int status = m_reader.status();
    if (status != 200) {
        qCInfo(lcConversationMedia) << "media download answered with status" << status;
        return fail("a status other than 200");
    }
    const qint64 declared = m_reader.contentLength();
    if (declared > m_limits.maxBytes) {
        qCInfo(lcConversationMedia) << "media download declares" << declared << "bytes, over the cap of"
                                    << m_limits.maxBytes;
        return fail("a declared length over the cap");
    }
    m_expected = declared;
    m_file = std::make_unique<QSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        qCWarning(lcConversationMedia) << "a download's file cannot be made:" << m_file->errorString();
        return fail("an unwritable file");
    }
}

bool PLMediaTransfer::write(const QByteArray& chunk) {
    if (m_ended || !m_file)
        return false;
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
    return true;
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

void PLMediaTransfer::finish() {
    if (m_ended)
        return;
    if (!m_file)
        return fail("no final answer");
    if (isCancelled())
        return fail("cancelled");
    dropConnection();
    m_rateTimer->stop();
    m_silenceTimer->stop();
    // Written and synced before it takes the target's place, so the file is whole or absent.
    if (!m_file->commit()) {
        qCWarning(lcConversationMedia) << "a downloaded file could not be written:" << m_file->errorString();
        return fail("an unwritable file");
    }
    m_file.reset();
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
    if (m_silenceTimer)
        m_silenceTimer->stop();
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
    dropConnection();
    emit ended(false);
}

} // namespace pelnix
