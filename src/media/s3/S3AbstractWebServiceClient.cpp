#include "media/s3/S3AbstractWebServiceClient.h"

#include "media/s3/S3ErrorHandler.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3ServiceException.h"
#include "media/s3/S3ServiceResponse.h"
#include "media/s3/S3StaticCredentialsProvider.h"
#include "media/s3/S3URLErrors.h"

#include <QThread>
#include <cmath>

namespace pelnix {

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

void S3AbstractWebServiceClient::pauseExponentially(int attempt) {
    const double seconds = m_delay * std::pow(2.0, attempt);
    if (m_sleeper)
        m_sleeper(seconds);
    else
        QThread::usleep((unsigned long)std::llround(seconds * 1e6));
}

} // namespace pelnix
