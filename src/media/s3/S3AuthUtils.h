#pragma once

#include "media/s3/S3Credentials.h"
#include "media/s3/S3URLRequest.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

namespace pelnix {

class S3ServiceRequest;

// Signatures of the storage provider's schemes: the S3 keyed hash, query signing (versions 2 and 3)
// and version 4. Key bytes are the key's UTF-8 bytes.
class S3AuthUtils {
public:
    enum Algorithm { SHA1 = 0, SHA256 = 2 };

    // Base64 of the HMAC digest; any other algorithm raises S3SignatureException.
    static QString HMACSign(const QByteArray& data, const QString& key, int algorithm);

    static void signRequest(S3ServiceRequest& request, const QString& endpoint,
                            const S3Credentials& credentials);
    static QString getV2StringToSign(const QUrl& endpoint, const S3ServiceRequest& request);
    static QString signRequestV3(const QString& stringToSign, const S3Credentials& credentials);
    static QString s3Authorization(const QString& accessKey, const QString& algorithm,
                                   const QString& signature);

    // Sets "X-Amz-Date" and "Authorization" on the request's URL request (and "X-Amz-Date" in `headers`).
    static void signRequestV4(S3ServiceRequest& request, S3HeaderList& headers, const QString& payload,
                              const S3Credentials& credentials,
                              const QDateTime& now = QDateTime::currentDateTimeUtc());

    static QByteArray sha256HMac(const QByteArray& data, const QString& key);
    static QByteArray sha256HMacWithData(const QByteArray& data, const QByteArray& key);
    static QByteArray hash(const QByteArray& data);
    // Lower-case hex of the SHA-256 of the UTF-8 bytes.
    static QString hexHash(const QString& text);
    static QByteArray getV4DerivedKey(const QString& secret, const QString& dateStamp, const QString& region,
                                      const QString& service);
    static QString getCanonicalizedRequest(const QString& method, const QString& path, const QString& query,
                                           const S3HeaderList& headers, const QString& payload);
    static QString getCanonicalizedHeaderString(const S3HeaderList& headers);
    static QString getSignedHeadersString(const S3HeaderList& headers);
    // The canonical path of a URL for version 4: the path as sent ("/" when empty), each segment
    // decoded and URI-encoded again (only A-Z a-z 0-9 - . _ ~ stay), once for "s3" and twice for every
    // other service.
    static QString getV4CanonicalPath(const QUrl& url, const QString& serviceName);
};

} // namespace pelnix
