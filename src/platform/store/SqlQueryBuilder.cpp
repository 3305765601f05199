#include "platform/store/SqlQueryBuilder.h"

#include "platform/store/EntityDescription.h"

#include <QStringBuilder>

namespace pelnix::platform {

ResolvedKeyPath SqlQueryBuilder::resolve(const EntityDescription& entity, const QString& keyPath) {
    ResolvedKeyPath out;
    if (!keyPath.contains(QLatin1Char('.'))) { // most key paths: no list of parts to build
        if ((out.attribute = entity.attributeNamed(keyPath)))
            return out;
        out.relationship = entity.relationshipNamed(keyPath);
        return out.relationship && !out.relationship->toMany ? out : ResolvedKeyPath();
    }
    const QStringList parts = keyPath.split(QLatin1Char('.'));
    const EntityDescription* current = &entity;
    for (int i = 0; i < parts.size(); ++i) {
        const bool last = i == parts.size() - 1;
        if (last) {
            if (auto* a = current->attributeNamed(parts[i])) {
                out.attribute = a;
                return out;
            }
        }
        auto* r = current->relationshipNamed(parts[i]);
        if (!r || r->toMany)
            return {};
        if (last)
            out.relationship = r;
        else
            out.hops << r;
        current = r->destination;
    }
    return out;
}

QString SqlQueryBuilder::quoted(const QString& identifier) {
    if (!identifier.contains(QLatin1Char('"')))
        return QLatin1Char('"') % identifier % QLatin1Char('"');
    QString q = identifier;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString SqlQueryBuilder::column(const QString& keyPath, ResolvedKeyPath* resolvedOut) {
    const ResolvedKeyPath resolved = resolve(m_entity, keyPath);
    if (resolvedOut)
        *resolvedOut = resolved;
    if (!resolved.isValid())
        return {};
    const QString& name = resolved.attribute ? resolved.attribute->name : resolved.relationship->name;
    if (resolved.hops.isEmpty())
        return QLatin1String("t0.") % quoted(name);
    QString alias = QStringLiteral("t0");
    QString prefix;
    for (const auto* hop : resolved.hops) {
        prefix += (prefix.isEmpty() ? QString() : QStringLiteral(".")) + hop->name;
        auto it = m_aliases.find(prefix);
        if (it == m_aliases.end()) {
            const QString next = QStringLiteral("j%1").arg(m_aliases.size() + 1);
            m_joins += QStringLiteral(" LEFT JOIN %1 AS %2 ON %2.pk = %3.%4")
                           .arg(quoted(hop->destination->name()), next, alias, quoted(hop->name));
            it = m_aliases.insert(prefix, next);
            m_joined.append({next, hop->destination});
        }
        alias = *it;
    }
    return alias % QLatin1Char('.') % quoted(name);
}

QString SqlQueryBuilder::joinList(const QString& column, const QString& jsonArray) {
    const QString alias = QStringLiteral("l%1").arg(++m_listJoins);
    m_joins += QLatin1String(" JOIN json_each(?) AS ") % alias % QLatin1String(" ON ") % alias %
               QLatin1String(".value = ") % column;
    m_joinBinds << QVariant(jsonArray);
    return QStringLiteral("1");
}

QString SqlQueryBuilder::bind(const QVariant& value) {
    m_binds << value;
    return QStringLiteral("?");
}

} // namespace pelnix::platform
