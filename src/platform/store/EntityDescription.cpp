#include "platform/store/EntityDescription.h"

#include "platform/store/ManagedObject.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace pelnix::platform {

QVariant AttributeDescription::coerce(const QVariant& value) const {
    if (value.isNull() || !value.isValid())
        return isScalar() ? coerce(defaultValue.isValid() ? defaultValue : QVariant(0)) : QVariant();
    switch (type) {
    case AttributeType::Int16:
        return QVariant(qlonglong(qint16(value.toLongLong())));
    case AttributeType::Int32:
        return QVariant(qlonglong(qint32(value.toLongLong())));
    case AttributeType::Int64:
        // Text such as "1" and doubles from JSON both become integers, as the store's columns do.
        if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
            return QVariant(qlonglong(value.toDouble()));
        return QVariant(qlonglong(value.toLongLong()));
    case AttributeType::Double:
        return QVariant(value.toDouble());
    case AttributeType::Bool:
        if (value.typeId() == QMetaType::QString)
            return QVariant(value.toString().toLongLong() != 0 || value.toBool());
        return QVariant(value.toBool());
    case AttributeType::String:
        return QVariant(value.toString());
    case AttributeType::Binary:
        if (value.typeId() == QMetaType::QVariantList)
            return QVariant(
                QJsonDocument(QJsonArray::fromVariantList(value.toList())).toJson(QJsonDocument::Compact));
        return QVariant(value.toByteArray());
    }
    return value;
}

EntityDescription::EntityDescription(QString name, Factory factory)
    : m_name(std::move(name)), m_factory(std::move(factory)) {}

EntityDescription& EntityDescription::attribute(const QString& name, AttributeType type,
                                                const QVariant& defaultValue, bool indexed) {
    AttributeDescription a;
    a.name = name;
    a.type = type;
    a.indexed = indexed;
    a.defaultValue = defaultValue;
    if (a.isScalar() && !defaultValue.isValid())
        a.defaultValue = 0;
    a.defaultValue = a.coerce(a.defaultValue);
    m_attributeIndex.insert(name, int(m_attributes.size()));
    m_attributes.push_back(std::move(a));
    return *this;
}

EntityDescription& EntityDescription::toOne(const QString& name, const QString& destination,
                                            const QString& inverse) {
    RelationshipDescription r;
    r.name = name;
    r.destinationName = destination;
    r.inverseName = inverse;
    r.toMany = false;
    m_relationshipIndex.insert(name, int(m_relationships.size()));
    m_relationships.push_back(std::move(r));
    return *this;
}

EntityDescription& EntityDescription::toMany(const QString& name, const QString& destination,
                                             const QString& inverse) {
    toOne(name, destination, inverse);
    m_relationships.back().toMany = true;
    return *this;
}

EntityDescription& EntityDescription::userInfo(const QString& property, const QVariantMap& info) {
    if (auto it = m_attributeIndex.find(property); it != m_attributeIndex.end())
        m_attributes[*it].userInfo = info;
    else if (auto rt = m_relationshipIndex.find(property); rt != m_relationshipIndex.end())
        m_relationships[*rt].userInfo = info;
    return *this;
}

EntityDescription& EntityDescription::entityUserInfo(const QVariantMap& info) {
    m_userInfo = info;
    return *this;
}

EntityDescription& EntityDescription::durable(bool on) {
    m_durable = on;
    return *this;
}

EntityDescription& EntityDescription::index(const QStringList& columns) {
    m_indexes << columns;
    return *this;
}

const AttributeDescription* EntityDescription::attributeNamed(const QString& name) const {
    auto it = m_attributeIndex.find(name);
    return it == m_attributeIndex.end() ? nullptr : &m_attributes[*it];
}

const RelationshipDescription* EntityDescription::relationshipNamed(const QString& name) const {
    auto it = m_relationshipIndex.find(name);
    return it == m_relationshipIndex.end() ? nullptr : &m_relationships[*it];
}

std::shared_ptr<ManagedObject> EntityDescription::instantiate() const {
    auto object = m_factory ? m_factory() : nullptr;
    return object ? object : std::make_shared<ManagedObject>();
}

} // namespace pelnix::platform
