#include "media/s3/S3ClientException.h"

#include "media/s3/S3SecretMask.h"

namespace pelnix {

S3ClientException::S3ClientException(const QString& message, PLOptionalError error)
    : m_reason(message), m_message(message), m_error(std::move(error)), m_what(message.toUtf8()) {}

S3ClientException S3ClientException::exceptionWithMessage(const QString& message) {
    return S3ClientException(message);
}

S3ClientException S3ClientException::exceptionWithMessage(const QString& message, const PLError& error) {
    return S3ClientException(message, error);
}

void S3ClientException::setMessage(const QString& message) {
    m_message = message;
}

void S3ClientException::setNameAndReason(const QString& name, const QString& reason) {
    m_name = name;
    m_reason = reason;
    m_what = reason.toUtf8();
}

void S3ClientException::redact(const S3SecretMask& mask) {
    m_reason = mask.mask(m_reason);
    m_message = mask.mask(m_message);
    m_what = m_reason.toUtf8();
    if (m_error)
        m_error = mask.mask(*m_error);
}

QString S3ClientException::description() const {
    return m_reason;
}

std::shared_ptr<S3ClientException> S3ClientException::clone() const {
    return std::make_shared<S3ClientException>(*this);
}

void S3ClientException::raise() const {
    throw *this;
}

const char* S3ClientException::what() const noexcept {
    return m_what.constData();
}

} // namespace pelnix
