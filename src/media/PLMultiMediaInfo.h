#pragma once

#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace pelnix {

// The description of one uploaded file; its JSON form (the media info JSON) travels in pending posts
// and in smart-message values.
struct PLMultiMediaInfo {
    QString fileID;
    QString fileName;
    QString fileSize;
    QString fileMime;
    QString assetURL;
    QString preview;
    QString s3TinyURL;
    QString caption;
    QSizeF bigImgSize{0, 0};

    // Every string key is written, "" where unset; "src" is always "".
    QVariantMap mediaInfoDictionary() const;
    QString representMediaInfoAsString() const;
    // Empty when the text is not a JSON object.
    static std::optional<PLMultiMediaInfo> multiMediaInfoFromJSONstring(const QString& text);
    static PLMultiMediaInfo fromDictionary(const QVariantMap& map);

    bool operator==(const PLMultiMediaInfo&) const = default;
};

} // namespace pelnix
