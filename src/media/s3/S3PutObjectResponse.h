#pragma once

#include "media/s3/S3Response.h"

namespace pelnix {

// The response made for a put request; callers read only its status, ETag and failure.
class S3PutObjectResponse : public S3Response {
public:
    QString className() const override { return QStringLiteral("S3PutObjectResponse"); }
};

} // namespace pelnix
