#include "media/s3/S3ErrorHandler.h"

#include "media/s3/S3Logger.h"
#include "media/s3/S3ServiceException.h"

#include <atomic>

namespace pelnix {

namespace {
std::atomic<bool> g_throws{true};
}

void S3ErrorHandler::shouldThrowExceptions() {
    g_throws = true;
}
void S3ErrorHandler::shouldNotThrowExceptions() {
    g_throws = false;
}
bool S3ErrorHandler::throwsExceptions() {
    return g_throws;
}

PLOptionalError S3ErrorHandler::errorFromExceptionWithThrowsExceptionOption(const S3ExceptionPtr& exception) {
    if (!exception)
        return std::nullopt;
    if (g_throws) {
        S3Logger::logDebug(QStringLiteral("WARNING: An exception was thrown. Please call [S3ErrorHandler "
                                          "shouldNotThrowExceptions] to change this behavior."));
        exception->raise();
    }
    return errorFromException(exception);
}

PLOptionalError S3ErrorHandler::errorFromException(const S3ExceptionPtr& exception) {
    return errorFromException(exception, QString::fromLatin1(S3ServiceErrorDomain),
                              QString::fromLatin1(S3ClientErrorDomain));
}

PLOptionalError S3ErrorHandler::errorFromException(const S3ExceptionPtr& exception,
                                                   const QString& serviceErrorDomain,
                                                   const QString& clientErrorDomain) {
    if (!exception)
        return std::nullopt;
    if (exception->error())
        return exception->error();
    if (const auto* service = dynamic_cast<const S3ServiceException*>(exception.get())) {
        QVariantMap info = service->additionalFields();
        if (!service->requestId().isNull())
            info.insert(QStringLiteral("requestId"), service->requestId());
        if (!service->errorCode().isNull())
            info.insert(QStringLiteral("errorCode"), service->errorCode());
        if (!service->serviceName().isNull())
            info.insert(QStringLiteral("serviceName"), service->serviceName());
        info.insert(QStringLiteral("exception"), QVariant::fromValue(exception));
        return PLError(serviceErrorDomain, service->statusCode(), service->failureText(), info);
    }
    QVariantMap info;
    if (!exception->message().isNull()) {
        info.insert(QStringLiteral("message"), exception->message());
        info.insert(QStringLiteral("exception"), QVariant::fromValue(exception));
    }
    return PLError(clientErrorDomain, -1, exception->message(), info);
}

} // namespace pelnix
