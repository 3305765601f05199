#pragma once

#include "core/model/ChatRoom.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"

#include <QString>
#include <memory>

namespace pelnix {

// A membership held by the IDs of its room and user, so that a screen never keeps a store object
// alive: the member is looked up again when it is needed, and a member the store has dropped reads
// as null.
struct PLRoomMemberReference {
    QString roomID;
    qint32 userID = 0;

    static PLRoomMemberReference of(const std::shared_ptr<RoomMember>& member) {
        const auto room = member ? member->room() : nullptr;
        const auto user = member ? member->user() : nullptr;
        return {room ? room->roomId() : QString(), user ? user->userID() : 0};
    }
    bool isNull() const { return roomID.isEmpty() || userID == 0; }
    std::shared_ptr<RoomMember> resolve() const {
        if (isNull())
            return {};
        return RoomMember::roomMemberWithRoom(ChatRoom::chatRoomWithID(roomID), User::userWithIntID(userID));
    }
    bool operator==(const PLRoomMemberReference&) const = default;
};

} // namespace pelnix
