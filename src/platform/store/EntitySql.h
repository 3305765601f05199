#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace pelnix::platform {

class EntityDescription;
class ObjectModel;
struct RelationshipDescription;

// The statement text one entity's reads and writes share, built once per store: a query adds only
// its own conditions, and the same text finds the same prepared statement in every connection.
class EntitySql {
public:
    // A relationship of some entity that points at this one: what a delete of a row here clears.
    struct Reference {
        const EntityDescription* holder = nullptr;
        const RelationshipDescription* relationship = nullptr;
        // To-one: sets the holder's key to NULL where it is ? and returns the holders' keys.
        // Many-to-many: deletes the join rows naming ?.
        QString clear;
    };

    EntitySql(const EntityDescription& entity, const ObjectModel& model);

    const QString& table() const { return m_table; }
    // "SELECT t0.pk, t0.<column of each slot> FROM <table> AS t0", in slot order.
    const QString& select() const { return m_select; }
    // select() of the row whose key is ?, and of the rows whose keys are in the JSON array ?.
    const QString& selectByKey() const { return m_selectByKey; }
    const QString& selectByKeys() const { return m_selectByKeys; }
    // select() narrowed to the key and the given slots' columns, in that order.
    QString selectSlots(const QList<int>& fetched) const;
    // "<alias>.pk, <alias>.<column of each slot>" of the given slots, in that order.
    QString columns(const QString& alias, const QList<int>& slotList) const;
    // Every slot, in order.
    const QList<int>& allSlots() const { return m_allSlots; }
    // Binds the key, then every slot in order.
    const QString& insert() const { return m_insert; }
    const QString& deleteByKey() const { return m_deleteByKey; }
    // "<column> = ?" of a slot, for the SET list of an update.
    const QString& assignment(int slot) const { return m_assignments.at(slot); }
    const QList<Reference>& references() const { return m_references; }

private:
    QString m_table;
    QString m_select;
    QString m_selectByKey;
    QString m_selectByKeys;
    QString m_insert;
    QString m_deleteByKey;
    QStringList m_columns;
    QList<int> m_allSlots;
    QStringList m_assignments;
    QList<Reference> m_references;
};

} // namespace pelnix::platform
