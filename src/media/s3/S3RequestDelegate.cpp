#include "media/s3/S3RequestDelegate.h"

#include "media/s3/S3Logger.h"
#include "media/s3/S3ServiceResponse.h"

namespace pelnix {

S3RequestDelegate::S3RequestDelegate(std::weak_ptr<S3ServiceRequest> request)
    : m_request(std::move(request)) {}

void S3RequestDelegate::requestDidReceiveResponse(S3ServiceRequest*, const S3ServiceResponse&) {
    S3Logger::logDebug(QStringLiteral("didReceiveResponse"));
}

void S3RequestDelegate::requestDidReceiveData(S3ServiceRequest*, const QByteArray&) {
    S3Logger::logDebug(QStringLiteral("didReceiveData"));
}

void S3RequestDelegate::requestDidCompleteWithResponse(S3ServiceRequest*, S3ServiceResponse* response) {
    S3Logger::logDebug(QStringLiteral("didCompleteWithResponse"));
    // The completed response may be one parsed from the body, alive only for this callback: share it.
    m_response = response ? response->weak_from_this().lock() : nullptr;
    Q_ASSERT_X(!response || m_response, "S3RequestDelegate", "responses are made shared");
    if (auto request = m_request.lock(); m_response && request)
        m_response->setRequest(request);
}

void S3RequestDelegate::requestDidSendData(S3ServiceRequest*, qint64, qint64, qint64) {
    S3Logger::logDebug(QStringLiteral("didSendData"));
}

void S3RequestDelegate::requestDidFailWithError(S3ServiceRequest*, const PLError& error) {
    S3Logger::logDebug(QStringLiteral("didFailWithError: %1").arg(error.localizedDescription));
    m_error = error;
}

void S3RequestDelegate::requestDidFailWithServiceException(S3ServiceRequest*,
                                                           const S3ExceptionPtr& exception) {
    S3Logger::logDebug(QStringLiteral("didFailWithServiceException"));
    m_exception = exception;
}

} // namespace pelnix
