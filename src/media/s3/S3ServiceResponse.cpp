#include "media/s3/S3ServiceResponse.h"

#include "media/s3/DateS3SDKUtil.h"
#include "media/s3/S3AbstractWebServiceClient.h"
#include "media/s3/S3Connection.h"
#include "media/s3/S3ErrorHandler.h"
#include "media/s3/S3Logger.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3ServiceException.h"
#include "media/s3/S3ServiceRequest.h"
#include "media/s3/S3ServiceRequestDelegate.h"
#include "media/s3/S3ServiceResponseUnmarshaller.h"
#include "media/s3/S3XMLParser.h"

#include <QElapsedTimer>
#include <cmath>

namespace pelnix {

S3ServiceRequestDelegate* S3ServiceResponse::delegate() const {
    return m_request ? m_request->delegate() : nullptr;
}

void S3ServiceResponse::stopRequestTimer() {
    if (m_request && m_request->urlConnection())
        m_request->urlConnection()->stopTimer();
}

void S3ServiceResponse::reportFailure(const S3ExceptionPtr& exception) {
    S3ServiceRequestDelegate* d = delegate();
    if (!d)
        return;
    if (S3ErrorHandler::throwsExceptions()) {
        d->requestDidFailWithServiceException(rawRequest(), exception);
    } else if (auto error = S3ErrorHandler::errorFromException(exception)) {
        m_error = error;
        d->requestDidFailWithError(rawRequest(), *error);
    }
}

S3SecretMask S3ServiceResponse::secretMask() const {
    return m_request ? S3SecretMask::forRequest(*m_request) : S3SecretMask();
}

S3HeaderList S3ServiceResponse::maskedHeaders(const S3HeaderList& headers) const {
    const S3SecretMask mask = secretMask();
    const QString masked = QString::fromLatin1(S3AbstractWebServiceClient::kMaskedHeaderValue);
    S3HeaderList out;
    out.reserve(headers.size());
    for (const auto& header : headers) {
        // A name is the server's text as much as a value is; a name that held a secret masks its
        // value whole.
        const QString name = mask.mask(header.first);
        const bool secret = name != header.first || S3AbstractWebServiceClient::isSecretHeader(name);
        out.append({name, secret ? masked : mask.mask(header.second)});
    }
    return out;
}

QString S3ServiceResponse::loggableBody(const S3SecretMask& mask) const {
    QString contentType;
    for (const auto& header : m_responseHeader)
        if (header.first.compare(QLatin1String("Content-Type"), Qt::CaseInsensitive) == 0)
            contentType = header.second;
    return mask.maskDocument(m_body, contentType);
}

void S3ServiceResponse::connectionDidReceiveResponse(int statusCode, const S3HeaderList& received) {
    const S3HeaderList headers = maskedHeaders(received);
    m_responseHeader = headers;
    S3Logger::logDebug(QStringLiteral("Response Headers:"));
    for (const auto& header : headers)
        S3Logger::logDebug(QStringLiteral("%1 = [%2]").arg(header.first, header.second));
    m_httpStatusCode = statusCode;
    m_body.clear();
    m_bodyCut = false;
    if (auto* d = delegate())
        d->requestDidReceiveResponse(rawRequest(), *this);
}

qint64 S3ServiceResponse::maxKeptBody() const {
    return m_httpStatusCode >= 300 ? kMaxRefusalBody : -1;
}

qint64 S3ServiceResponse::bodyRoom() const {
    const qint64 bound = maxKeptBody();
    if (bound < 0)
        return -1;
    return m_bodyCut ? 0 : bound - m_body.size() + 1; // one more byte tells that there is more
}

void S3ServiceResponse::connectionDidReceiveData(const QByteArray& data) {
    const qint64 bound = maxKeptBody();
    QByteArray kept = data;
    if (bound >= 0 && m_body.size() + data.size() > bound) {
        kept.truncate(qMax<qint64>(0, bound - m_body.size()));
        m_bodyCut = true;
    }
    if (kept.isEmpty())
        return;
    m_body.append(kept);
    if (auto* d = delegate())
        d->requestDidReceiveData(rawRequest(), kept);
}

void S3ServiceResponse::connectionDidFinishLoading() {
    stopRequestTimer();
    QElapsedTimer clock;
    clock.start();
    m_isFinishedLoading = true;
    const S3SecretMask mask = secretMask();
    if (S3Logger::isVerboseLoggingEnabled())
        S3Logger::logDebug(QStringLiteral("Response Body:\n%1").arg(loggableBody(mask)));

    std::shared_ptr<S3ServiceResponse> parsed;
    if (m_unmarshallerDelegate) {
        auto unmarshaller = m_unmarshallerDelegate();
        S3XMLParser parser(m_body);
        parser.setDelegate(unmarshaller.get());
        parser.parse();
        parsed = unmarshaller->response();
    }
    S3ServiceResponse* p = parsed ? parsed.get() : this;
    S3ServiceRequestDelegate* d = delegate();
    if (p->m_error) {
        p->m_error = mask.mask(*p->m_error);
        if (d)
            d->requestDidFailWithError(rawRequest(), *p->m_error);
        return;
    }
    if (p->m_exception) {
        auto redacted = p->m_exception->clone();
        redacted->redact(mask);
        p->m_exception = redacted;
    }
    if (S3ExceptionPtr x = p->m_exception) {
        if (m_isAsyncCall && isClockSkewError(x.get())) {
            if (auto skew = getSkewTimeUsingResponse())
                S3SDKUtil::setRuntimeClockSkew(*skew);
            auto skewed = std::make_shared<S3ServiceException>();
            skewed->setUserInfo({{QStringLiteral("S3ClockSkewError"), true}});
            x = skewed;
        }
        reportFailure(x);
        return;
    }
    p->postProcess();
    p->m_processingTime = std::fabs(clock.nsecsElapsed() / 1e9);
    if (d)
        d->requestDidCompleteWithResponse(rawRequest(), p);
}

void S3ServiceResponse::connectionDidFailWithError(const PLError& failure) {
    stopRequestTimer();
    // The transport's texts may quote what the peer sent.
    const PLError error = secretMask().mask(failure);
    for (auto it = error.userInfo.cbegin(); it != error.userInfo.cend(); ++it)
        S3Logger::logInfo(QStringLiteral("UserInfo.%1 = %2").arg(it.key(), it.value().toString()));
    m_exception = std::make_shared<S3ServiceException>(
        S3ServiceException::exceptionWithMessage(error.localizedDescription, error));
    S3Logger::logInfo(QStringLiteral("An error occured in the request: %1").arg(error.localizedDescription));
    if (auto* d = delegate())
        d->requestDidFailWithError(rawRequest(), error);
}

void S3ServiceResponse::connectionDidSendBodyData(qint64 bytesWritten, qint64 totalBytesWritten,
                                                  qint64 totalBytesExpectedToWrite) {
    if (auto* d = delegate())
        d->requestDidSendData(rawRequest(), bytesWritten, totalBytesWritten, totalBytesExpectedToWrite);
}

void S3ServiceResponse::timeout() {
    if (m_isFinishedLoading || m_exception)
        return;
    m_didTimeout = true;
    if (m_request && m_request->urlConnection())
        m_request->urlConnection()->abortTransfer();
    stopRequestTimer();
    m_exception = std::make_shared<S3ClientException>(QStringLiteral("Request timed out."));
    reportFailure(m_exception);
}

QDateTime S3ServiceResponse::getDateFromResponse() const {
    for (const auto& header : m_responseHeader) {
        if (header.first.compare(QLatin1String("Date"), Qt::CaseInsensitive) == 0)
            return DateS3SDKUtil::dateWithRFC822Format(header.second);
    }
    return {};
}

std::optional<double> S3ServiceResponse::getSkewTimeUsingResponse() const {
    const QDateTime serverDate = getDateFromResponse();
    if (!serverDate.isValid())
        return std::nullopt;
    // The parsed date already carries the current correction; adding it back measures the device clock
    // against the service clock itself, so a correction replaces the old one instead of undoing it.
    return QDateTime::currentDateTimeUtc().msecsTo(serverDate) / -1000.0 + S3SDKUtil::getRuntimeClockSkew();
}

bool S3ServiceResponse::isClockSkewError(const S3ClientException* exception) const {
    const std::optional<double> skew = getSkewTimeUsingResponse();
    if (!skew)
        return false;
    const auto* service = dynamic_cast<const S3ServiceException*>(exception);
    if (!service)
        return false;
    const QString code = service->errorCode();
    if (code == QLatin1String("RequestTimeTooSkewed") || code == QLatin1String("RequestExpired"))
        return true;
    if (code == QLatin1String("InvalidSignatureException") || code == QLatin1String("SignatureDoesNotMatch"))
        return std::fabs(*skew - S3SDKUtil::getRuntimeClockSkew()) > kAllowedClockSkewSeconds;
    return false;
}

QString S3ServiceResponse::description() const {
    return QStringLiteral("{requestId: %1}").arg(m_requestId);
}

} // namespace pelnix
