#pragma once

#include <QJsonObject>
#include <QObject>
#include <QVariant>
#include <QVariantHash>
#include <QVariantMap>

namespace pelnix {

// Anything the safe readers can read keys from: a parsed JSON dictionary (QVariantMap, QVariantHash,
// QJsonObject) or an object with properties. Taking one never copies the container's content.
class KeyValueSource {
public:
    KeyValueSource(const QVariantMap& map) : m_value(map) {}
    KeyValueSource(const QVariantHash& hash) : m_value(hash) {}
    KeyValueSource(const QJsonObject& object) : m_value(QVariant::fromValue(object)) {}
    KeyValueSource(const QObject* object) : m_value(QVariant::fromValue(const_cast<QObject*>(object))) {}
    // A value of any of the kinds above; any other value has no keys.
    explicit KeyValueSource(const QVariant& value) : m_value(value) {}

    // The value under `key`; an invalid QVariant when the source has no such key or no keys at all.
    // JSON null reads as a null (std::nullptr_t) QVariant. JSON containers come back as
    // QVariantMap and QVariantList.
    QVariant value(const QString& key) const;
    // The same along a dotted key path ("user.profile.name"), through nested containers.
    QVariant valueForPath(const QString& keyPath) const;

private:
    static QVariant step(const QVariant& container, const QString& key);
    static QVariant normalized(const QVariant& value);

    QVariant m_value;
};

} // namespace pelnix
