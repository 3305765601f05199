#pragma once

#include "media/s3/S3ClientException.h"

namespace pelnix {

// Raised by the signer for a hash algorithm it does not support.
class S3SignatureException : public S3ClientException {
public:
    S3SignatureException(const QString& name, const QString& reason) { setNameAndReason(name, reason); }
    QString className() const override { return QStringLiteral("S3SignatureException"); }
    std::shared_ptr<S3ClientException> clone() const override {
        return std::make_shared<S3SignatureException>(*this);
    }
    [[noreturn]] void raise() const override { throw *this; }
};

} // namespace pelnix
