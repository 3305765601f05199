#include "BoundedFetcher.h"

#include "platform/CutShortReply.h"
#include "platform/Log.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>

namespace pelnix::platform {

Q_LOGGING_CATEGORY(lcBoundedFetch, "pelnix.network.bounded", QtWarningMsg)

namespace {

constexpr qint64 kReadBufferBytes = 256 * 1024;

int defaultPort(const QString& scheme) {
    return scheme == QLatin1String("https") ? 443 : 80;
}

// Appends what has arrived, up to one byte past the bound. Asked for no more than is there: a read
// of the whole bound would allocate it, and an empty body would keep that allocation as its own.
void takeAvailable(QNetworkReply* reply, QByteArray& body, qint64 maxBytes) {
    const qint64 wanted = qMin(reply->bytesAvailable(), maxBytes + 1 - body.size());
    if (wanted > 0)
        body += reply->read(wanted);
}

} // namespace

BoundedFetcher::BoundedFetcher(QObject* parent) : QObject(parent) {}

BoundedFetcher::~BoundedFetcher() {
    for (const quint64 id : m_open.keys())
        abort(id);
}

void BoundedFetcher::setNetworkAccessManager(QNetworkAccessManager* network) {
    Q_ASSERT(QThread::currentThread() == thread());
    m_network = network;
}

bool BoundedFetcher::isAllowedRedirect(const QUrl& from, const QUrl& to) {
    const QString scheme = to.scheme().toLower();
    const QString fromScheme = from.scheme().toLower();
    if (!to.isValid() || to.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        to.host().compare(from.host(), Qt::CaseInsensitive) != 0)
        return false;
    if (scheme == fromScheme)
        return to.port(defaultPort(scheme)) == from.port(defaultPort(fromScheme));
    // A server that moves its plain address to https on the same host; never the other way.
    return fromScheme == QLatin1String("http") && to.port(443) == 443;
}

void BoundedFetcher::get(quint64 id, QNetworkRequest request, qint64 maxBytes, Done done) {
    Q_ASSERT(QThread::currentThread() == thread());
    Q_ASSERT(!m_open.contains(id));
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaximumRedirects);
    const QUrl origin = request.url();
    QNetworkReply* reply = m_network->get(request);
    // Qt stops reading the socket once this much waits unread, so it holds little beside the body.
    reply->setReadBufferSize(qMin(maxBytes + 1, kReadBufferBytes));
    m_open.insert(id, Open{reply, std::move(done), {}, maxBytes, {}, false});

    connect(reply, &QNetworkReply::redirected, this, [this, id, origin](const QUrl& target) {
        const auto open = m_open.constFind(id);
        if (open == m_open.constEnd())
            return;
        if (isAllowedRedirect(origin, target))
            emit open->reply->redirectAllowed();
        else
            refuse(id, QStringLiteral("redirected away from its server"));
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, id] {
        const auto open = m_open.constFind(id);
        if (open == m_open.constEnd())
            return;
        bool known = false;
        const qint64 declared = open->reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && declared > open->maxBytes)
            refuse(
                id,
                QStringLiteral("declared %1 bytes, over the bound of %2").arg(declared).arg(open->maxBytes));
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, id] { take(id); });
    connect(reply, &QNetworkReply::finished, this, [this, id] { finish(id); });
}

void BoundedFetcher::abort(quint64 id) {
    const auto open = m_open.find(id);
    if (open == m_open.end())
        return;
    open->cancelled = true;
    stop(id);
}

void BoundedFetcher::take(quint64 id) {
    const auto open = m_open.find(id);
    if (open == m_open.end() || !open->refusal.isEmpty() || open->cancelled)
        return;
    takeAvailable(open->reply, open->body, open->maxBytes);
    if (open->body.size() > open->maxBytes)
        refuse(id, QStringLiteral("longer than the bound of %1 bytes").arg(open->maxBytes));
}

void BoundedFetcher::refuse(quint64 id, const QString& why) {
    const auto open = m_open.find(id);
    if (open == m_open.end() || !open->refusal.isEmpty())
        return;
    open->refusal = why;
    stop(id);
}

void BoundedFetcher::stop(quint64 id) {
    // Aborting finishes the reply at once, which answers and forgets the request; a reply that had
    // already finished is answered here.
    QNetworkReply* reply = m_open.value(id).reply;
    if (reply)
        reply->abort();
    if (m_open.contains(id))
        finish(id);
}

void BoundedFetcher::finish(quint64 id) {
    const auto found = m_open.find(id);
    if (found == m_open.end())
        return;
    Open open = std::move(*found);
    m_open.erase(found);
    QNetworkReply* reply = open.reply;
    reply->disconnect(this);
    reply->deleteLater();

    Answer answer;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!open.refusal.isEmpty()) {
        answer.outcome = Answer::Outcome::Refused;
        answer.reason = open.refusal;
    } else if (open.cancelled) {
        answer.outcome = Answer::Outcome::Cancelled;
        answer.reason = QStringLiteral("cancelled");
    } else if (reply->error() != QNetworkReply::NoError) {
        // Not Qt's description: it names the whole address, query included.
        answer.reason = QStringLiteral("network error %1").arg(int(reply->error()));
    } else {
        // What arrived with the end of the answer counts against the bound like the rest.
        takeAvailable(reply, open.body, open.maxBytes);
        if (open.body.size() > open.maxBytes) {
            answer.outcome = Answer::Outcome::Refused;
            answer.reason = QStringLiteral("longer than the bound of %1 bytes").arg(open.maxBytes);
        } else if (isCutShort(reply, open.body.size())) {
            answer.reason = QStringLiteral("the connection closed before the whole answer arrived");
        } else {
            answer.outcome = Answer::Outcome::Received;
            answer.body = std::move(open.body);
        }
    }
    if (answer.outcome != Answer::Outcome::Received)
        qCDebug(lcBoundedFetch).noquote() << Log::address(reply->url()) << "gave no answer:" << answer.reason;
    if (open.done)
        open.done(answer);
}

} // namespace pelnix::platform
