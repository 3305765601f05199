#pragma once

#include <QVariantList>
#include <functional>
#include <memory>

namespace pelnix {

// The member list of the new group flow: users (std::shared_ptr<User>), address-book entries
// (PLAddressBookContact) and host contacts (PLPelnixContact), in the order chosen. The new group screen
// and its members editor hold the same list object, so an edit in one shows in the other at once and
// neither keeps a stale copy.
using NewGroupMemberList = std::shared_ptr<QVariantList>;
// Receives a member list handed back (the screen's Cancel, the editor's Done).
using NewGroupMembersHandler = std::function<void(const QVariantList& contacts)>;

} // namespace pelnix
