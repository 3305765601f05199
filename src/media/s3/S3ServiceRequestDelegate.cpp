#include "media/s3/S3ServiceRequestDelegate.h"

#include "media/s3/S3ErrorHandler.h"

namespace pelnix {

void S3ServiceRequestDelegate::requestDidReceiveResponse(S3ServiceRequest*, const S3ServiceResponse&) {}
void S3ServiceRequestDelegate::requestDidReceiveData(S3ServiceRequest*, const QByteArray&) {}
void S3ServiceRequestDelegate::requestDidCompleteWithResponse(S3ServiceRequest*, S3ServiceResponse*) {}
void S3ServiceRequestDelegate::requestDidSendData(S3ServiceRequest*, qint64, qint64, qint64) {}
void S3ServiceRequestDelegate::requestDidFailWithError(S3ServiceRequest*, const PLError&) {}

void S3ServiceRequestDelegate::requestDidFailWithServiceException(S3ServiceRequest* request,
                                                                  const S3ExceptionPtr& exception) {
    if (auto error = S3ErrorHandler::errorFromException(exception))
        requestDidFailWithError(request, *error);
}

} // namespace pelnix
