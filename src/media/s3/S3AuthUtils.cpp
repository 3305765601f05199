#include "media/s3/S3AuthUtils.h"

#include "media/s3/DateS3SDKUtil.h"
#include "media/s3/S3ClientException.h"
#include "media/s3/S3Logger.h"
#include "media/s3/S3SDKUtil.h"
#include "media/s3/S3ServiceRequest.h"
#include "media/s3/S3SignatureException.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace pelnix {

namespace {
// Log text without the security token a query-style request carries among its parameters.
QString withoutToken(const QString& text, const S3ServiceRequest& request) {
    const QString token = request.parameters().value(QStringLiteral("SecurityToken"));
    if (token.isEmpty())
        return text;
    QString out = text;
    return out.replace(S3SDKUtil::urlEncode(token), QStringLiteral("<redacted>"))
        .replace(token, QStringLiteral("<redacted>"));
}

S3HeaderList sortedHeaders(const S3HeaderList& headers) {
    S3HeaderList sorted = headers;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
    });
    return sorted;
}
} // namespace

QString S3AuthUtils::HMACSign(const QByteArray& data, const QString& key, int algorithm) {
    QCryptographicHash::Algorithm method;
    if (algorithm == SHA1)
        method = QCryptographicHash::Sha1;
    else if (algorithm == SHA256)
        method = QCryptographicHash::Sha256;
    else
        S3SignatureException(QStringLiteral("Invalid hash algorithm"),
                             QStringLiteral("Only SHA1 and SHA256 are supported"))
            .raise();
    // UTF-8 rather than an ASCII conversion: identical for every real key, and a non-ASCII secret
    // does not silently turn into a wrong key.
    return QString::fromLatin1(QMessageAuthenticationCode::hash(data, key.toUtf8(), method).toBase64());
}

QString S3AuthUtils::getV2StringToSign(const QUrl& endpoint, const S3ServiceRequest& request) {
    const QString path = endpoint.path().isEmpty() ? QStringLiteral("/") : endpoint.path();
    return QStringLiteral("POST\n%1\n%2\n%3").arg(endpoint.host(), path, request.queryString());
}

void S3AuthUtils::signRequest(S3ServiceRequest& request, const QString& endpoint,
                              const S3Credentials& credentials) {
    const QString stringToSign = getV2StringToSign(QUrl(endpoint), request);
    S3Logger::logDebug(QStringLiteral("String To Sign:\n%1").arg(withoutToken(stringToSign, request)));
    request.setParameterValue(HMACSign(stringToSign.toUtf8(), credentials.secretKey(), SHA256),
                              QStringLiteral("Signature"));
}

QString S3AuthUtils::signRequestV3(const QString& stringToSign, const S3Credentials& credentials) {
    return HMACSign(stringToSign.toUtf8(), credentials.secretKey(), SHA256);
}

QString S3AuthUtils::s3Authorization(const QString& accessKey, const QString& algorithm,
                                     const QString& signature) {
    return QStringLiteral("AWS3-HTTPS AWSAccessKeyId=%1,Algorithm=%2,Signature=%3")
        .arg(accessKey, algorithm, signature);
}

void S3AuthUtils::signRequestV4(S3ServiceRequest& request, S3HeaderList& headers, const QString& payload,
                                const S3Credentials& credentials, const QDateTime& now) {
    const QString dateStamp = DateS3SDKUtil::dateStamp(now);
    const QString dateTime = DateS3SDKUtil::dateTime(now);
    headers.append({QStringLiteral("X-Amz-Date"), dateTime});
    S3URLRequest& urlRequest = request.urlRequest();
    urlRequest.setValueForHTTPHeaderField(dateTime, QStringLiteral("X-Amz-Date"));

    const QUrl url = urlRequest.url();
    const QString path = getV4CanonicalPath(url, request.serviceName());
    const QString query = url.hasQuery() ? url.query(QUrl::FullyEncoded) : QString();
    S3Logger::logDebug(QStringLiteral("AWS4 Content to Hash: [%1]").arg(withoutToken(payload, request)));
    const QString canonical = getCanonicalizedRequest(urlRequest.httpMethod(), path, query, headers, payload);
    S3Logger::logDebug(QStringLiteral("AWS4 Canonical Request: [%1]").arg(withoutToken(canonical, request)));

    const QString scope =
        QStringLiteral("%1/%2/%3/%4")
            .arg(dateStamp, request.regionName(), request.serviceName(), QStringLiteral("aws4_request"));
    const QString credential = credentials.accessKey() + QLatin1Char('/') + scope;
    const QString stringToSign =
        QStringLiteral("AWS4-HMAC-SHA256\n%1\n%2\n%3").arg(dateTime, scope, hexHash(canonical));
    S3Logger::logDebug(QStringLiteral("AWS4 String to Sign: [%1]").arg(stringToSign));

    const QByteArray key =
        getV4DerivedKey(credentials.secretKey(), dateStamp, request.regionName(), request.serviceName());
    const QString signature = QString::fromLatin1(sha256HMacWithData(stringToSign.toUtf8(), key).toHex());
    urlRequest.setValueForHTTPHeaderField(
        QStringLiteral("%1 %2, %3, %4")
            .arg(QStringLiteral("AWS4-HMAC-SHA256"), QStringLiteral("Credential=%1").arg(credential),
                 QStringLiteral("SignedHeaders=%1").arg(getSignedHeadersString(headers)),
                 QStringLiteral("Signature=%1").arg(signature)),
        QStringLiteral("Authorization"));
}

QByteArray S3AuthUtils::sha256HMac(const QByteArray& data, const QString& key) {
    return sha256HMacWithData(data, key.toUtf8());
}

QByteArray S3AuthUtils::sha256HMacWithData(const QByteArray& data, const QByteArray& key) {
    return QMessageAuthenticationCode::hash(data, key, QCryptographicHash::Sha256);
}

QByteArray S3AuthUtils::hash(const QByteArray& data) {
    if (quint64(data.size()) > std::numeric_limits<quint32>::max())
        S3ClientException(
            QStringLiteral("The NSData size is too large. The maximum allowable size is UINT32_MAX."))
            .raise();
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256);
}

QString S3AuthUtils::hexHash(const QString& text) {
    return QString::fromLatin1(hash(text.toUtf8()).toHex());
}

QByteArray S3AuthUtils::getV4DerivedKey(const QString& secret, const QString& dateStamp,
                                        const QString& region, const QString& service) {
    const QByteArray k1 = sha256HMacWithData(dateStamp.toUtf8(), (QStringLiteral("AWS4") + secret).toUtf8());
    const QByteArray k2 = sha256HMacWithData(region.toUtf8(), k1);
    const QByteArray k3 = sha256HMacWithData(service.toUtf8(), k2);
    return sha256HMacWithData(QByteArrayLiteral("aws4_request"), k3);
}

QString S3AuthUtils::getCanonicalizedRequest(const QString& method, const QString& path, const QString& query,
                                             const S3HeaderList& headers, const QString& payload) {
    return QStringLiteral("%1\n%2\n%3\n%4\n%5\n%6")
        .arg(method, path, query, getCanonicalizedHeaderString(headers), getSignedHeadersString(headers),
             hexHash(payload));
}

QString S3AuthUtils::getCanonicalizedHeaderString(const S3HeaderList& headers) {
    QString text;
    for (const auto& header : sortedHeaders(headers))
        text += header.first.toLower() + QLatin1Char(':') + header.second + QLatin1Char('\n');
    static const QRegularExpression runs(QStringLiteral("[ \\t]+"));
    text.replace(runs, QStringLiteral(" "));
    // Leading and trailing spaces of the whole text go; line breaks stay.
    qsizetype start = 0;
    while (start < text.size() && (text.at(start) == QLatin1Char(' ') || text.at(start) == QLatin1Char('\t')))
        ++start;
    qsizetype end = text.size();
    while (end > start && (text.at(end - 1) == QLatin1Char(' ') || text.at(end - 1) == QLatin1Char('\t')))
        --end;
    return text.mid(start, end - start);
}

QString S3AuthUtils::getV4CanonicalPath(const QUrl& url, const QString& serviceName) {
    // The network layer resolves "." and ".." segments before sending; sign the path it sends.
    const QString sent = url.adjusted(QUrl::NormalizePathSegments).path(QUrl::FullyEncoded);
    if (sent.isEmpty())
        return QStringLiteral("/");
    const bool once = serviceName == QLatin1String("s3");
    QStringList segments = sent.split(QLatin1Char('/'));
    for (QString& segment : segments) {
        QByteArray encoded = QByteArray::fromPercentEncoding(segment.toUtf8()).toPercentEncoding();
        if (!once)
            encoded = encoded.toPercentEncoding();
        segment = QString::fromLatin1(encoded);
    }
    return segments.join(QLatin1Char('/'));
}

QString S3AuthUtils::getSignedHeadersString(const S3HeaderList& headers) {
    QStringList names;
    for (const auto& header : sortedHeaders(headers))
        names << header.first.toLower();
    return names.join(QLatin1Char(';'));
}

} // namespace pelnix
