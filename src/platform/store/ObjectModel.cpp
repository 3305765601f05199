#include "platform/store/ObjectModel.h"

namespace pelnix::platform {

EntityDescription& ObjectModel::addEntity(const QString& name, EntityDescription::Factory factory) {
    m_entities.push_back(std::make_unique<EntityDescription>(name, std::move(factory)));
    m_finished = false;
    return *m_entities.back();
}

const EntityDescription* ObjectModel::entityNamed(const QString& name) const {
    for (const auto& e : m_entities)
        if (e->name() == name)
            return e.get();
    return nullptr;
}

QStringList ObjectModel::entityNames() const {
    QStringList names;
    for (const auto& e : m_entities)
        names << e->name();
    return names;
}

bool ObjectModel::finish(QString* problem) {
    auto fail = [&](const QString& text) {
        if (problem)
            *problem = text;
        return false;
    };
    for (auto& e : m_entities) {
        e->m_slotColumns.clear();
        int slot = 0;
        for (auto& a : e->m_attributes) {
            a.slot = slot++;
            e->m_slotColumns << a.name;
        }
        for (auto& r : e->m_relationships) {
            r.owner = e.get();
            r.destination = entityNamed(r.destinationName);
            if (!r.destination)
                return fail(QStringLiteral("%1.%2: no entity %3").arg(e->name(), r.name, r.destinationName));
            if (e->m_attributeIndex.contains(r.name))
                return fail(
                    QStringLiteral("%1.%2: attribute and relationship share a name").arg(e->name(), r.name));
            r.slot = -1;
            if (!r.toMany) {
                r.slot = slot++;
                e->m_slotColumns << r.name;
            }
        }
        e->m_slotCount = slot;
        for (const QStringList& index : std::as_const(e->m_indexes)) {
            if (index.isEmpty())
                return fail(QStringLiteral("%1: an index without columns").arg(e->name()));
            for (const QString& column : index)
                if (!e->m_slotColumns.contains(column))
                    return fail(
                        QStringLiteral("%1: index column %2 is no stored column").arg(e->name(), column));
        }
    }
    for (auto& e : m_entities) {
        for (auto& r : e->m_relationships) {
            r.inverse = r.inverseName.isEmpty() ? nullptr : r.destination->relationshipNamed(r.inverseName);
            if (!r.inverseName.isEmpty() &&
                (!r.inverse || r.inverse->destination != e.get() || r.inverse->inverseName != r.name))
                return fail(
                    QStringLiteral("%1.%2: inverse %3 does not match").arg(e->name(), r.name, r.inverseName));
            if (r.toMany && !r.inverse)
                return fail(
                    QStringLiteral("%1.%2: a to-many relationship needs an inverse").arg(e->name(), r.name));
            if (r.isManyToMany()) {
                // One join table per pair, named after the side whose "Entity.name" sorts first.
                const QString self = e->name() + QLatin1Char('.') + r.name;
                const QString other = r.destination->name() + QLatin1Char('.') + r.inverse->name;
                const bool first = self <= other;
                r.joinTable = QString(first ? self : other).replace(QLatin1Char('.'), QLatin1Char('_'));
                r.ownColumn = first ? QStringLiteral("a") : QStringLiteral("b");
                r.otherColumn = first ? QStringLiteral("b") : QStringLiteral("a");
            }
        }
    }
    m_finished = true;
    return true;
}

QList<const RelationshipDescription*> ObjectModel::joinRelationships() const {
    QList<const RelationshipDescription*> out;
    for (const auto& e : m_entities)
        for (const auto& r : e->relationships())
            if (r.isManyToMany() && r.ownColumn == QLatin1String("a"))
                out << &r;
    return out;
}

} // namespace pelnix::platform
