#include "media/PLS3UploadCredentials.h"

#include "foundation/Base64.h"
#include "media/s3/S3Endpoints.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace pelnix {

std::optional<PLS3UploadCredentials> PLS3UploadCredentials::fromTokenReply(const QByteArray& reply) {
    // Token services wrap their Base64 in lines (76 columns, CR LF or LF, as MIME does): whatever
    // lies outside the alphabet is skipped. What is not Base64 JSON still fails as JSON below.
    const QJsonDocument document = QJsonDocument::fromJson(PLBase64Decode(reply));
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    PLS3UploadCredentials credentials{
        object.value(QStringLiteral("ak")).toString(), object.value(QStringLiteral("sk")).toString(),
        object.value(QStringLiteral("st")).toString(), object.value(QStringLiteral("ep")).toString()};
    if (credentials.accessKey.isEmpty() || credentials.secretKey.isEmpty())
        return std::nullopt;
    return credentials;
}

QString PLS3UploadCredentials::endpoint() const {
    if (endpointHost.isEmpty())
        return S3Endpoints::s3Endpoint(0);
    // An endpoint that already names its scheme (plain HTTP included) is used as it is.
    if (endpointHost.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive) ||
        endpointHost.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive))
        return endpointHost;
    return QStringLiteral("https://") + endpointHost;
}

std::unique_ptr<S3Client> PLS3UploadCredentials::makeClient(double timeoutSeconds) const {
    auto client = std::make_unique<S3Client>(S3Credentials(accessKey, secretKey, sessionToken));
    client->setEndpoint(endpoint());
    client->setConnectionTimeout(timeoutSeconds);
    // A stalled reply must end the put as well as a stalled connection does.
    client->setTimeout(timeoutSeconds);
    return client;
}

} // namespace pelnix
