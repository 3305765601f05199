#pragma once

#include "media/s3/S3ServiceRequestDelegate.h"

#include <memory>

namespace pelnix {

// Collects the outcome of one synchronous attempt of the generic call path: the response it completed
// with, or the error or service exception it failed with. Whichever arrives ends the attempt.
class S3RequestDelegate : public S3ServiceRequestDelegate {
public:
    // `request` becomes the request of the response kept on completion.
    explicit S3RequestDelegate(std::weak_ptr<S3ServiceRequest> request = {});

    std::shared_ptr<S3ServiceResponse> response() const { return m_response; }
    S3ExceptionPtr exception() const { return m_exception; }
    const PLOptionalError& error() const { return m_error; }
    bool isFinishedOrFailed() const { return m_response || m_exception || m_error; }

    void requestDidReceiveResponse(S3ServiceRequest* request, const S3ServiceResponse& response) override;
    void requestDidReceiveData(S3ServiceRequest* request, const QByteArray& data) override;
    void requestDidCompleteWithResponse(S3ServiceRequest* request, S3ServiceResponse* response) override;
    void requestDidSendData(S3ServiceRequest* request, qint64 bytesWritten, qint64 totalBytesWritten,
                            qint64 totalBytesExpectedToWrite) override;
    void requestDidFailWithError(S3ServiceRequest* request, const PLError& error) override;
    void requestDidFailWithServiceException(S3ServiceRequest* request,
                                            const S3ExceptionPtr& exception) override;

private:
    std::weak_ptr<S3ServiceRequest> m_request;
    std::shared_ptr<S3ServiceResponse> m_response;
    S3ExceptionPtr m_exception;
    PLOptionalError m_error;
};

} // namespace pelnix
