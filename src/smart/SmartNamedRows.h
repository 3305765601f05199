#pragma once

#include "platform/store/Predicate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace pelnix::SmartNamedRows {

inline platform::Predicate named(const QString& name, const QString& category) {
    return platform::PredicateKey(QStringLiteral("name")) == name &&
           platform::PredicateKey(QStringLiteral("category")) == category;
}

// The "data" of one downloaded entry as stored text: a string as it is, an object or array as
// compact JSON.
inline QString dataText(const QJsonValue& data) {
    if (data.isObject())
        return QString::fromUtf8(QJsonDocument(data.toObject()).toJson(QJsonDocument::Compact));
    if (data.isArray())
        return QString::fromUtf8(QJsonDocument(data.toArray()).toJson(QJsonDocument::Compact));
    return data.toString();
}

// Stores each {"name", "category", "data"} entry of `entries` in Entity (one row per name and
// category, replaced when present) and saves the current thread's context. Entries without a name
// or data are skipped. Answers how many rows were written.
template <class Entity> int store(const QJsonArray& entries) {
    int written = 0;
    typename Entity::Ptr last;
    for (const QJsonValue& value : entries) {
        const QJsonObject entry = value.toObject();
        const QString name = entry.value(QStringLiteral("name")).toString();
        const QString data = dataText(entry.value(QStringLiteral("data")));
        if (name.isEmpty() || data.isEmpty())
            continue;
        const QString category = entry.value(QStringLiteral("category")).toString();
        auto row = Entity::PS_findFirstWithPredicate(named(name, category));
        if (!row) {
            row = Entity::PS_createEntity();
            row->setName(name);
            row->setCategory(category);
        }
        row->setData(data);
        last = row;
        ++written;
    }
    if (last)
        last->save();
    return written;
}

} // namespace pelnix::SmartNamedRows
