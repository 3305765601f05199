#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

namespace pelnix {

// Someone invited to a group who has not joined, as the server lists them.
struct PelnixGroupPendingMember {
    QString pendingMemberName; // "name"
    QString pendingMemberID;   // "id"; null when the entry has none
    QString pendingMemberType; // "type"

    // One per object entry, in order; anything else is skipped.
    static QList<PelnixGroupPendingMember> getPelnixGroupPendingMembersFrom(const QVariantList& entries);
};

} // namespace pelnix
