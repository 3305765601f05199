#include "foundation/persistence/PLDataImport.h"

#include "foundation/persistence/PLEntityQueries.h"
#include "foundation/persistence/PLManagedObject.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace pelnix::PLDataImport {

using platform::AttributeDescription;
using platform::AttributeType;
using platform::ObjectPtr;
using platform::RelationshipDescription;

namespace {
const QString kMappedKeyName = QStringLiteral("mappedKeyName");
const QString kRelatedByAttribute = QStringLiteral("relatedByAttribute");
const QString kDefaultDateFormat = QStringLiteral("yyyy-MM-dd'T'HH:mm:ssz");

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

bool isText(const QVariant& v) {
    return v.typeId() == QMetaType::QString;
}

bool isMap(const QVariant& v) {
    return v.typeId() == QMetaType::QVariantMap;
}

bool isDateAttribute(const AttributeDescription& a) {
    return a.type == AttributeType::Int64 && a.userInfo.contains(QStringLiteral("dateFormat"));
}

// A Unicode date pattern in Qt's terms: zone letters become "t", fraction letters "z".
QString qtDateFormat(const QString& pattern, bool* hasZone) {
    QString out;
    bool quoted = false;
    *hasZone = false;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
            continue;
        }
        if (!quoted && (c == QLatin1Char('z') || c == QLatin1Char('Z') || c == QLatin1Char('X'))) {
            while (i + 1 < pattern.size() && pattern[i + 1] == c)
                ++i;
            out += QLatin1Char('t');
            *hasZone = true;
        } else if (!quoted && c == QLatin1Char('S')) {
            out += QLatin1Char('z');
        } else if (!quoted && c == QLatin1Char('a')) {
            out += QStringLiteral("AP");
        } else {
            out += c;
        }
    }
    return out;
}

QString linkingAttributeName(const RelationshipDescription& r) {
    const QString named = r.userInfo.value(kRelatedByAttribute).toString();
    return named.isEmpty() ? PS_primaryKeyNameFromString(r.destination->name()) : named;
}

bool importThroughHook(const ObjectPtr& object, const QString& key, const QVariant& value) {
    auto* pl = dynamic_cast<PLManagedObject*>(object.get());
    return pl && pl->importValue(key, value);
}

ObjectPtr findObject(const QString& entity, const QString& attribute, const QVariant& value,
                     const ContextPtr& c) {
    auto r = PLEntityQueries::PS_requestFirstByAttribute(entity, attribute, value);
    return PLEntityQueries::PS_executeFetchRequestAndReturnFirstObject(r, c);
}

void importRelationshipItem(const ObjectPtr& object, const RelationshipDescription& r, const QVariant& item) {
    auto* ctx = object->managedObjectContext();
    if (!ctx)
        return;
    const ContextPtr context = ctx->shared_from_this();
    const QString link = linkingAttributeName(r);
    QVariant lookup = item;
    if (isMap(item)) {
        lookup = {};
        if (const auto* linkAttr = r.destination->attributeNamed(link)) {
            const auto key = PS_lookupKeyForAttribute(*linkAttr, item);
            lookup = valueAtKeyPath(item, key.value_or(link));
        }
    }
    ObjectPtr target = lookup.isNull() ? nullptr : findObject(r.destination->name(), link, lookup, context);
    if (!target)
        target = PLEntityQueries::PS_createEntity(r.destination->name(), context);
    if (!target)
        return;
    PS_importValuesForKeysWithObject(target, item);
    if (!item.isNull() && !isMap(item) && !importThroughHook(target, link, item))
        target->setValue(link, item);
    if (r.toMany)
        object->addObject(r.name, target);
    else
        object->setObject(r.name, target);
}
} // namespace

QVariant valueAtKeyPath(const QVariant& data, const QString& keyPath) {
    QVariant current = data;
    for (const QString& part : keyPath.split(QLatin1Char('.'))) {
        if (!isMap(current))
            return {};
        current = current.toMap().value(part);
    }
    return current.isNull() ? QVariant() : current;
}

std::optional<QString> PS_lookupKeyForAttribute(const AttributeDescription& a, const QVariant& data) {
    if (!isMap(data))
        return std::nullopt;
    const QString mapped = a.userInfo.value(kMappedKeyName).toString();
    const QString first = mapped.isEmpty() ? a.name : mapped;
    if (!valueAtKeyPath(data, first).isNull())
        return first;
    for (int i = 1; i <= 9; ++i) {
        const QString alternative =
            a.userInfo.value(QStringLiteral("%1.%2").arg(kMappedKeyName).arg(i)).toString();
        if (alternative.isEmpty())
            return std::nullopt; // the search ends at the first missing alternative
        if (!valueAtKeyPath(data, alternative).isNull())
            return alternative;
    }
    return std::nullopt;
}

QVariant PS_valueForKeyPath(const AttributeDescription& a, const QString& keyPath, const QVariant& data) {
    const QVariant v = valueAtKeyPath(data, keyPath);
    if (v.isNull())
        return {};
    const QString className = a.userInfo.value(QStringLiteral("attributeValueClassName")).toString();
    if (className.endsWith(QLatin1String("Color")))
        return PS_colorFromString(v.toString());
    if (!className.isEmpty())
        return v;
    if (isDateAttribute(a)) {
        const QString format = a.userInfo.value(QStringLiteral("dateFormat")).toString();
        QDateTime date;
        if (v.typeId() == QMetaType::QDateTime)
            date = v.toDateTime();
        else if (isNumber(v))
            date = PS_dateFromNumber(v.toDouble(), format == QLatin1String("UnixTime"));
        else
            date = PS_dateFromString(v.toString(), format.isEmpty() ? kDefaultDateFormat : format);
        return date.isValid() ? QVariant(qlonglong(date.toMSecsSinceEpoch())) : QVariant();
    }
    switch (a.type) {
    case AttributeType::Int16:
    case AttributeType::Int32:
    case AttributeType::Int64:
    case AttributeType::Double:
        return isNumber(v) ? v : QVariant(PS_numberFromString(v.toString()));
    case AttributeType::String:
        return isText(v) ? v : QVariant(v.toString());
    case AttributeType::Bool:
        return isNumber(v) ? v : QVariant(v.toBool());
    case AttributeType::Binary:
        return v;
    }
    return v;
}

ObjectPtr PS_importFromObject(const QString& entityName, const QVariant& data, const ContextPtr& context) {
    const ContextPtr c = PLEntityQueries::resolve(context);
    if (!c)
        return nullptr;
    const auto* entity = c->store()->model()->entityNamed(entityName);
    if (!entity)
        return nullptr;
    QString primary = entity->userInfoMap().value(kRelatedByAttribute).toString();
    if (primary.isEmpty())
        primary = PS_primaryKeyNameFromString(entityName);
    ObjectPtr object;
    if (const auto* p = entity->attributeNamed(primary)) {
        const auto key = PS_lookupKeyForAttribute(*p, data);
        object = findObject(entityName, primary, key ? valueAtKeyPath(data, *key) : QVariant(), c);
    }
    if (!object)
        object = PLEntityQueries::PS_createEntity(entityName, c);
    if (object)
        PS_importValuesForKeysWithObject(object, data);
    return object;
}

QList<ObjectPtr> PS_importFromArray(const QString& entity, const QVariantList& items,
                                    const ContextPtr& context) {
    QList<ObjectPtr> out;
    for (const QVariant& item : items)
        if (auto o = PS_importFromObject(entity, item, context))
            out << o;
    return out;
}

bool PS_importValuesForKeysWithObject(const ObjectPtr& object, const QVariant& data) {
    if (!object || object->isInert())
        return false;
    auto* pl = dynamic_cast<PLManagedObject*>(object.get());
    if (pl) {
        if (!pl->shouldImport(data))
            return false;
        pl->willImport(data);
    }
    const auto* entity = object->entity();
    for (const auto& a : entity->attributes()) {
        QVariant value;
        if (const auto key = PS_lookupKeyForAttribute(a, data))
            value = PS_valueForKeyPath(a, *key, data);
        else if (a.userInfo.value(QStringLiteral("useDefaultValueWhenNotPresent")).toBool())
            value = a.defaultValue;
        else
            continue;
        if (!importThroughHook(object, a.name, value))
            object->setValue(a.name, value);
    }
    for (const auto& r : entity->relationships()) {
        if (importThroughHook(object, r.name, data))
            continue;
        const QString mapped = r.userInfo.value(kMappedKeyName).toString();
        const QVariant related = valueAtKeyPath(data, mapped.isEmpty() ? r.name : mapped);
        if (related.isNull())
            continue;
        const QVariantList items = r.toMany && related.typeId() == QMetaType::QVariantList
                                       ? related.toList()
                                       : QVariantList{related};
        for (const QVariant& item : items) {
            if (pl) {
                const auto allowed = pl->shouldImportRelationship(r.name, related);
                if (allowed && !*allowed)
                    continue;
            }
            importRelationshipItem(object, r, item);
        }
    }
    if (pl)
        pl->didImport(data);
    return true;
}

QString PS_attributeNameFromString(const QString& text) {
    return text.isEmpty() ? text : text.left(1).toUpper() + text.mid(1);
}

QString PS_primaryKeyNameFromString(const QString& text) {
    return (text.isEmpty() ? text : text.left(1).toLower() + text.mid(1)) + QStringLiteral("ID");
}

QDateTime PS_dateFromString(const QString& text, const QString& format) {
    bool hasZone = false;
    const QString qtFormat = qtDateFormat(format, &hasZone);
    QDateTime parsed = QDateTime::fromString(text, qtFormat);
    if (!parsed.isValid() && hasZone) {
        // Zone names such as "GMT" that Qt does not read: parse without the zone, at GMT.
        QString bare = qtFormat;
        bare.remove(QLatin1Char('t'));
        static const QRegularExpression trailingZone(QStringLiteral("\\s*(GMT|UTC|Z)$"));
        QString stripped = text;
        stripped.remove(trailingZone);
        parsed = QDateTime::fromString(stripped, bare);
        hasZone = false;
    }
    if (!parsed.isValid())
        return {};
    if (!hasZone || parsed.timeSpec() == Qt::LocalTime)
        parsed = QDateTime(parsed.date(), parsed.time(), QTimeZone::utc());
    return parsed;
}

QDateTime PS_dateFromNumber(double number, bool isMilliseconds) {
    const double seconds = isMilliseconds ? number / 1000.0 : number;
    return QDateTime::fromMSecsSinceEpoch(qint64(seconds * 1000.0), QTimeZone::utc());
}

double PS_numberFromString(const QString& text) {
    static const QRegularExpression leading(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const auto m = leading.match(text);
    return m.hasMatch() ? m.captured(0).trimmed().toDouble() : 0.0;
}

QDateTime PS_adjustDateForDST(const QDateTime& date) {
    const int offset = QTimeZone::systemTimeZone().daylightTimeOffset(date);
    return date.addSecs(offset);
}

std::array<int, 4> PS_newColorComponentsFromString(const QString& text) {
    std::array<int, 4> components{0, 0, 0, 0};
    const int open = int(text.indexOf(QLatin1Char('(')));
    if (open < 0 || !text.left(open).trimmed().startsWith(QLatin1String("rgba")))
        return components;
    int pos = open;
    const int n = int(text.size());
    for (size_t slot = 0; slot < components.size(); ++slot) {
        while (pos < n && (text[pos] == QLatin1Char('(') || text[pos] == QLatin1Char(',') ||
                           text[pos] == QLatin1Char(')') || text[pos].isSpace()))
            ++pos;
        int end = pos;
        if (end < n && (text[end] == QLatin1Char('-') || text[end] == QLatin1Char('+')))
            ++end;
        while (end < n && text[end].isDigit())
            ++end;
        bool ok = false;
        const int value = text.mid(pos, end - pos).toInt(&ok);
        if (!ok)
            break; // not an integer: stop instead of reading the same place again
        components[slot] = value;
        pos = end;
    }
    return components;
}

QVariantList PS_colorFromString(const QString& text) {
    const auto c = PS_newColorComponentsFromString(text);
    return {c[0] / 255.0, c[1] / 255.0, c[2] / 255.0, double(c[3])};
}

} // namespace pelnix::PLDataImport
