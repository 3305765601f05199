#include "foundation/KeyValueSource.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QMetaProperty>

namespace pelnix {

QVariant KeyValueSource::step(const QVariant& container, const QString& key) {
    switch (container.metaType().id()) {
    case QMetaType::QVariantMap: {
        const QVariantMap& map = *static_cast<const QVariantMap*>(container.constData());
        const auto it = map.constFind(key);
        return it == map.cend() ? QVariant() : *it;
    }
    case QMetaType::QVariantHash: {
        const QVariantHash& hash = *static_cast<const QVariantHash*>(container.constData());
        const auto it = hash.constFind(key);
        return it == hash.cend() ? QVariant() : *it;
    }
    case QMetaType::QJsonObject: {
        const QJsonObject& object = *static_cast<const QJsonObject*>(container.constData());
        const auto it = object.constFind(key);
        if (it == object.constEnd())
            return {};
        // Nested objects stay JSON while walking a path; only the answer is converted.
        const QJsonValue value = it.value();
        if (value.isObject())
            return QVariant::fromValue(value.toObject());
        if (value.isArray())
            return QVariant::fromValue(value.toArray());
        return value.toVariant();
    }
    case QMetaType::QObjectStar: {
        const QObject* object = container.value<QObject*>();
        if (!object || key.isEmpty())
            return {};
        const QByteArray name = key.toUtf8();
        if (object->metaObject()->indexOfProperty(name.constData()) < 0 &&
            !object->dynamicPropertyNames().contains(name))
            return {};
        return object->property(name.constData());
    }
    default:
        return {};
    }
}

QVariant KeyValueSource::normalized(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::QJsonObject:
        return value.toJsonObject().toVariantMap();
    case QMetaType::QJsonArray:
        return value.toJsonArray().toVariantList();
    default:
        return value;
    }
}

QVariant KeyValueSource::value(const QString& key) const {
    return normalized(step(m_value, key));
}

QVariant KeyValueSource::valueForPath(const QString& keyPath) const {
    QVariant current = m_value;
    for (const QString& key : keyPath.split(QLatin1Char('.'))) {
        current = step(current, key);
        if (!current.isValid())
            return {};
    }
    return normalized(current);
}

} // namespace pelnix
