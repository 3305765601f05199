#include "core/api/PLAPIService.h"

#include "foundation/PLReachabilityResponder.h"
#include "foundation/StringAdditions.h"
#include "platform/CutShortReply.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>
#include <QThreadStorage>
#include <QUrl>

namespace pelnix {

namespace {

Q_LOGGING_CATEGORY(lcRequests, "pelnix.api.requests", QtWarningMsg)

QMutex g_credentialsMutex;
std::function<PLAccountCredentials()> g_credentialsSource;

// One network manager per thread that sends requests. The main thread's goes with the application
// object; a worker thread's goes when the thread ends.
QNetworkAccessManager* managerForCurrentThread() {
    auto* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread()) {
        static QPointer<QNetworkAccessManager> mainManager;
        if (!mainManager)
            mainManager = new QNetworkAccessManager(app);
        return mainManager;
    }
    static QThreadStorage<QNetworkAccessManager*> managers;
    if (!managers.hasLocalData())
        managers.setLocalData(new QNetworkAccessManager);
    return managers.localData();
}

QNetworkReply* send(QNetworkAccessManager* manager, const QNetworkRequest& request, int type,
                    const QByteArray& body) {
    switch (type) {
    case PLAPIService::Post:
        return manager->post(request, body);
    case PLAPIService::Delete:
        return manager->deleteResource(request);
    default:
        return manager->get(request);
    }
}

} // namespace

PLAPIService::PLAPIService(QObject* parent) : QObject(parent) {}

PLAPIService::~PLAPIService() {
    cancel();
}

QString PLAPIService::acceptMediaType() {
    return QStringLiteral("application/vnd.tavrix.privatechat-v1+json");
}

QString PLAPIService::formContentType() {
    return QStringLiteral("application/x-www-form-urlencoded; charset=utf-8");
}

void PLAPIService::setAccountCredentialsSource(std::function<PLAccountCredentials()> source) {
    QMutexLocker lock(&g_credentialsMutex);
    g_credentialsSource = std::move(source);
}

PLAccountCredentials PLAPIService::accountCredentials() {
    std::function<PLAccountCredentials()> source;
    {
        // Called outside the lock: a source may read the credentials again, or wait for a thread
        // that does.
        QMutexLocker lock(&g_credentialsMutex);
        source = g_credentialsSource;
    }
    return source ? source() : PLAccountCredentials();
}

QString PLAPIService::authValue() {
    const PLAccountCredentials credentials = accountCredentials();
    return QStringLiteral("Tavrix %1:%2:echat").arg(credentials.userID).arg(credentials.tavrixToken);
}

QString PLAPIService::parametersString() const {
    QStringList pairs;
    for (const auto& [key, value] : parameters())
        pairs << StringAdditions::PL_stringByReplacingPercentEscapesUsingEncoding(key) + QLatin1Char('=') +
                     StringAdditions::PL_stringByReplacingPercentEscapesUsingEncoding(value);
    return pairs.join(QLatin1Char('&'));
}

QNetworkRequest PLAPIService::urlRequest(QByteArray* body) const {
    QString urlText = targetURLString();
    const QString parameterText = parametersString();
    const int type = serviceType();
    if (type == Get && !parameterText.isEmpty()) {
        if (!urlText.endsWith(QLatin1Char('?')))
            urlText += QLatin1Char('&');
        urlText += parameterText;
    }
    // The text is already escaped: keep it byte for byte.
    const QUrl url = QUrl::fromEncoded(urlText.toUtf8(), QUrl::StrictMode);
    if (urlText.isEmpty() || !url.isValid() || url.scheme().isEmpty())
        return QNetworkRequest();
    QNetworkRequest request(url);
    request.setTransferTimeout(int(timeoutInterval() * 1000));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferNetwork);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    if (type == Post && body)
        *body = parameterText.toUtf8();
    if (!isPublicAPI()) {
        request.setRawHeader("Accept", acceptMediaType().toUtf8());
        request.setRawHeader("Authorization", authValue().toUtf8());
    }
    request.setRawHeader("Content-Type", formContentType().toUtf8());
    for (const auto& [name, value] : additionalHeaders())
        request.setRawHeader(name, value);
    return request;
}

bool PLAPIService::isNetworkReachable() {
    return PLReachabilityResponder::sharedInstance()->isReachable();
}

bool PLAPIService::isTransportFailure(QNetworkReply::NetworkError error, int httpStatus) {
    if (error == QNetworkReply::NoError)
        return false;
    if (httpStatus < 400)
        return true;
    // After an error status line Qt reports the status itself as the error: mostly in the content
    // (2xx) and server (4xx) ranges, but 400 and 418 as an invalid protocol operation and 407 as a
    // proxy demanding authentication. Any other error (refused, dropped or timed-out connection,
    // malformed reply) means the body did not arrive whole.
    const int code = int(error);
    if ((code > 200 && code < 300) || (code > 400 && code < 500))
        return false;
    if (error == QNetworkReply::ProtocolInvalidOperationError)
        return false;
    if (error == QNetworkReply::ProxyAuthenticationRequiredError && httpStatus == 407)
        return false;
    return true;
}

namespace {
// The refusal object of either envelope, or an empty object.
QJsonObject refusalIn(const QByteArray& body) {
    const QJsonObject top = QJsonDocument::fromJson(body).object();
    if (top.contains(QStringLiteral("error")))
        return top;
    const QJsonValue response = top.value(QStringLiteral("response"));
    if (response.isObject() && response.toObject().contains(QStringLiteral("error")))
        return response.toObject();
    return {};
}
} // namespace

bool PLAPIService::isServiceRefusal(const QByteArray& body) {
    return !refusalIn(body).isEmpty();
}

QString PLAPIService::serviceRefusalMessage(const QByteArray& body) {
    const QJsonObject refusal = refusalIn(body);
    const QJsonValue error = refusal.value(QStringLiteral("error"));
    if (error.isObject())
        return error.toObject().value(QStringLiteral("msg")).toString();
    return refusal.value(QStringLiteral("reason")).toString();
}

PLOptionalError PLAPIService::errorForReply(QNetworkReply* reply, const QByteArray& body) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const auto networkError = reply->error();
    if (isTransportFailure(networkError, status))
        return PLError(QStringLiteral("PLNetworkErrorDomain"), qint64(networkError), reply->errorString());
    if (platform::isCutShort(reply, body.size()))
        return cutShortError();
    if (status >= 400 && !isServiceRefusal(body))
        return PLError(QStringLiteral("PLHTTPErrorDomain"), status,
                       QStringLiteral("The server answered with status %1.").arg(status));
    return std::nullopt;
}

PLError PLAPIService::cutShortError() {
    return PLError(QStringLiteral("PLNetworkErrorDomain"), qint64(QNetworkReply::RemoteHostClosedError),
                   QStringLiteral("The connection closed before the whole answer arrived."));
}

// The address is no URL (a configuration whose base and path do not join into one): the request
// fails as one the network refused, and the log names the request, not its address (which may carry
// a query).
PLError PLAPIService::unformedAddressError() const {
    qCWarning(lcRequests).noquote()
        << QStringLiteral("%1: the request's address cannot be formed from the configuration (check the "
                          "host URL)")
               .arg(QString::fromLatin1(metaObject()->className()));
    return PLError(QStringLiteral("PLNetworkErrorDomain"), qint64(QNetworkReply::ProtocolUnknownError),
                   QStringLiteral("The request's address cannot be formed."));
}

bool PLAPIService::startServiceWithCompletionHandler(PLServiceCompletionHandler completion,
                                                     PLProgressHandler progress) {
    if (!isNetworkReachable())
        return false;
    QByteArray body;
    const QNetworkRequest request = urlRequest(&body);
    cancel();
    if (request.url().isEmpty()) {
        // Called back from the event loop, as every answer is, unless cancelled first.
        QMetaObject::invokeMethod(
            this,
            [this, attempt = m_cancellations, completion = std::move(completion),
             error = unformedAddressError()] {
                if (completion && attempt == m_cancellations)
                    completion(QByteArray(), error);
            },
            Qt::QueuedConnection);
        return true;
    }
    QNetworkReply* reply = send(managerForCurrentThread(), request, serviceType(), body);
    if (!reply)
        return false;
    m_reply = reply;
    m_progress = std::move(progress);
    if (m_progress) {
        // Qt reports the last bytes after the reply has finished; a cancelled reply reports nothing.
        connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
            if (m_progress && m_reply == reply && received > 0 && total >= 1)
                m_progress(double(received) / double(total));
        });
    }
    // Finished is always emitted from the event loop, so the completion never runs before this
    // start call has returned.
    connect(reply, &QNetworkReply::finished, this, [this, reply, completion = std::move(completion)] {
        if (m_reply != reply)
            return; // cancelled or replaced
        m_reply = nullptr;
        m_progress = nullptr;
        const QByteArray data = reply->readAll();
        const PLOptionalError error = errorForReply(reply, data);
        reply->deleteLater();
        if (completion)
            completion(data, error);
    });
    return true;
}

bool PLAPIService::startSynchrousServiceWithCompletionHandler(const PLServiceCompletionHandler& completion) {
    if (!isNetworkReachable())
        return false;
    QByteArray body;
    const QNetworkRequest request = urlRequest(&body);
    if (request.url().isEmpty()) {
        const PLError error = unformedAddressError();
        if (completion)
            completion(QByteArray(), error);
        return true;
    }
    const int type = serviceType();
    QByteArray data;
    PLOptionalError error;
    // A helper thread with its own manager and loop: the calling thread (possibly the main thread)
    // waits without spinning a nested event loop of its own.
    std::unique_ptr<QThread> worker(QThread::create([&] {
        QNetworkAccessManager manager;
        QEventLoop loop;
        QNetworkReply* reply = send(&manager, request, type, body);
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (reply->isRunning())
            loop.exec();
        data = reply->readAll();
        error = errorForReply(reply, data);
        delete reply;
    }));
    worker->start();
    worker->wait();
    if (completion)
        completion(data, error);
    return true;
}

void PLAPIService::cancel() {
    ++m_cancellations;
    m_progress = nullptr;
    if (QNetworkReply* reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace pelnix
