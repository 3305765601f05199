#pragma once

#include "media/s3/S3Credentials.h"

namespace pelnix {

// Source of the credentials a client signs with.
class S3CredentialsProvider {
public:
    virtual ~S3CredentialsProvider() = default;
    virtual S3Credentials credentials() const = 0;
    // Asked after a token error, before the next attempt.
    virtual void refresh() = 0;
};

} // namespace pelnix
