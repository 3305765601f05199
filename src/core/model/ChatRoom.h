#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace pelnix {

class DeletedMessage;
class Message;
class PendingMessageInfo;
class RoomMember;

// A page of a room's messages, oldest first; whether older ones exist; the page's oldest date.
using PLMessagePageHandler =
    std::function<void(const QList<std::shared_ptr<Message>>& page, bool olderExist, qint64 oldestDate)>;

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

    // ---- JSON import (ChatRoomManagement.cpp)
    // Fills the room from one Room JSON object and saves; an empty object changes nothing.
    void updateWithDictionary(const QVariantMap& dictionary, bool ignoreLastMessage);
    void updateWithDictionary(const QVariantMap& dictionary) override {
        updateWithDictionary(dictionary, false);
    }
    // Imports a room list; the rooms touched, in list order. Elements of type "e" or without an
    // ID are skipped; anything but a list is no list.
    static List updateChatRoomsWithArray(const QVariant& rooms);
    // Applies one room event of the stream (event queue); null when nothing was imported.
    static Ptr updateRoomWithMessageDict(const QVariantMap& event);
    bool deletedMessagesContainsMessageID(const QString& messageId) const;
    bool deletedMessagesContainsFromID(const QString& formId, qint64 date) const;

    // ---- Message and system-event dispatch (ChatRoomMessageDispatch.cpp)
    // The message row created or updated, or null when the JSON was ignored (no ID, a deletion
    // record, a stale date).
    std::shared_ptr<Message> updateMessageDict(const QVariantMap& messageDict, bool postNotifications,
                                               const std::shared_ptr<Message>& linkedMessage);

    // ---- Accessors, unread count and paging (ChatRoomAccessors.cpp)
    QString displayName() const;
    QString roomURL() const;
    QString membersURL() const;
    QString messagesURL() const;
    bool isOneToOne() const;
    std::shared_ptr<RoomMember> adminMember() const;
    qint32 adminUserID() const;
    bool isCurrentUserAdmin() const;
    qint64 unreadMessagesCount();
    QList<std::shared_ptr<Message>> allMessages() const;
    QList<std::shared_ptr<Message>> allMessagesAfterTime(qint64 time) const;
    std::shared_ptr<Message> latestMessage();
    QString activityDateString() const;
    void updateLatestMessage(const std::shared_ptr<Message>& message);
    void messagesBeforeTime(qint64 time, const PLMessagePageHandler& handler) const;

    // ---- List queries (ChatRoomQueries.cpp)
    static Ptr chatRoomWithID(const QString& roomId, const ContextPtr& context = {});
    // Rooms not left or closed here, newest activity first, through the host's group filter.
    static List allChatRooms(const ContextPtr& context = {});
    static List allOneToOneChatRooms(const ContextPtr& context = {});
    // One-to-one rooms whose other member's e-mail is in the list; nullopt for no list.
    static std::optional<List>
    allOneToOneChatRoomsFromOtherUsersList(const std::optional<QStringList>& emails);
    static qint64 latestMessageDate(const ContextPtr& context = {});
    static qint64 totalUnreadMessagesCount(const ContextPtr& context = {});

private:
    static void prefetchLatestMessages(const List& rooms, const ContextPtr& context);

    // The latest message as last found, so that a rooms list reads it without a fetch per row;
    // trusted only while it is alive and still carries `latestMessageId`.
    mutable std::shared_ptr<Message> m_latestMessage;
};

} // namespace pelnix
