#pragma once

#include "media/s3/S3ClientException.h"

namespace pelnix {

// A failure reported by the service: its status, error code and request id.
class S3ServiceException : public S3ClientException {
public:
    S3ServiceException();

    static S3ServiceException exceptionWithMessage(const QString& message);
    // Named "S3ClientException" like every exception made from a message and an error.
    static S3ServiceException exceptionWithMessage(const QString& message, const PLError& error);
    static S3ServiceException exceptionWithStatusCode(int statusCode);
    // Reason = message; `message()` stays empty.
    static S3ServiceException exceptionWithMessage(const QString& message, const QString& errorCode,
                                                   int statusCode, const QString& requestId);

    int statusCode() const { return m_statusCode; }
    void setStatusCode(int statusCode) { m_statusCode = statusCode; }
    QVariantMap additionalFields() const { return m_additionalFields; }
    void setAdditionalFields(const QVariantMap& fields) { m_additionalFields = fields; }
    QString requestId() const { return m_requestId; }
    void setRequestId(const QString& requestId) { m_requestId = requestId; }
    QString errorCode() const { return m_errorCode; }
    void setErrorCode(const QString& errorCode) { m_errorCode = errorCode; }
    QString serviceName() const { return m_serviceName; }
    void setServiceName(const QString& serviceName) { m_serviceName = serviceName; }

    void setPropertiesWithException(const S3ServiceException& other);
    // What a person reads of the failure: the reason; else the service's message followed by its
    // error code in parentheses (either alone when the other is missing); else the HTTP status.
    QString failureText() const;

    QString className() const override { return QStringLiteral("S3ServiceException"); }
    void redact(const S3SecretMask& mask) override;
    QString description() const override;
    std::shared_ptr<S3ClientException> clone() const override;
    [[noreturn]] void raise() const override;
    // `failureText`, so a refusal raised from the error document reads as more than an empty reason.
    const char* what() const noexcept override;

private:
    int m_statusCode = 0;
    QVariantMap m_additionalFields;
    QString m_requestId;
    QString m_errorCode;
    QString m_serviceName;
    mutable QByteArray m_failureWhat;
};

} // namespace pelnix
