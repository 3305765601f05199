#pragma once

#include "media/s3/S3ClientException.h"
#include "platform/PLError.h"

#include <QByteArray>

namespace pelnix {

class S3ServiceRequest;
class S3ServiceResponse;

// What a request's owner hears of its call. Every callback is optional. A delegate that does not take
// service exceptions hears of them through `requestDidFailWithError` with the error made from the
// exception, so S3 refusals and time-outs always arrive as failures.
class S3ServiceRequestDelegate {
public:
    virtual ~S3ServiceRequestDelegate() = default;

    // Status and headers have arrived (`response` carries them; the body has not).
    virtual void requestDidReceiveResponse(S3ServiceRequest* request, const S3ServiceResponse& response);
    virtual void requestDidReceiveData(S3ServiceRequest* request, const QByteArray& data);
    // Sent only for a call that succeeded. The response lives for the call only: copy what is needed.
    virtual void requestDidCompleteWithResponse(S3ServiceRequest* request, S3ServiceResponse* response);
    virtual void requestDidSendData(S3ServiceRequest* request, qint64 bytesWritten, qint64 totalBytesWritten,
                                    qint64 totalBytesExpectedToWrite);
    virtual void requestDidFailWithError(S3ServiceRequest* request, const PLError& error);
    virtual void requestDidFailWithServiceException(S3ServiceRequest* request,
                                                    const S3ExceptionPtr& exception);
};

} // namespace pelnix
