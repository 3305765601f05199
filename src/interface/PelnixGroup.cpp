#include "interface/PelnixGroup.h"

#include "core/model/ChatRoom.h"
#include "core/session/PelnixStateManager.h"

namespace pelnix {

std::optional<PelnixGroup> PelnixGroup::groupWithID(const QString& groupID) {
    const auto room = ChatRoom::chatRoomWithID(groupID);
    if (!room)
        return std::nullopt;
    PelnixGroup group = groupWithChatRoom(*room);
    group.groupID = groupID;
    return group;
}

PelnixGroup PelnixGroup::groupWithChatRoom(const ChatRoom& room) {
    return PelnixGroup{room.displayName(), room.roomId(), room.isOneToOne() ? 1 : 0};
}

QList<PelnixGroup> PelnixGroup::pelnixGroupsWithPLChatRooms(const QList<std::shared_ptr<ChatRoom>>& rooms) {
    QList<PelnixGroup> groups;
    groups.reserve(rooms.size());
    for (const auto& room : rooms)
        if (room)
            groups.append(groupWithChatRoom(*room));
    return groups;
}

QList<std::shared_ptr<ChatRoom>>
PelnixGroup::chatroomsFromPelnixGroupsArray(const QList<PelnixGroup>& groups) {
    QList<std::shared_ptr<ChatRoom>> rooms;
    for (const PelnixGroup& group : groups)
        if (auto room = ChatRoom::chatRoomWithID(group.groupID))
            rooms.append(room);
    return rooms;
}

QList<std::shared_ptr<ChatRoom>> PelnixGroup::allOneToOneGroupFilteredWithEmails(const QStringList& emails) {
    return ChatRoom::allOneToOneChatRoomsFromOtherUsersList(emails).value_or(
        QList<std::shared_ptr<ChatRoom>>{});
}

bool PelnixGroup::isGroupOneToOne() const {
    if (!PelnixStateManager::sharedStateManagerInstance()->isInitialSetUpDone())
        return false;
    const auto room = ChatRoom::chatRoomWithID(groupID);
    return room && room->isOneToOne();
}

} // namespace pelnix
