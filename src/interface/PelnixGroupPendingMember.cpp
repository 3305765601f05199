#include "interface/PelnixGroupPendingMember.h"

#include <QVariantMap>

namespace pelnix {

QList<PelnixGroupPendingMember>
PelnixGroupPendingMember::getPelnixGroupPendingMembersFrom(const QVariantList& entries) {
    QList<PelnixGroupPendingMember> out;
    for (const QVariant& entry : entries) {
        if (entry.typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap map = entry.toMap();
        auto text = [&map](const char* key) {
            const QVariant value = map.value(QLatin1String(key));
            return value.isValid() && !value.isNull() ? value.toString() : QString();
        };
        out.append(PelnixGroupPendingMember{text("name"), text("id"), text("type")});
    }
    return out;
}

} // namespace pelnix
