#pragma once

#include "media/s3/S3ClientException.h"
#include "media/s3/S3CredentialsProvider.h"

#include <QString>
#include <functional>
#include <memory>

namespace pelnix {

class S3ServiceResponse;

// What every call of one client shares (credentials provider, endpoint, user agent, retries, time-outs,
// back-off) and the retry policy.
class S3AbstractWebServiceClient {
public:
    // Blocks the calling thread for the given seconds; replaceable so tests need not wait.
    using Sleeper = std::function<void(double seconds)>;

    S3AbstractWebServiceClient();
    explicit S3AbstractWebServiceClient(const S3Credentials& credentials);
    explicit S3AbstractWebServiceClient(std::shared_ptr<S3CredentialsProvider> provider);
    virtual ~S3AbstractWebServiceClient() = default;

    qint64 maxRetries() const { return m_maxRetries; }
    void setMaxRetries(qint64 value) { m_maxRetries = value; }
    double timeout() const { return m_timeout; }
    void setTimeout(double seconds) { m_timeout = seconds; }
    double connectionTimeout() const { return m_connectionTimeout; }
    void setConnectionTimeout(double seconds) { m_connectionTimeout = seconds; }
    double delay() const { return m_delay; }
    void setDelay(double seconds) { m_delay = seconds; }
    // Stored as "<text>, <SDK user agent>".
    void setUserAgent(const QString& userAgent);
    // The stored text, with " NE" appended while exceptions are off.
    QString userAgent() const;
    std::shared_ptr<S3CredentialsProvider> provider() const { return m_provider; }
    void setProvider(std::shared_ptr<S3CredentialsProvider> provider) { m_provider = std::move(provider); }
    QString endpoint() const { return m_endpoint; }
    void setEndpoint(const QString& endpoint) { m_endpoint = endpoint; }
    void setSleeper(Sleeper sleeper) { m_sleeper = std::move(sleeper); }

    // Retry a failed attempt? (time-out, 500/503, lost connection, throttling, token and clock-skew
    // errors...). A token error refreshes the provider; a clock-skew error corrects the runtime skew.
    bool shouldRetry(S3ServiceResponse& response, const S3ExceptionPtr& exception = nullptr);
    // Pauses delay x 2^attempt seconds.
    void pauseExponentially(int attempt);

protected:
    // Same provider and settings; `setUserAgent` of our user agent, so the SDK part is appended again.
    void copySettingsFrom(const S3AbstractWebServiceClient& other);

    qint64 m_maxRetries = 5;
    double m_timeout = 240;
    double m_connectionTimeout = 0;
    double m_delay = 0.2;
    QString m_userAgent;
    std::shared_ptr<S3CredentialsProvider> m_provider;
    QString m_endpoint;
    Sleeper m_sleeper;
};

} // namespace pelnix
