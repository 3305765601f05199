#include "media/s3/S3Request.h"

#include "media/s3/DateS3SDKUtil.h"
#include "media/s3/S3BucketNameUtilities.h"
#include "media/s3/S3Response.h"
#include "media/s3/StringS3SDKUtil.h"

#include <QHostAddress>
#include <algorithm>

namespace pelnix {

namespace {

// Whether "<bucket>." in front of the endpoint's host still names a host: not for an address (v4 or
// v6), a single-label name such as localhost, or an authority whose port is not a port.
bool hostTakesBucketLabel(const QString& authority) {
    if (authority.isEmpty() || authority.startsWith(QLatin1Char('[')))
        return false;
    QString host = authority;
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool isPort = false;
        const uint port = host.mid(colon + 1).toUInt(&isPort);
        if (!isPort || port == 0 || port > 65535 || host.left(colon).contains(QLatin1Char(':')))
            return false;
        host.truncate(colon);
    }
    if (!host.contains(QLatin1Char('.')) || host.endsWith(QLatin1Char('.')))
        return false;
    QHostAddress address;
    return !address.setAddress(host);
}

} // namespace

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
    return !m_bucket.isEmpty() && S3BucketNameUtilities::isDNSBucketName(m_bucket) &&
           hostTakesBucketLabel(hostName());
}

QString S3Request::host() const {
    return usesVirtualHost() ? m_bucket + QLatin1Char('.') + hostName() : hostName();
}

QString S3Request::encodedKey() const {
    if (m_key.isEmpty())
        return {};
    const QStringList segments = m_key.split(QLatin1Char('/'));
    // The network layer resolves a "." or ".." segment away and merges the "//" a leading "/" makes at
    // the start of a path (the object would land elsewhere), so such a key travels as one escaped
    // segment. Other empty segments are kept as they are, as clients send them.
    const bool resolvable = m_key.startsWith(QLatin1Char('/')) ||
                            std::any_of(segments.cbegin(), segments.cend(), [](const QString& segment) {
                                return segment == QLatin1String(".") || segment == QLatin1String("..");
                            });
    if (resolvable)
        return StringS3SDKUtil::stringWithURLEncoding(m_key);
    QStringList encoded;
    encoded.reserve(segments.size());
    for (const QString& segment : segments)
        encoded << StringS3SDKUtil::stringWithURLEncoding(segment);
    return encoded.join(QLatin1Char('/'));
}

QString S3Request::encodedPath() const {
    if (!m_bucket.isEmpty() && !usesVirtualHost())
        return QLatin1Char('/') + m_bucket + QLatin1Char('/') + encodedKey();
    return QLatin1Char('/') + encodedKey();
}

QUrl S3Request::url() const {
    const QString query = m_subResource.isEmpty() ? QString() : QLatin1Char('?') + m_subResource;
    const QString text = protocol() + QStringLiteral("://") + host() + encodedPath() + query;
    // Strict parsing keeps every escape as written, so an escaped "/" is not turned into a separator.
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
