#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace pelnix::platform {

class EntityDescription;
struct AttributeDescription;
struct RelationshipDescription;

// A key path resolved against an entity: the to-one hops, then an attribute or a to-one
// relationship (compared by its foreign key).
struct ResolvedKeyPath {
    QList<const RelationshipDescription*> hops;
    const AttributeDescription* attribute = nullptr;
    const RelationshipDescription* relationship = nullptr;
    bool isValid() const { return attribute || relationship; }
};

// Collects the joins and bound values of one SELECT over an entity (alias "t0").
class SqlQueryBuilder {
public:
    explicit SqlQueryBuilder(const EntityDescription& entity) : m_entity(entity) {}

    static ResolvedKeyPath resolve(const EntityDescription& entity, const QString& keyPath);
    static QString quoted(const QString& identifier);

    // The column expression of a key path, adding LEFT JOINs for its hops; empty when unknown.
    QString column(const QString& keyPath, ResolvedKeyPath* resolved = nullptr);
    // Adds a bound value and returns its placeholder.
    QString bind(const QVariant& value);

    // Whether a long IN list that every row must match may be joined instead (see joinList()).
    void setListJoinsAllowed(bool allowed) { m_listJoinsAllowed = allowed; }
    bool listJoinsAllowed() const { return m_listJoinsAllowed; }
    // Joins the values of a JSON array of distinct values to the indexed `column`: each value is
    // looked up once, where an IN list is first copied into a temporary index. Returns the WHERE
    // term left ("1").
    QString joinList(const QString& column, const QString& jsonArray);

    const EntityDescription& entity() const { return m_entity; }
    // Goes between the FROM table and the WHERE clause.
    const QString& joins() const { return m_joins; }
    // Every joined table: its alias and the entity it holds.
    const QList<QPair<QString, const EntityDescription*>>& joinedEntities() const { return m_joined; }
    // The bound values of joins(), first in a statement.
    const QList<QVariant>& joinBinds() const { return m_joinBinds; }
    // Every bound value in the order of a statement "... joins() WHERE <terms>".
    QList<QVariant> binds() const { return m_joinBinds + m_binds; }

private:
    const EntityDescription& m_entity;
    QString m_joins;
    QHash<QString, QString> m_aliases;
    QList<QPair<QString, const EntityDescription*>> m_joined;
    QList<QVariant> m_joinBinds;
    QList<QVariant> m_binds;
    bool m_listJoinsAllowed = false;
    int m_listJoins = 0;
};

} // namespace pelnix::platform
