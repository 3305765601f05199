#include "media/PLMultiMediaInfo.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace pelnix {

QVariantMap PLMultiMediaInfo::mediaInfoDictionary() const {
    return {{QStringLiteral("fileId"), fileID},
            {QStringLiteral("fileMime"), fileMime},
            {QStringLiteral("fileName"), fileName},
            {QStringLiteral("fileUrl"), s3TinyURL},
            {QStringLiteral("preview"), preview},
            {QStringLiteral("fileSize"), fileSize},
            {QStringLiteral("caption"), caption},
            {QStringLiteral("src"), QString()},
            {QStringLiteral("width"), bigImgSize.width()},
            {QStringLiteral("height"), bigImgSize.height()}};
}

QString PLMultiMediaInfo::representMediaInfoAsString() const {
    return QString::fromUtf8(
        QJsonDocument(QJsonObject::fromVariantMap(mediaInfoDictionary())).toJson(QJsonDocument::Indented));
}

std::optional<PLMultiMediaInfo> PLMultiMediaInfo::multiMediaInfoFromJSONstring(const QString& text) {
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isObject())
        return std::nullopt;
    return fromDictionary(document.object().toVariantMap());
}

PLMultiMediaInfo PLMultiMediaInfo::fromDictionary(const QVariantMap& map) {
    PLMultiMediaInfo info;
    info.fileID = map.value(QStringLiteral("fileId")).toString();
    info.fileMime = map.value(QStringLiteral("fileMime")).toString();
    info.fileName = map.value(QStringLiteral("fileName")).toString();
    info.s3TinyURL = map.value(QStringLiteral("fileUrl")).toString();
    // Older posts carry the preview under its former key.
    info.preview = map.contains(QStringLiteral("preview"))
                       ? map.value(QStringLiteral("preview")).toString()
                       : map.value(QStringLiteral("thumbnailBase64")).toString();
    info.fileSize = map.value(QStringLiteral("fileSize")).toString();
    info.caption = map.value(QStringLiteral("caption")).toString();
    info.bigImgSize =
        QSizeF(map.value(QStringLiteral("width")).toFloat(), map.value(QStringLiteral("height")).toFloat());
    return info;
}

} // namespace pelnix
