#pragma once

#include "core/model/ChatRoom.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"

#include <QList>
#include <QSet>
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

    // The room's members, one per person, in the store's order. The store can hold two rows for one
    // person for a moment, when the stream's "joined" event and the reply of the addition that caused
    // it are both applied: a list shows the person once.
    static QList<std::shared_ptr<RoomMember>> distinctMembers(const std::shared_ptr<ChatRoom>& room) {
        QList<std::shared_ptr<RoomMember>> out;
        QSet<qint32> seen;
        for (const auto& member : room ? room->members() : QList<std::shared_ptr<RoomMember>>()) {
            const auto user = member ? member->user() : nullptr;
            if (!user || seen.contains(user->userID()))
                continue;
            seen.insert(user->userID());
            out << member;
        }
        return out;
    }
};

} // namespace pelnix
