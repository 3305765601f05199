#include "foundation/JsonHelpers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace pelnix::JSONSerialization {

namespace {
QJsonDocument documentFor(const QVariant& object) {
    switch (object.metaType().id()) {
    case QMetaType::QJsonDocument:
        return object.toJsonDocument();
    case QMetaType::QJsonObject:
        return QJsonDocument(object.toJsonObject());
    case QMetaType::QJsonArray:
        return QJsonDocument(object.toJsonArray());
    default:
        return QJsonDocument::fromVariant(object);
    }
}

// Any top-level JSON value, including the bare strings and numbers a plain document parse refuses.
std::optional<QJsonValue> parseValue(const QByteArray& utf8) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(utf8, &error);
    if (error.error == QJsonParseError::NoError) {
        if (document.isObject())
            return QJsonValue(document.object());
        return QJsonValue(document.array());
    }
    const QJsonDocument wrapped = QJsonDocument::fromJson("[" + utf8 + "]", &error);
    if (error.error != QJsonParseError::NoError || wrapped.array().size() != 1)
        return std::nullopt;
    return wrapped.array().at(0);
}
} // namespace

QString convertJsonToString(const QVariant& object) {
    const QJsonDocument document = documentFor(object);
    if (document.isNull())
        return {};
    return QString::fromUtf8(document.toJson(QJsonDocument::Indented));
}

std::optional<QVariantMap> convertStringToDictionary(const QString& text) {
    QString current = text;
    // Each unwrapping yields strictly shorter text, so this ends.
    while (!current.isEmpty()) {
        const std::optional<QJsonValue> value = parseValue(current.toUtf8());
        if (!value)
            return std::nullopt;
        if (value->isObject())
            return value->toObject().toVariantMap();
        if (!value->isString())
            return std::nullopt;
        current = value->toString();
    }
    return std::nullopt;
}

} // namespace pelnix::JSONSerialization
