#include "media/s3/S3PutObjectRequest.h"

#include "media/s3/S3MD5Util.h"
#include "media/s3/S3PutObjectResponse.h"
#include "media/s3/S3SDKUtil.h"

#include <QFile>
#include <QFileInfo>

namespace pelnix {

S3PutObjectRequest::S3PutObjectRequest(const QString& key, const QString& bucket) {
    m_key = key;
    m_bucket = bucket;
}

void S3PutObjectRequest::setExpires(qint32 seconds) {
    m_expires = seconds;
    m_expiresSet = true;
}

S3ExceptionPtr S3PutObjectRequest::validate() {
    if (auto base = S3AbstractPutRequest::validate())
        return base;
    if (m_filename.isNull())
        return nullptr;
    const QFileInfo info(m_filename);
    if (!info.isFile() || !info.isReadable())
        return std::make_shared<S3ClientException>(QStringLiteral("The specified file cannot be read."));
    auto file = std::make_shared<QFile>(m_filename);
    if (!file->open(QIODevice::ReadOnly))
        return std::make_shared<S3ClientException>(
            QStringLiteral("Could not open file for streaming: %1").arg(file->errorString()));
    m_contentLength = info.size();
    m_contentType = S3SDKUtil::MIMETypeForExtension(info.suffix());
    m_stream = file;
    return nullptr;
}

S3URLRequest& S3PutObjectRequest::configureURLRequest() {
    S3AbstractPutRequest::configureURLRequest();
    if (m_contentMD5.isNull() && m_generateMD5) {
        if (!m_data.isNull()) {
            m_contentMD5 = S3MD5Util::base64md5FromData(m_data);
        } else if (!m_filename.isNull()) {
            QFile file(m_filename);
            if (file.open(QIODevice::ReadOnly))
                m_contentMD5 = S3MD5Util::base64md5FromStream(&file).value_or(QString());
        }
    }
    m_urlRequest.setHTTPMethod(QStringLiteral("PUT"));
    auto setIfPresent = [this](const QString& value, const char* name) {
        if (!value.isNull())
            m_urlRequest.setValueForHTTPHeaderField(value, QLatin1String(name));
    };
    setIfPresent(m_expect, "Expect");
    setIfPresent(m_contentMD5, "Content-MD5");
    setIfPresent(m_contentEncoding, "Content-Encoding");
    setIfPresent(m_contentDisposition, "Content-Disposition");
    setIfPresent(m_cacheControl, "Cache-Control");
    setIfPresent(m_redirectLocation, "x-amz-website-redirect-location");
    if (m_expiresSet)
        m_urlRequest.setValueForHTTPHeaderField(QString::number(m_expires), QStringLiteral("Expires"));
    if (m_stream) {
        m_urlRequest.setHTTPBodyStream(m_stream);
    } else {
        m_urlRequest.setHTTPBody(m_data);
        if (m_contentLength < 1)
            m_urlRequest.setValueForHTTPHeaderField(QString::number(m_data.size()),
                                                    QStringLiteral("Content-Length"));
    }
    return m_urlRequest;
}

std::shared_ptr<S3ServiceResponse> S3PutObjectRequest::constructResponse() const {
    return std::make_shared<S3PutObjectResponse>();
}

QVariantMap S3PutObjectRequest::archive() const {
    QVariantMap map = S3AbstractPutRequest::archive();
    map.insert(QStringLiteral("CacheControl"), m_cacheControl);
    map.insert(QStringLiteral("ContentDisposition"), m_contentDisposition);
    map.insert(QStringLiteral("ContentEncoding"), m_contentEncoding);
    map.insert(QStringLiteral("ContentMD5"), m_contentMD5);
    map.insert(QStringLiteral("GenerateMD5"), m_generateMD5);
    map.insert(QStringLiteral("Expect"), m_expect);
    map.insert(QStringLiteral("Expires"), m_expires);
    map.insert(QStringLiteral("Data"), m_data);
    map.insert(QStringLiteral("Filename"), m_filename);
    map.insert(QStringLiteral("RedirectionLocation"), m_redirectLocation);
    return map;
}

void S3PutObjectRequest::unarchive(const QVariantMap& archive) {
    S3AbstractPutRequest::unarchive(archive);
    auto text = [&](const char* key) {
        const QVariant v = archive.value(QLatin1String(key));
        return v.isValid() && !v.toString().isNull() ? v.toString() : QString();
    };
    m_cacheControl = text("CacheControl");
    m_contentDisposition = text("ContentDisposition");
    m_contentEncoding = text("ContentEncoding");
    m_contentMD5 = text("ContentMD5");
    m_generateMD5 = archive.value(QStringLiteral("GenerateMD5"), true).toBool();
    m_expect = text("Expect");
    // Read back through the setter, so a decoded request always sends "Expires".
    setExpires(archive.value(QStringLiteral("Expires")).toInt());
    m_data = archive.value(QStringLiteral("Data")).toByteArray();
    m_filename = text("Filename");
    m_redirectLocation = text("RedirectionLocation");
}

} // namespace pelnix
