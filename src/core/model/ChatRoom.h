#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

class DeletedMessage;
class Message;
class PendingMessageInfo;
class RoomMember;

// One room, group or one-to-one (`type` "1"). `status`: 0 active, 1 left or closed here, 2 kicked
// or missing from the room list, 3 deleted on the server. `tempUnreadMessageCount` -1: recount.
class ChatRoom : public PLEntity<ChatRoom> {
public:
    static QString entityName() { return QStringLiteral("ChatRoom"); }

    PL_ATTRIBUTE(QString, roomId, setRoomId)
    PL_ATTRIBUTE(QString, name, setName)
    PL_ATTRIBUTE(QString, type, setType)
    PL_ATTRIBUTE(qint16, status, setStatus)
    PL_ATTRIBUTE(qint64, createDate, setCreateDate)
    PL_ATTRIBUTE(qint64, activityDate, setActivityDate)
    PL_ATTRIBUTE(QString, imageUrl, setImageUrl)
    PL_ATTRIBUTE(QString, bigRoomImageUrl, setBigRoomImageUrl)
    PL_ATTRIBUTE(bool, adminOnly, setAdminOnly)
    PL_ATTRIBUTE(bool, hideMemberProfile, setHideMemberProfile)
    PL_ATTRIBUTE(qint16, totalMembers, setTotalMembers)
    PL_ATTRIBUTE(qint16, totalMessages, setTotalMessages)
    PL_ATTRIBUTE(QString, latestMessageId, setLatestMessageId)
    PL_ATTRIBUTE(qint64, tempUnreadMessageCount, setTempUnreadMessageCount)
    PL_TO_MANY(RoomMember, members, addMembersObject, removeMembersObject)
    PL_TO_MANY(Message, messages, addMessagesObject, removeMessagesObject)
    PL_TO_MANY(PendingMessageInfo, pendingMessages, addPendingMessagesObject, removePendingMessagesObject)
    PL_TO_MANY(DeletedMessage, deletedMessages, addDeletedMessagesObject, removeDeletedMessagesObject)
};

} // namespace pelnix
