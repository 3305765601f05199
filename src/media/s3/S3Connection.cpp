#include "media/s3/S3Connection.h"

#include "media/s3/S3ErrorHandler.h"
#include "media/s3/S3Logger.h"
#include "media/s3/S3SecretMask.h"
#include "media/s3/S3ServiceRequest.h"
#include "media/s3/S3ServiceResponse.h"
#include "media/s3/S3URLErrors.h"
#include "platform/CutShortReply.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QThread>
#include <cmath>

namespace pelnix {

namespace {

constexpr int kMaxRedirects = 10;

QPointer<QNetworkAccessManager>& threadManager() {
    thread_local QPointer<QNetworkAccessManager> manager;
    return manager;
}

} // namespace

void S3Connection::setNetworkAccessManager(QNetworkAccessManager* manager) {
    Q_ASSERT(!manager || manager->thread() == QThread::currentThread());
    threadManager() = manager;
}

QNetworkAccessManager* S3Connection::networkAccessManager() {
    QPointer<QNetworkAccessManager>& manager = threadManager();
    if (!manager) {
        manager = new QNetworkAccessManager;
        QThread* thread = QThread::currentThread();
        if (QCoreApplication::instance() && thread == QCoreApplication::instance()->thread())
            manager->setParent(QCoreApplication::instance());
        else
            QObject::connect(thread, &QThread::finished, manager.data(), &QObject::deleteLater);
    }
    return manager;
}

S3Connection::S3Connection(std::shared_ptr<S3ServiceRequest> request,
                           std::shared_ptr<S3ServiceResponse> response, double timeoutSeconds,
                           const QString& connectionHost)
    : m_request(std::move(request)), m_response(std::move(response)), m_connectionHost(connectionHost) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(std::chrono::milliseconds(qint64(std::llround(timeoutSeconds * 1000.0))));
    connect(&m_timer, &QTimer::timeout, this, &S3Connection::onTimeout);
}

S3Connection::~S3Connection() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void S3Connection::start() {
    m_request->setUrlConnection(this);
    m_timer.start();
    send(m_request->urlRequest().url());
}

void S3Connection::send(const QUrl& url) {
    const S3URLRequest& source = m_request->urlRequest();
    QUrl wire = url;
    if (!m_connectionHost.isEmpty())
        wire.setHost(m_connectionHost); // the Host header keeps the name the request was signed for
    QNetworkRequest request(wire);
    for (const auto& header : source.allHTTPHeaderFields())
        request.setRawHeader(header.first.toUtf8(), header.second.toUtf8());
    // HTTP/1.1 only: the explicit Host header must reach the server as set.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    if (source.timeoutInterval() > 0)
        request.setTransferTimeout(int(std::llround(source.timeoutInterval() * 1000.0)));

    QNetworkAccessManager* manager = networkAccessManager();
    const QByteArray method = source.httpMethod().toLatin1();
    QNetworkReply* reply = nullptr;
    if (auto stream = source.httpBodyStream()) {
        if (!stream->isSequential())
            stream->seek(0);
        reply = manager->sendCustomRequest(request, method, stream.get());
    } else if (method == "GET" && source.httpBody().isEmpty()) {
        reply = manager->get(request);
    } else {
        reply = manager->sendCustomRequest(request, method, source.httpBody());
    }
    m_reply = reply;
    m_lastSent = 0;
    m_received = 0;
    connect(reply, &QNetworkReply::metaDataChanged, this, &S3Connection::onMetaDataChanged);
    connect(reply, &QNetworkReply::readyRead, this, &S3Connection::onReadyRead);
    connect(reply, &QNetworkReply::uploadProgress, this, &S3Connection::onUploadProgress);
    connect(reply, &QNetworkReply::finished, this, &S3Connection::onFinished);
}

bool S3Connection::isFollowableRedirect() const {
    if (!m_reply || m_redirects >= kMaxRedirects)
        return false;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool redirectStatus =
        status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    return redirectStatus && !m_reply->rawHeader("Location").isEmpty();
}

void S3Connection::onMetaDataChanged() {
    if (!m_reply || m_responseDelivered)
        return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || isFollowableRedirect())
        return;
    m_responseDelivered = true;
    S3HeaderList headers;
    for (const auto& pair : m_reply->rawHeaderPairs())
        headers.append({QString::fromLatin1(pair.first), QString::fromUtf8(pair.second)});
    m_response->connectionDidReceiveResponse(status.toInt(), headers);
}

void S3Connection::onReadyRead() {
    if (!m_reply)
        return;
    if (!m_responseDelivered) {
        onMetaDataChanged();
        if (!m_responseDelivered)
            return; // a redirect's body is dropped
    }
    deliverBody();
}

bool S3Connection::deliverBody() {
    // Read no more than the response keeps (and one byte to tell there is more).
    const qint64 room = m_response->bodyRoom();
    const QByteArray data = room < 0 ? m_reply->readAll() : m_reply->read(room);
    m_received += data.size();
    if (!data.isEmpty())
        m_response->connectionDidReceiveData(data);
    if (m_response->bodyRoom() != 0)
        return false;
    // The rest of the body is not wanted: the transfer ends here and the answer is what was kept.
    abortTransfer();
    m_response->connectionDidFinishLoading();
    end();
    return true;
}

void S3Connection::onUploadProgress(qint64 sent, qint64 total) {
    if (sent <= m_lastSent)
        return;
    const qint64 delta = sent - m_lastSent;
    m_lastSent = sent;
    m_response->connectionDidSendBodyData(delta, sent, total);
}

void S3Connection::onFinished() {
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    reply->deleteLater();
    const QNetworkReply::NetworkError error = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool transportFailure =
        error != QNetworkReply::NoError && (!status.isValid() || !S3URLErrors::isHttpStatusError(error));

    if (!transportFailure && isFollowableRedirect()) {
        const QUrl original = m_request->urlRequest().url();
        const QUrl target = original.resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
        m_reply = nullptr;
        followRedirect(target);
        return;
    }
    m_reply = nullptr;
    if (transportFailure) {
        m_response->connectionDidFailWithError(S3URLErrors::errorFor(error, reply->errorString()));
    } else {
        if (!m_responseDelivered) {
            m_responseDelivered = true;
            S3HeaderList headers;
            for (const auto& pair : reply->rawHeaderPairs())
                headers.append({QString::fromLatin1(pair.first), QString::fromUtf8(pair.second)});
            m_response->connectionDidReceiveResponse(status.toInt(), headers);
        }
        m_reply = reply;
        if (deliverBody())
            return;
        m_reply = nullptr;
        if (platform::isCutShort(reply, m_received))
            m_response->connectionDidFailWithError(S3URLErrors::errorFor(
                QNetworkReply::RemoteHostClosedError,
                QStringLiteral("The connection closed before the whole answer arrived.")));
        else
            m_response->connectionDidFinishLoading();
    }
    end();
}

int S3Connection::portOf(const QUrl& url) {
    return url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
}

bool S3Connection::isSameServer(const QUrl& a, const QUrl& b) {
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && portOf(a) == portOf(b);
}

void S3Connection::followRedirect(const QUrl& location) {
    // A user name or password in the address would go out as credentials of the connection: the
    // request carries its own signature and nothing else.
    const QUrl target = location.adjusted(QUrl::RemoveUserInfo);
    const QUrl original = m_request->urlRequest().url();
    const S3SecretMask mask = m_response->secretMask();
    ++m_redirects;
    bool follow = false;
    if (m_redirectSigner) {
        // Signed anew for what it now asks, on this server or on another of the service's own.
        follow = m_redirectSigner(target);
    } else if (isSameServer(target, original)) {
        m_request->urlRequest().setValueForHTTPHeaderField(target.authority(QUrl::FullyEncoded),
                                                           QStringLiteral("Host"));
        follow = true;
    }
    // Only the server's origin of an address that is not followed is shown: its path and query are
    // the server's own text, in whatever encoding it chose. No address is shown with its query.
    const QString origin =
        mask.mask(target.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment).toString());
    S3Logger::logInfo(QStringLiteral("Redirect:"));
    S3Logger::logInfo(
        QStringLiteral("  New  URL: %1").arg(follow ? mask.mask(platform::Log::address(target)) : origin));
    S3Logger::logInfo(QStringLiteral("  Orig URL: %1").arg(mask.mask(platform::Log::address(original))));
    if (follow) {
        send(m_redirectSigner ? m_request->urlRequest().url() : target);
        return;
    }
    const QString text =
        QStringLiteral("The storage service redirected the request to %1, which is not one of its own "
                       "addresses for it; the request was not sent there.")
            .arg(origin);
    m_response->connectionDidFailWithError(
        PLError(QString::fromLatin1(S3ClientErrorDomain), -1, text, {{QStringLiteral("message"), text}}));
    end();
}

void S3Connection::onTimeout() {
    m_response->timeout();
    end();
}

void S3Connection::stopTimer() {
    m_timer.stop();
}

void S3Connection::abortTransfer() {
    if (QNetworkReply* reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void S3Connection::cancel() {
    abortTransfer();
    stopTimer();
    end();
}

void S3Connection::end() {
    if (m_ended)
        return;
    m_ended = true;
    m_timer.stop();
    emit ended();
    deleteLater();
}

} // namespace pelnix
