#pragma once

#include "media/s3/S3ClientException.h"
#include "media/s3/S3CredentialsProvider.h"
#include "media/s3/S3ServiceResponse.h"

#include <QString>
#include <functional>
#include <memory>

namespace pelnix {

class S3Connection;
class S3RequestDelegate;
class S3ServiceRequest;

// What every call of one client shares (credentials provider, endpoint, user agent, retries, time-outs,
// back-off), the retry policy, and the generic call path of query-style services.
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

    // Runs one call of a query-style service: the request's parameters go as a form-encoded body,
    // signed with signature version 4 when `sign`, and the body is read with `unmarshallerDelegate`.
    // A request with a delegate runs asynchronously on this thread's event loop: one attempt, outcome
    // only through the delegate, and null is returned. Without one the call blocks (run it on a worker
    // thread), retrying up to maxRetries with exponential pauses, and answers the last attempt's
    // response or error; with exceptions on, a failure is raised. `rawRequest`, when given, is handed
    // each attempt's connection too.
    std::shared_ptr<S3ServiceResponse> invoke(const std::shared_ptr<S3ServiceRequest>& request,
                                              S3ServiceRequest* rawRequest,
                                              S3ServiceResponse::UnmarshallerFactory unmarshallerDelegate,
                                              bool sign = true);
    static std::shared_ptr<S3ServiceResponse> constructResponseFromRequest(const S3ServiceRequest& request);

    // Debug lines of the request's method and URL and of each header, the value of every header that
    // `isSecretHeader` names replaced by `kMaskedHeaderValue`.
    static void logTheRequestHeaders(const S3URLRequest& request);
    // Authorization (the signature, which any replay within the allowed skew could use), the security
    // token, and any header whose name speaks of a token, secret, signature, credential, key, password
    // or cookie, without regard to case: a few harmless values masked is cheaper than a secret logged.
    static bool isSecretHeader(const QString& name);
    static constexpr const char* kMaskedHeaderValue = "<redacted>";

    // For tests: connect every request to this host while its URL and Host header keep their names.
    void setConnectionHostOverride(const QString& host) { m_connectionHost = host; }

protected:
    // Same provider and settings; `setUserAgent` of our user agent, so the SDK part is appended again.
    void copySettingsFrom(const S3AbstractWebServiceClient& other);
    // Whether a retry that shouldRetry granted may go ahead as far as the clock goes: a call corrects
    // its clock once; `corrected` carries that across the call's attempts.
    static bool firstClockCorrection(const S3ServiceResponse& response, bool& corrected);
    // A header that would not reach the peer as one header line; null when every header is sound.
    static S3ExceptionPtr malformedHeaderReason(const S3URLRequest& request);
    // Blocks until the connection's attempt has ended, serving this thread's events meanwhile.
    static void runUntilEnded(S3Connection* connection);

    qint64 m_maxRetries = 5;
    double m_timeout = 240;
    double m_connectionTimeout = 0;
    double m_delay = 0.2;
    QString m_userAgent;
    std::shared_ptr<S3CredentialsProvider> m_provider;
    QString m_endpoint;
    Sleeper m_sleeper;
    QString m_connectionHost;

private:
    // Configures the request's URL request, signs it when asked, sets the form body and logs it.
    void prepare(S3ServiceRequest& request, bool sign) const;
    static void logTheRequest(const S3ServiceRequest& request);
    static std::shared_ptr<S3ServiceResponse>
    returnErrorOrResponse(std::shared_ptr<S3ServiceResponse> response, S3ServiceRequest& request,
                          const S3RequestDelegate* collected);
};

} // namespace pelnix
