#include "media/s3/S3ServiceException.h"

#include "media/s3/S3SecretMask.h"

namespace pelnix {

S3ServiceException::S3ServiceException() {
    m_name = QStringLiteral("S3ServiceException");
}

S3ServiceException S3ServiceException::exceptionWithMessage(const QString& message) {
    S3ServiceException e;
    e.setNameAndReason(QStringLiteral("S3ServiceException"), message);
    e.m_message = message;
    return e;
}

S3ServiceException S3ServiceException::exceptionWithMessage(const QString& message, const PLError& error) {
    S3ServiceException e;
    e.setNameAndReason(QStringLiteral("S3ClientException"), message);
    e.m_message = message;
    e.m_error = error;
    return e;
}

S3ServiceException S3ServiceException::exceptionWithStatusCode(int statusCode) {
    S3ServiceException e;
    e.m_statusCode = statusCode;
    return e;
}

S3ServiceException S3ServiceException::exceptionWithMessage(const QString& message, const QString& errorCode,
                                                            int statusCode, const QString& requestId) {
    S3ServiceException e;
    e.setNameAndReason(QStringLiteral("S3ServiceException"), message);
    e.m_errorCode = errorCode;
    e.m_statusCode = statusCode;
    e.m_requestId = requestId;
    return e;
}

void S3ServiceException::setPropertiesWithException(const S3ServiceException& other) {
    m_errorCode = other.m_errorCode;
    m_message = other.m_message;
    m_requestId = other.m_requestId;
    m_statusCode = other.m_statusCode;
    m_serviceName = other.m_serviceName;
}

QString S3ServiceException::failureText() const {
    if (!m_reason.isEmpty())
        return m_reason;
    if (!m_message.isEmpty() && !m_errorCode.isEmpty())
        return QStringLiteral("%1 (%2)").arg(m_message, m_errorCode);
    if (!m_message.isEmpty())
        return m_message;
    if (!m_errorCode.isEmpty())
        return m_errorCode;
    if (m_statusCode != 0)
        return QStringLiteral("The storage service answered HTTP %1.").arg(m_statusCode);
    return {};
}

const char* S3ServiceException::what() const noexcept {
    m_failureWhat = failureText().toUtf8();
    return m_failureWhat.constData();
}

void S3ServiceException::redact(const S3SecretMask& mask) {
    S3ClientException::redact(mask);
    m_errorCode = mask.mask(m_errorCode);
    m_requestId = mask.mask(m_requestId);
    for (auto it = m_additionalFields.begin(); it != m_additionalFields.end(); ++it)
        if (it.value().typeId() == QMetaType::QString)
            it.value() = mask.mask(it.value().toString());
}

QString S3ServiceException::description() const {
    return QStringLiteral("%1 { RequestId:%2, ErrorCode:%3, Message:%4 }")
        .arg(className(), m_requestId, m_errorCode, m_message);
}

std::shared_ptr<S3ClientException> S3ServiceException::clone() const {
    return std::make_shared<S3ServiceException>(*this);
}

void S3ServiceException::raise() const {
    throw *this;
}

} // namespace pelnix
