#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

class ChatRoom;
class User;

// One person's membership of one room (one per room and user).
class RoomMember : public PLEntity<RoomMember> {
public:
    static QString entityName() { return QStringLiteral("RoomMember"); }

    PL_ATTRIBUTE(bool, isCreator, setIsCreator)
    PL_ATTRIBUTE(qint64, joined, setJoined)
    PL_ATTRIBUTE(QString, status, setStatus)
    PL_TO_ONE(ChatRoom, room, setRoom)
    PL_TO_ONE(User, user, setUser)
};

} // namespace pelnix
