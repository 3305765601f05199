#include "media/PLS3UploadServices.h"

#include "core/api/PLAppConfigurations.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace pelnix {

QString PLS3TokenGeneratorService::targetURLString() const {
    return PLAppConfigurations::currentConfiguration()->baseS3TokenURL();
}

QList<QPair<QByteArray, QByteArray>> PLS3TokenGeneratorService::additionalHeaders() const {
    return {{QByteArrayLiteral("version"), QByteArrayLiteral("v1")}};
}

QString PLS3URLGeneratorService::targetURLString() const {
    const auto* configuration = PLAppConfigurations::currentConfiguration();
    // IDs come from prefixes and MIME types carry "/": escape them so the query stays one value each.
    const auto escaped = [](const QString& value) {
        return QString::fromLatin1(QUrl::toPercentEncoding(value));
    };
    return configuration->baseS3FileURL() + QStringLiteral("fileId=") + escaped(fileID()) +
           QStringLiteral("&bucket=") + escaped(configuration->pictureBucketParameterValue()) +
           QStringLiteral("&fileMime=") + escaped(fileMime()) + QStringLiteral("&shortened=true");
}

QString PLS3URLGeneratorService::shortURLFromReply(const QByteArray& data) {
    const QJsonObject reply = QJsonDocument::fromJson(data).object();
    if (reply.value(QStringLiteral("status")).toString() != QStringLiteral("Success"))
        return QString();
    return reply.value(QStringLiteral("url")).toString();
}

} // namespace pelnix
