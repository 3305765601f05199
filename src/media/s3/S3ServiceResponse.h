#pragma once

#include "media/s3/S3ClientException.h"
#include "media/s3/S3SecretMask.h"
#include "media/s3/S3URLRequest.h"
#include "platform/PLError.h"

#include <QByteArray>
#include <QDateTime>
#include <functional>
#include <memory>
#include <optional>

namespace pelnix {

class S3ServiceRequest;
class S3ServiceRequestDelegate;
class S3ServiceResponseUnmarshaller;

// The outcome of one attempt: status, headers, body, and the failure when there was one. It is fed by
// the connection and reports to the request's delegate. Always made shared (a delegate may keep it).
class S3ServiceResponse : public std::enable_shared_from_this<S3ServiceResponse> {
public:
    using UnmarshallerFactory = std::function<std::unique_ptr<S3ServiceResponseUnmarshaller>()>;
    // How far a request's date may be from the service's clock before the service refuses it.
    static constexpr double kAllowedClockSkewSeconds = 15 * 60;
    // What is kept of the body of a refusal (status 300 and above): an error document is a few
    // hundred bytes, a signature refusal echoing what was signed a few thousand. The rest is not read.
    static constexpr qsizetype kMaxRefusalBody = 16 * 1024;

    S3ServiceResponse() = default;
    virtual ~S3ServiceResponse() = default;
    S3ServiceResponse(const S3ServiceResponse&) = delete;
    S3ServiceResponse& operator=(const S3ServiceResponse&) = delete;

    virtual QString className() const { return QStringLiteral("S3ServiceResponse"); }

    bool isFinishedLoading() const { return m_isFinishedLoading; }
    bool didTimeout() const { return m_didTimeout; }
    S3ExceptionPtr exception() const { return m_exception; }
    void setException(const S3ExceptionPtr& exception) { m_exception = exception; }
    const PLOptionalError& error() const { return m_error; }
    void setError(const PLOptionalError& error) { m_error = error; }
    QByteArray body() const { return m_body; }
    std::shared_ptr<S3ServiceRequest> request() const { return m_request; }
    void setRequest(const std::shared_ptr<S3ServiceRequest>& request) { m_request = request; }
    void setUnmarshallerDelegate(UnmarshallerFactory factory) { m_unmarshallerDelegate = std::move(factory); }
    double processingTime() const { return m_processingTime; }
    void setProcessingTime(double seconds) { m_processingTime = seconds; }
    QString requestId() const { return m_requestId; }
    void setRequestId(const QString& requestId) { m_requestId = requestId; }
    const S3HeaderList& responseHeader() const { return m_responseHeader; }
    int httpStatusCode() const { return m_httpStatusCode; }
    bool isAsyncCall() const { return m_isAsyncCall; }
    void setIsAsyncCall(bool value) { m_isAsyncCall = value; }
    bool hasClockSkewError() const { return m_hasClockSkewError; }
    void setHasClockSkewError(bool value) { m_hasClockSkewError = value; }

    // Finished, failed or timed out.
    bool isDone() const { return m_isFinishedLoading || m_exception || m_didTimeout; }
    // Bytes of body still wanted: -1 without a bound, 0 once the body reached its bound (the
    // connection then ends the transfer and finishes with what was kept).
    qint64 bodyRoom() const;

    // Connection events.
    virtual void connectionDidReceiveResponse(int statusCode, const S3HeaderList& headers);
    void connectionDidReceiveData(const QByteArray& data);
    virtual void connectionDidFinishLoading();
    void connectionDidFailWithError(const PLError& error);
    void connectionDidSendBodyData(qint64 bytesWritten, qint64 totalBytesWritten,
                                   qint64 totalBytesExpectedToWrite);
    // Action of the overall time-out: only while neither finished nor failed.
    void timeout();

    // Hooks of operation responses.
    virtual void processBody() {}
    virtual void postProcess() {}

    // The "Date" response header, parsed with the current correction; invalid without one.
    QDateTime getDateFromResponse() const;
    // Device clock minus service clock, seconds; nullopt without a usable Date header.
    std::optional<double> getSkewTimeUsingResponse() const;
    // A refusal for the request's time, with a Date to correct the clock from: a date the service calls
    // too far off or expired, or a signature refused while the service's clock is further from ours
    // than the allowed skew (a wrong secret is refused the same way, and no clock fixes that).
    bool isClockSkewError(const S3ClientException* exception) const;

    virtual QString description() const;

    // The secrets the request was sent with, to be masked in whatever the peer sends back.
    S3SecretMask secretMask() const;

protected:
    // The most of the body this answer keeps: kMaxRefusalBody for a refusal, else no bound (-1).
    virtual qint64 maxKeptBody() const;
    // What is kept of received headers: every name and value with the request's secrets masked, and the
    // values of headers named like a secret, or whose name held one, masked whole.
    S3HeaderList maskedHeaders(const S3HeaderList& headers) const;
    // The body as a debug line may show it (see S3SecretMask::maskDocument).
    QString loggableBody(const S3SecretMask& mask) const;
    S3ServiceRequestDelegate* delegate() const;
    S3ServiceRequest* rawRequest() const { return m_request.get(); }
    void stopRequestTimer();
    // Exceptions on: the service-exception callback; off: the error callback.
    void reportFailure(const S3ExceptionPtr& exception);

    bool m_isFinishedLoading = false;
    bool m_didTimeout = false;
    S3ExceptionPtr m_exception;
    PLOptionalError m_error;
    QByteArray m_body;
    std::shared_ptr<S3ServiceRequest> m_request;
    UnmarshallerFactory m_unmarshallerDelegate;
    double m_processingTime = 0;
    QString m_requestId;
    S3HeaderList m_responseHeader;
    int m_httpStatusCode = 0;
    bool m_isAsyncCall = false;
    bool m_hasClockSkewError = false;
    // The body reached its bound and the rest was not kept.
    bool m_bodyCut = false;
};

} // namespace pelnix
