#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

class CurrentUserInfo;
class Message;
class RoomMember;

// A person known to this device. `state`: 0 known only as member or sender, 1 contact (active user
// of the organisation), 2 removed from the organisation.
class User : public PLEntity<User> {
public:
    static QString entityName() { return QStringLiteral("User"); }

    PL_ATTRIBUTE(qint32, userID, setUserID)
    PL_ATTRIBUTE(QString, email, setEmail)
    PL_ATTRIBUTE(QString, profileName, setProfileName)
    PL_ATTRIBUTE(QString, imageUrl, setImageUrl)
    PL_ATTRIBUTE(QString, bigImageUrl, setBigImageUrl)
    PL_ATTRIBUTE(QString, organisation, setOrganisation)
    PL_ATTRIBUTE(qint16, state, setState)
    PL_ATTRIBUTE(QString, groupLetter, setGroupLetter)
    PL_TO_MANY(RoomMember, rooms, addRoomsObject, removeRoomsObject)
    PL_TO_MANY(Message, senderMessages, addSenderMessagesObject, removeSenderMessagesObject)
    PL_TO_MANY(Message, fromMessages, addFromMessagesObject, removeFromMessagesObject)
    PL_TO_ONE(CurrentUserInfo, userInfo, setUserInfo)
};

} // namespace pelnix
