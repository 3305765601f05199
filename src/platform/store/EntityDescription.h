#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <vector>

namespace pelnix::platform {

class ManagedObject;
class EntityDescription;

// Stored attribute types. Times are Int64 milliseconds; there is no date type.
enum class AttributeType { Int16, Int32, Int64, Double, Bool, String, Binary };

struct AttributeDescription {
    QString name;
    AttributeType type = AttributeType::String;
    // Scalars always hold a value (NOT NULL columns); strings and binaries may be null.
    QVariant defaultValue;
    bool indexed = false;
    QVariantMap userInfo;
    int slot = -1;

    bool isScalar() const { return type != AttributeType::String && type != AttributeType::Binary; }
    // `value` converted to this attribute's type; null stays null for strings and binaries and
    // becomes the default for scalars.
    QVariant coerce(const QVariant& value) const;
};

struct RelationshipDescription {
    QString name;
    QString destinationName;
    QString inverseName;
    bool toMany = false;
    QVariantMap userInfo;

    // Resolved when the model is finished.
    const EntityDescription* owner = nullptr;
    const EntityDescription* destination = nullptr;
    const RelationshipDescription* inverse = nullptr;
    int slot = -1;       // foreign-key slot (to-one relationships only)
    QString joinTable;   // many-to-many only
    QString ownColumn;   // join-table column holding this side's key
    QString otherColumn; // join-table column holding the destination's key

    bool isManyToMany() const { return toMany && inverse && inverse->toMany; }
};

// One entity of the model: its attributes, relationships and the class that represents its rows.
// Declared through the chained builder calls below, then frozen by ObjectModel::finish().
class EntityDescription {
public:
    using Factory = std::function<std::shared_ptr<ManagedObject>()>;

    EntityDescription(QString name, Factory factory);

    EntityDescription& attribute(const QString& name, AttributeType type, const QVariant& defaultValue = {},
                                 bool indexed = false);
    EntityDescription& toOne(const QString& name, const QString& destination, const QString& inverse = {});
    EntityDescription& toMany(const QString& name, const QString& destination, const QString& inverse);
    // Extra keys read by the dictionary import ("mappedKeyName", "relatedByAttribute", ...).
    EntityDescription& userInfo(const QString& property, const QVariantMap& info);
    EntityDescription& entityUserInfo(const QVariantMap& info);
    // Rows only this device holds: a save touching them is committed with a full sync.
    EntityDescription& durable(bool on = true);
    // An index over several columns (attributes or to-one relationships), in this order. A to-one
    // relationship that leads one needs no index of its own.
    EntityDescription& index(const QStringList& columns);

    const QString& name() const { return m_name; }
    const QVariantMap& userInfoMap() const { return m_userInfo; }
    bool isDurable() const { return m_durable; }
    int slotCount() const { return m_slotCount; }
    const std::vector<AttributeDescription>& attributes() const { return m_attributes; }
    const std::vector<RelationshipDescription>& relationships() const { return m_relationships; }
    const QList<QStringList>& indexes() const { return m_indexes; }
    const AttributeDescription* attributeNamed(const QString& name) const;
    const RelationshipDescription* relationshipNamed(const QString& name) const;
    // Column of a slot: the attribute's name or the to-one relationship's name.
    const QString& columnForSlot(int slot) const { return m_slotColumns.at(slot); }
    // Inline: read for every column of every row read.
    const AttributeDescription* attributeForSlot(int slot) const {
        return slot >= 0 && slot < int(m_attributes.size()) ? &m_attributes[size_t(slot)] : nullptr;
    }
    std::shared_ptr<ManagedObject> instantiate() const;

private:
    friend class ObjectModel;

    QString m_name;
    Factory m_factory;
    QVariantMap m_userInfo;
    bool m_durable = false;
    std::vector<AttributeDescription> m_attributes;
    std::vector<RelationshipDescription> m_relationships;
    QList<QStringList> m_indexes;
    QHash<QString, int> m_attributeIndex;
    QHash<QString, int> m_relationshipIndex;
    QStringList m_slotColumns;
    int m_slotCount = 0;
};

} // namespace pelnix::platform
