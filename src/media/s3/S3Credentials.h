#pragma once

#include <QString>

namespace pelnix {

// A key pair with an optional security token (set for temporary credentials). A copy is independent.
class S3Credentials {
public:
    S3Credentials() = default;
    S3Credentials(const QString& accessKey, const QString& secretKey, const QString& securityToken = {})
        : m_accessKey(accessKey), m_secretKey(secretKey), m_securityToken(securityToken) {}

    QString accessKey() const { return m_accessKey; }
    void setAccessKey(const QString& value) { m_accessKey = value; }
    QString secretKey() const { return m_secretKey; }
    void setSecretKey(const QString& value) { m_secretKey = value; }
    QString securityToken() const { return m_securityToken; }
    void setSecurityToken(const QString& value) { m_securityToken = value; }

    bool operator==(const S3Credentials&) const = default;

private:
    QString m_accessKey;
    QString m_secretKey;
    QString m_securityToken;
};

} // namespace pelnix
