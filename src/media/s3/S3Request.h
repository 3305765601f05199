#pragma once

#include "media/s3/S3ServiceRequest.h"

#include <QDateTime>

namespace pelnix {

// The S3 layer of a request: bucket, key, URL and host (virtual-host or path style), common headers.
class S3Request : public S3ServiceRequest {
public:
    S3Request();
    QString className() const override { return QStringLiteral("S3Request"); }

    // Made on first read as the current time; renewed by every configureURLRequest.
    QDateTime date();
    void setDate(const QDateTime& date) { m_date = date; }
    QString authorization() const { return m_authorization; }
    void setAuthorization(const QString& value) { m_authorization = value; }
    QString contentType() const { return m_contentType; }
    void setContentType(const QString& value) { m_contentType = value; }
    QString securityToken() const { return m_securityToken; }
    void setSecurityToken(const QString& value) { m_securityToken = value; }
    QString bucket() const { return m_bucket; }
    void setBucket(const QString& value) { m_bucket = value; }
    QString key() const { return m_key; }
    void setKey(const QString& value) { m_key = value; }
    // Without the leading "?".
    QString subResource() const { return m_subResource; }
    void setSubResource(const QString& value) { m_subResource = value; }
    qint64 contentLength() const { return m_contentLength; }
    void setContentLength(qint64 value) { m_contentLength = value; }

    // "http" only for an endpoint that starts with "http://".
    QString protocol() const;
    QString host() const;
    QString endpointHost() const { return hostName(); }
    QUrl url() const override;
    // The key as it goes in the path and the signature: each "/"-separated segment URL-encoded, the
    // "/" kept, except in a key with a "." or ".." segment or a leading "/", which is escaped whole.
    QString encodedKey() const;
    // The path of `url` exactly as built: "/" then bucket and "/" in the path style, then
    // `encodedKey`.
    QString encodedPath() const;
    // `date` in RFC 822 form with the clock skew taken off.
    QString timestamp();

    S3URLRequest& configureURLRequest() override;
    std::shared_ptr<S3ServiceResponse> constructResponse() const override;

    QVariantMap archive() const override;
    void unarchive(const QVariantMap& archive) override;

protected:
    // Virtual-host style needs a DNS-compatible bucket and an endpoint host that a bucket label can
    // prefix; otherwise the bucket goes in the path.
    bool usesVirtualHost() const;

    QDateTime m_date;
    QString m_authorization;
    QString m_contentType;
    QString m_securityToken;
    QString m_bucket;
    QString m_key;
    QString m_subResource;
    qint64 m_contentLength = 0;
};

} // namespace pelnix
