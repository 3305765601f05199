#pragma once

#include "media/s3/S3CredentialsProvider.h"

namespace pelnix {

// Hands out the same credentials on every call; `refresh` keeps them.
class S3StaticCredentialsProvider : public S3CredentialsProvider {
public:
    S3StaticCredentialsProvider(const QString& accessKey, const QString& secretKey)
        : m_staticCredentials(accessKey, secretKey) {}
    explicit S3StaticCredentialsProvider(const S3Credentials& credentials)
        : m_staticCredentials(credentials) {}

    S3Credentials credentials() const override { return m_staticCredentials; }
    void refresh() override {}

private:
    S3Credentials m_staticCredentials;
};

} // namespace pelnix
