#pragma once

#include "core/model/ChatRoom.h"

#include <QVariantList>

namespace pelnix {

// The people to invite as the room model takes them, after the e-mail/phone split of
// PelnixGroupController::getSegregatedMembersToBeAdded. Kept out of the installed headers: its
// contacts are the store's own types.
QList<PLRoomContact> roomContactsFromMembers(const QVariantList& members);

} // namespace pelnix
