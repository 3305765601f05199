#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace pelnix::JSONSerialization {

// Pretty-printed JSON text of a dictionary or array (QVariantMap, QVariantList, QJsonObject,
// QJsonArray, QJsonDocument); "" for anything JSON cannot represent as a document.
QString convertJsonToString(const QVariant& object);

// The dictionary in `text`; JSON that was itself encoded as a JSON string is unwrapped as often
// as needed. None for empty text, a parse failure or any other top-level value (an array, say).
std::optional<QVariantMap> convertStringToDictionary(const QString& text);

} // namespace pelnix::JSONSerialization
