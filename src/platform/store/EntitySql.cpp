#include "platform/store/EntitySql.h"

#include "platform/store/ObjectModel.h"
#include "platform/store/SqlQueryBuilder.h"

namespace pelnix::platform {

using Q = SqlQueryBuilder;

EntitySql::EntitySql(const EntityDescription& entity, const ObjectModel& model)
    : m_table(Q::quoted(entity.name())) {
    QString columns = QStringLiteral("t0.pk");
    QString insertColumns = QStringLiteral("pk");
    QString marks = QStringLiteral("?");
    for (int s = 0; s < entity.slotCount(); ++s) {
        const QString column = Q::quoted(entity.columnForSlot(s));
        columns += QStringLiteral(", t0.") + column;
        insertColumns += QStringLiteral(", ") + column;
        marks += QStringLiteral(", ?");
        m_columns << column;
        m_allSlots << s;
        m_assignments << column + QStringLiteral(" = ?");
    }
    m_select = QStringLiteral("SELECT %1 FROM %2 AS t0").arg(columns, m_table);
    m_selectByKey = m_select + QStringLiteral(" WHERE t0.pk = ?");
    m_selectByKeys = m_select + QStringLiteral(" WHERE t0.pk IN (SELECT value FROM json_each(?))");
    m_insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(m_table, insertColumns, marks);
    m_deleteByKey = QStringLiteral("DELETE FROM %1 WHERE pk = ?").arg(m_table);

    for (const auto& other : model.entities()) {
        for (const auto& r : other->relationships()) {
            if (r.destination != &entity)
                continue;
            if (!r.toMany)
                m_references.append({other.get(), &r,
                                     QStringLiteral("UPDATE %1 SET %2 = NULL WHERE %2 = ? RETURNING pk")
                                         .arg(Q::quoted(other->name()), Q::quoted(r.name))});
            else if (r.isManyToMany())
                m_references.append({other.get(), &r,
                                     QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                                         .arg(Q::quoted(r.joinTable), r.otherColumn)});
        }
    }
}

QString EntitySql::selectSlots(const QList<int>& fetched) const {
    return QStringLiteral("SELECT %1 FROM %2 AS t0").arg(columns(QStringLiteral("t0"), fetched), m_table);
}

QString EntitySql::columns(const QString& alias, const QList<int>& slotList) const {
    QString text = alias + QStringLiteral(".pk");
    for (int s : slotList)
        text += QStringLiteral(", ") + alias + QLatin1Char('.') + m_columns.at(s);
    return text;
}

} // namespace pelnix::platform
