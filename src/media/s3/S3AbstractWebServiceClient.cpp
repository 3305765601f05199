#include "media/s3/S3AbstractWebServiceClient.h"

#include "media/s3/S3Connection.h"
#include "media/s3/S3ErrorHandler.h"
#include "media/s3/S3Logger.h"
#include "media/s3/S3RequestDelegate.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3ServiceException.h"
#include "media/s3/S3ServiceRequest.h"
#include "media/s3/S3StaticCredentialsProvider.h"
#include "media/s3/S3URLErrors.h"
#include "platform/Log.h"

#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <algorithm>
#include <cmath>

namespace pelnix {

namespace {

const QString kContentType = QStringLiteral("Content-Type");
const QString kFormContentType = QStringLiteral("application/x-www-form-urlencoded; charset=utf-8");

// The body is form-encoded: say so once. Adding the type again on every attempt would send a
// repeated, unreadable Content-Type after the first retry.
void addFormContentType(S3URLRequest& url) {
    const QString current = url.valueForHTTPHeaderField(kContentType);
    if (current.isEmpty())
        url.setValueForHTTPHeaderField(kFormContentType, kContentType);
    else if (!current.contains(kFormContentType))
        url.setValueForHTTPHeaderField(current + QLatin1Char(',') + kFormContentType, kContentType);
}

// The exception the attempt failed with as the retry policy weighs it: the one the collector heard, or,
// while exceptions are off, the one behind the error it heard instead. Whether a refusal is retried
// must not depend on how it is reported.
S3ExceptionPtr heardException(const S3RequestDelegate& collector) {
    if (collector.exception())
        return collector.exception();
    if (collector.error())
        return collector.error()->userInfo.value(QStringLiteral("exception")).value<S3ExceptionPtr>();
    return nullptr;
}

// The request must not keep pointing at a collector of this call once the call returns (or raises).
class CollectorRelease {
public:
    CollectorRelease(S3ServiceRequest& request, const std::unique_ptr<S3RequestDelegate>& collector)
        : m_request(request), m_collector(collector) {}
    ~CollectorRelease() {
        if (m_collector && m_request.delegate() == m_collector.get())
            m_request.setDelegate(nullptr);
    }
    CollectorRelease(const CollectorRelease&) = delete;
    CollectorRelease& operator=(const CollectorRelease&) = delete;

private:
    S3ServiceRequest& m_request;
    const std::unique_ptr<S3RequestDelegate>& m_collector;
};

} // namespace

S3AbstractWebServiceClient::S3AbstractWebServiceClient() : m_userAgent(S3SDKUtil::userAgentString()) {}

S3AbstractWebServiceClient::S3AbstractWebServiceClient(const S3Credentials& credentials)
    : S3AbstractWebServiceClient(std::make_shared<S3StaticCredentialsProvider>(credentials)) {}

S3AbstractWebServiceClient::S3AbstractWebServiceClient(std::shared_ptr<S3CredentialsProvider> provider)
    : S3AbstractWebServiceClient() {
    m_provider = std::move(provider);
}

void S3AbstractWebServiceClient::setUserAgent(const QString& userAgent) {
    m_userAgent = QStringLiteral("%1, %2").arg(userAgent, S3SDKUtil::userAgentString());
}

QString S3AbstractWebServiceClient::userAgent() const {
    return S3ErrorHandler::throwsExceptions() ? m_userAgent : m_userAgent + QStringLiteral(" NE");
}

void S3AbstractWebServiceClient::copySettingsFrom(const S3AbstractWebServiceClient& other) {
    m_provider = other.m_provider;
    m_endpoint = other.m_endpoint;
    m_maxRetries = other.m_maxRetries;
    m_timeout = other.m_timeout;
    m_connectionTimeout = other.m_connectionTimeout;
    m_delay = other.m_delay;
    m_sleeper = other.m_sleeper;
    m_connectionHost = other.m_connectionHost;
    setUserAgent(other.userAgent());
}

bool S3AbstractWebServiceClient::shouldRetry(S3ServiceResponse& response, const S3ExceptionPtr& exception) {
    if (response.didTimeout())
        return true;
    if (response.httpStatusCode() == 500 || response.httpStatusCode() == 503)
        return true;
    const S3ExceptionPtr x = response.exception() ? response.exception() : exception;
    if (!x)
        return false;
    if (!x->error()) {
        if (x->message() == QLatin1String("CRC32 doesn't match."))
            return true;
    } else if (x->error()->domain == QLatin1String(S3URLErrorDomain)) {
        const qint64 code = x->error()->code;
        if (code == S3URLErrors::NetworkConnectionLost || code == S3URLErrors::TimedOut ||
            code == S3URLErrors::CannotFindHost)
            return true;
    }
    const auto* service = dynamic_cast<const S3ServiceException*>(x.get());
    if (!service)
        return false;
    const QString code = service->errorCode();
    if (code == QLatin1String("BadDigest") || code == QLatin1String("NoSuchUpload"))
        return true;
    if (code == QLatin1String("ExpiredToken") || code == QLatin1String("InvalidToken") ||
        code == QLatin1String("TokenRefreshRequired")) {
        if (m_provider)
            m_provider->refresh();
        return true;
    }
    if (code == QLatin1String("ProvisionedThroughputExceededException"))
        return true;
    if (service->reason().contains(QLatin1String("Throttling")))
        return true;
    if (response.isClockSkewError(service)) {
        response.setHasClockSkewError(true);
        if (auto skew = response.getSkewTimeUsingResponse())
            S3SDKUtil::setRuntimeClockSkew(*skew);
        return true;
    }
    return false;
}

bool S3AbstractWebServiceClient::firstClockCorrection(const S3ServiceResponse& response, bool& corrected) {
    if (!response.hasClockSkewError())
        return true;
    // A second refusal for the time after a correction is not the clock's doing.
    if (corrected)
        return false;
    corrected = true;
    return true;
}

void S3AbstractWebServiceClient::pauseExponentially(int attempt) {
    const double seconds = m_delay * std::pow(2.0, attempt);
    if (m_sleeper)
        m_sleeper(seconds);
    else
        QThread::usleep((unsigned long)std::llround(seconds * 1e6));
}

std::shared_ptr<S3ServiceResponse>
S3AbstractWebServiceClient::constructResponseFromRequest(const S3ServiceRequest& request) {
    return request.constructResponse();
}

S3ExceptionPtr S3AbstractWebServiceClient::malformedHeaderReason(const S3URLRequest& request) {
    const QString header = request.malformedHeader();
    if (header.isNull())
        return nullptr;
    return std::make_shared<S3ClientException>(QStringLiteral("The request cannot be sent: %1.").arg(header));
}

void S3AbstractWebServiceClient::runUntilEnded(S3Connection* connection) {
    QPointer<S3Connection> watched(connection);
    QEventLoop loop;
    QObject::connect(connection, &S3Connection::ended, &loop, &QEventLoop::quit);
    connection->start();
    if (watched && !watched->hasEnded())
        loop.exec();
}

void S3AbstractWebServiceClient::prepare(S3ServiceRequest& request, bool sign) const {
    S3URLRequest& url = request.configureURLRequest();
    if (sign)
        request.sign();
    url.setHTTPBody(request.queryString().toUtf8());
    logTheRequest(request);
}

bool S3AbstractWebServiceClient::isSecretHeader(const QString& name) {
    static const QLatin1String kSecretWords[] = {QLatin1String("authorization"), QLatin1String("token"),
                                                 QLatin1String("secret"),        QLatin1String("signature"),
                                                 QLatin1String("credential"),    QLatin1String("key"),
                                                 QLatin1String("password"),      QLatin1String("cookie")};
    return std::any_of(std::begin(kSecretWords), std::end(kSecretWords),
                       [&](QLatin1String word) { return name.contains(word, Qt::CaseInsensitive); });
}

void S3AbstractWebServiceClient::logTheRequestHeaders(const S3URLRequest& request) {
    S3Logger::logDebug(
        QStringLiteral("%1 %2").arg(request.httpMethod(), platform::Log::address(request.url())));
    S3Logger::logDebug(QStringLiteral("Request headers: "));
    for (const auto& header : request.allHTTPHeaderFields())
        S3Logger::logDebug(QStringLiteral("  %1: %2")
                               .arg(header.first, isSecretHeader(header.first)
                                                      ? QString::fromLatin1(kMaskedHeaderValue)
                                                      : header.second));
}

void S3AbstractWebServiceClient::logTheRequest(const S3ServiceRequest& request) {
    if (!S3Logger::isVerboseLoggingEnabled())
        return;
    const S3URLRequest& url = request.urlRequest();
    S3Logger::logDebug(QStringLiteral("%1 %2").arg(url.httpMethod(), platform::Log::address(url.url())));
    S3Logger::logDebug(QStringLiteral("Request body: "));
    // The body carries the security token as a parameter; a log line never does.
    QString body = QString::fromUtf8(url.httpBody());
    if (const auto credentials = request.credentials();
        credentials && !credentials->securityToken().isEmpty())
        body.replace(S3SDKUtil::urlEncode(credentials->securityToken()), QStringLiteral("<redacted>"));
    S3Logger::logDebug(body);
}

std::shared_ptr<S3ServiceResponse>
S3AbstractWebServiceClient::invoke(const std::shared_ptr<S3ServiceRequest>& request,
                                   S3ServiceRequest* rawRequest,
                                   S3ServiceResponse::UnmarshallerFactory unmarshallerDelegate, bool sign) {
    if (!request) {
        auto response = std::make_shared<S3ServiceResponse>();
        response->setError(S3ErrorHandler::errorFromExceptionWithThrowsExceptionOption(
            std::make_shared<S3ClientException>(QStringLiteral("Request cannot be nil."))));
        return response;
    }
    request->setUserAgent(userAgent());
    if (request->endpoint().isNull())
        request->setEndpoint(m_endpoint);
    if (!request->credentials() && m_provider)
        request->setCredentials(m_provider->credentials());
    prepare(*request, sign);
    if (S3ExceptionPtr malformed = malformedHeaderReason(request->urlRequest())) {
        auto response = request->constructResponse();
        response->setRequest(request);
        response->setError(S3ErrorHandler::errorFromExceptionWithThrowsExceptionOption(malformed));
        return response;
    }

    std::shared_ptr<S3ServiceResponse> response;
    std::unique_ptr<S3RequestDelegate> collector;
    const CollectorRelease release(*request, collector);
    bool clockCorrected = false;
    for (qint64 attempt = 0; attempt < m_maxRetries; ++attempt) {
        S3Logger::logDebug(QStringLiteral("Begin Request: %1:%2").arg(request->className()).arg(attempt));
        response = constructResponseFromRequest(*request);
        response->setRequest(request);
        response->setUnmarshallerDelegate(unmarshallerDelegate);
        S3URLRequest& url = request->urlRequest();
        url.setTimeoutInterval(m_connectionTimeout != 0 ? m_connectionTimeout : m_timeout);
        addFormContentType(url);

        auto* connection = new S3Connection(request, response, m_timeout, m_connectionHost);
        if (rawRequest)
            rawRequest->setUrlConnection(connection);
        if (request->delegate()) {
            response->setIsAsyncCall(true);
            connection->start();
            return nullptr;
        }
        response->setIsAsyncCall(false);
        collector = std::make_unique<S3RequestDelegate>(request);
        request->setDelegate(collector.get());
        runUntilEnded(connection);
        S3Logger::logDebug(QStringLiteral("Response Status Code : %1").arg(response->httpStatusCode()));

        if (!shouldRetry(*response, heardException(*collector)) ||
            !firstClockCorrection(*response, clockCorrected))
            break;
        S3Logger::logInfo(QStringLiteral("Retring Request: %1").arg(attempt));
        if (response->hasClockSkewError()) {
            // Signed again in the corrected service time.
            request->setParameterValue(QString(), QStringLiteral("Signature"));
            prepare(*request, sign);
        }
        pauseExponentially(int(attempt));
        if (attempt + 1 < m_maxRetries)
            request->setDelegate(nullptr); // the next attempt collects afresh
    }
    return returnErrorOrResponse(response, *request, collector.get());
}

std::shared_ptr<S3ServiceResponse>
S3AbstractWebServiceClient::returnErrorOrResponse(std::shared_ptr<S3ServiceResponse> response,
                                                  S3ServiceRequest& request,
                                                  const S3RequestDelegate* collected) {
    if (response && response->exception()) {
        response->setError(
            S3ErrorHandler::errorFromExceptionWithThrowsExceptionOption(response->exception()));
        return response;
    }
    if (response && response->error())
        return response;
    if (collected && collected->response() && !collected->error() && !collected->exception())
        return collected->response();
    if (!response)
        response = request.constructResponse(); // no attempt was made
    if (collected && collected->error())
        response->setError(collected->error());
    else if (collected && collected->exception())
        response->setError(
            S3ErrorHandler::errorFromExceptionWithThrowsExceptionOption(collected->exception()));
    else
        response->setError(S3ErrorHandler::errorFromExceptionWithThrowsExceptionOption(
            std::make_shared<S3ClientException>(QStringLiteral("Unknown error occurred."))));
    return response;
}

} // namespace pelnix
