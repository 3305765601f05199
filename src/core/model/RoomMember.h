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

    static Ptr roomMemberWithRoom(const std::shared_ptr<ChatRoom>& room, const std::shared_ptr<User>& user);
    // Finds the member of (room, user with that ID) or adds one, creating the user when unknown.
    static Ptr findOrCreate(const std::shared_ptr<ChatRoom>& room, const QVariant& userId);
    // Status, joining time and admin flag; the nested "user" goes to the member's user.
    void updateWithDictionary(const QVariantMap& dictionary) override;
    // The room's members URL and the user's ID; "" without a room or user.
    QString memberURL() const;
    // Refreshes the member's user from the server; the reply is applied on the event queue.
    void update();
};

} // namespace pelnix
