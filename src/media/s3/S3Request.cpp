#include "media/s3/S3Request.h"

#include "media/s3/DateS3SDKUtil.h"
#include "media/s3/S3BucketNameUtilities.h"
#include "media/s3/S3Response.h"
#include "media/s3/StringS3SDKUtil.h"

namespace pelnix {

S3Request::S3Request() {
    m_httpMethod = QStringLiteral("GET");
}

QDateTime S3Request::date() {
    if (!m_date.isValid())
        m_date = QDateTime::currentDateTimeUtc();
    return m_date;
}

QString S3Request::protocol() const {
    return m_endpoint.startsWith(QLatin1String("http://")) ? QStringLiteral("http") : QStringLiteral("https");
}

bool S3Request::usesVirtualHost() const {
    return !m_bucket.isEmpty() && S3BucketNameUtilities::isDNSBucketName(m_bucket);
}

QString S3Request::host() const {
    return usesVirtualHost() ? m_bucket + QLatin1Char('.') + hostName() : hostName();
}

QString S3Request::encodedPath() const {
    const QString encodedKey = m_key.isEmpty() ? QString() : StringS3SDKUtil::stringWithURLEncoding(m_key);
    if (!m_bucket.isEmpty() && !usesVirtualHost())
        return QLatin1Char('/') + m_bucket + QLatin1Char('/') + encodedKey;
    return QLatin1Char('/') + encodedKey;
}

QUrl S3Request::url() const {
    const QString query = m_subResource.isEmpty() ? QString() : QLatin1Char('?') + m_subResource;
    const QString text = protocol() + QStringLiteral("://") + host() + encodedPath() + query;
    // Strict parsing keeps every escape as written, so "%2F" in a key is not turned into a separator.
    return QUrl::fromEncoded(text.toUtf8(), QUrl::StrictMode);
}

QString S3Request::timestamp() {
    return DateS3SDKUtil::stringWithRFC822Format(date());
}

S3URLRequest& S3Request::configureURLRequest() {
    S3ServiceRequest::configureURLRequest();
    m_httpMethod = QStringLiteral("GET");
    m_urlRequest.setValueForHTTPHeaderField(QString::number(m_contentLength),
                                            QStringLiteral("Content-Length"));
    m_urlRequest.setValueForHTTPHeaderField(host(), QStringLiteral("Host"));
    m_date = QDateTime::currentDateTimeUtc(); // every attempt carries a fresh Date
    m_urlRequest.setValueForHTTPHeaderField(timestamp(), QStringLiteral("Date"));
    m_urlRequest.setHTTPMethod(m_httpMethod);
    if (!m_contentType.isNull())
        m_urlRequest.setValueForHTTPHeaderField(m_contentType, QStringLiteral("Content-Type"));
    if (!m_securityToken.isNull())
        m_urlRequest.setValueForHTTPHeaderField(m_securityToken, QStringLiteral("x-amz-security-token"));
    m_urlRequest.setURL(url());
    m_urlRequest.setEndpointHost(hostName());
    m_urlRequest.setCredentials(m_credentials);
    return m_urlRequest;
}

std::shared_ptr<S3ServiceResponse> S3Request::constructResponse() const {
    return std::make_shared<S3Response>();
}

QVariantMap S3Request::archive() const {
    QVariantMap map = S3ServiceRequest::archive();
    map.insert(QStringLiteral("Authorization"), m_authorization);
    map.insert(QStringLiteral("ContentLength"), m_contentLength);
    map.insert(QStringLiteral("ContentType"), m_contentType);
    map.insert(QStringLiteral("SecurityToken"), m_securityToken);
    map.insert(QStringLiteral("Bucket"), m_bucket);
    map.insert(QStringLiteral("Key"), m_key);
    map.insert(QStringLiteral("SubResource"), m_subResource);
    return map;
}

void S3Request::unarchive(const QVariantMap& archive) {
    S3ServiceRequest::unarchive(archive);
    auto text = [&](const char* key) {
        const QVariant v = archive.value(QLatin1String(key));
        return v.isValid() && !v.toString().isNull() ? v.toString() : QString();
    };
    m_authorization = text("Authorization");
    m_contentLength = archive.value(QStringLiteral("ContentLength")).toLongLong();
    m_contentType = text("ContentType");
    m_securityToken = text("SecurityToken");
    m_bucket = text("Bucket");
    m_key = text("Key");
    m_subResource = text("SubResource");
}

} // namespace pelnix
