#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <optional>

namespace pelnix {

class ChatRoom;
class RoomMember;

// An active member of a group as the host sees it.
struct PelnixGroupMember {
    QString memberName;
    QString memberID; // the user's number as decimal text
    QString pelnixGroupID;

    bool operator==(const PelnixGroupMember& other) const = default;

    // None unless the room, the user and the membership are all stored.
    static std::optional<PelnixGroupMember> memberWithID(const QString& memberID, const QString& groupID);
    static QList<PelnixGroupMember>
    getPelnixGroupMembersFromRoomMembersForRoom(const ChatRoom& room,
                                                const QList<std::shared_ptr<RoomMember>>& members);
};

} // namespace pelnix
