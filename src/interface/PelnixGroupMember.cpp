#include "interface/PelnixGroupMember.h"

#include "core/model/ChatRoom.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"

namespace pelnix {

std::optional<PelnixGroupMember> PelnixGroupMember::memberWithID(const QString& memberID,
                                                                 const QString& groupID) {
    const auto room = ChatRoom::chatRoomWithID(groupID);
    const auto user = room ? User::userWithID(memberID) : nullptr;
    if (!user || !RoomMember::roomMemberWithRoom(room, user))
        return std::nullopt;
    return PelnixGroupMember{user->profileName(), memberID, groupID};
}

QList<PelnixGroupMember> PelnixGroupMember::getPelnixGroupMembersFromRoomMembersForRoom(
    const ChatRoom& room, const QList<std::shared_ptr<RoomMember>>& members) {
    QList<PelnixGroupMember> out;
    for (const auto& member : members) {
        const auto user = member ? member->user() : nullptr;
        out.append(PelnixGroupMember{user ? user->profileName() : QString(),
                                     QString::number(user ? user->userID() : 0), room.roomId()});
    }
    return out;
}

} // namespace pelnix
