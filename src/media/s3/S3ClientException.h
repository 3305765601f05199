#pragma once

#include "platform/PLError.h"

#include <QMetaType>
#include <QString>
#include <QVariantMap>
#include <exception>
#include <memory>

namespace pelnix {

class S3ClientException;
class S3SecretMask;
using S3ExceptionPtr = std::shared_ptr<const S3ClientException>;

// A failure found on the device: a bad argument, a network error, a time-out.
class S3ClientException : public std::exception {
public:
    S3ClientException() = default;
    explicit S3ClientException(const QString& message, PLOptionalError error = std::nullopt);
    ~S3ClientException() override = default;

    static S3ClientException exceptionWithMessage(const QString& message);
    static S3ClientException exceptionWithMessage(const QString& message, const PLError& error);

    QString name() const { return m_name; }
    QString reason() const { return m_reason; }
    QString message() const { return m_message; }
    void setMessage(const QString& message);
    const PLOptionalError& error() const { return m_error; }
    void setError(PLOptionalError error) { m_error = std::move(error); }
    QVariantMap userInfo() const { return m_userInfo; }
    void setUserInfo(const QVariantMap& userInfo) { m_userInfo = userInfo; }

    virtual QString className() const { return QStringLiteral("S3ClientException"); }
    // Masks the secrets of the request in every text the exception carries (a service's message may
    // repeat them).
    virtual void redact(const S3SecretMask& mask);
    virtual QString description() const;
    virtual std::shared_ptr<S3ClientException> clone() const;
    // Throws a copy of the exception with its most derived type.
    [[noreturn]] virtual void raise() const;

    const char* what() const noexcept override;

protected:
    void setNameAndReason(const QString& name, const QString& reason);

    QString m_name = QStringLiteral("S3ClientException");
    QString m_reason;
    QString m_message;
    PLOptionalError m_error;
    QVariantMap m_userInfo;
    QByteArray m_what;
};

} // namespace pelnix

Q_DECLARE_METATYPE(pelnix::S3ExceptionPtr)
