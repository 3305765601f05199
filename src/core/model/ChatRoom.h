#pragma once

#include "core/model/EntityAccessors.h"
#include "core/model/MessageSummary.h"
#include "foundation/persistence/PLEntity.h"

#include "core/model/PLAddressBookContact.h"
#include "core/model/RoomModelServices.h"

#include <QSizeF>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <optional>
#include <variant>

namespace pelnix {

class DeletedMessage;
class Message;
class PendingMessageInfo;
class RoomMember;
class User;

// A person to invite: an address-book entry, a known user, or an e-mail address or phone number.
using PLRoomContact = std::variant<PLAddressBookContact, std::shared_ptr<User>, QString>;
// (success, error, message, room) of a room creation or update.
using PLRoomResultHandler =
    std::function<void(bool success, const PLOptionalError& error, const QString& message,
                       const std::shared_ptr<ChatRoom>& room)>;
// (success, error, message, items) of a list reply.
using PLListResultHandler = std::function<void(bool success, const PLOptionalError& error,
                                               const QString& message, const QVariantList& items)>;
// (success, error, message, details) of a dictionary reply.
using PLDetailsResultHandler = std::function<void(bool success, const PLOptionalError& error,
                                                  const QString& message, const QVariantMap& details)>;
// Receives every progress value of a request.
using PLFetchProgressHandler = std::function<void(double fraction)>;

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
    template <class D = Message> QList<std::shared_ptr<D>> messages() const {
        return objects<D>(QStringLiteral("messages"));
    }
    // Through the message's room, which keeps the unread count.
    void addMessagesObject(const std::shared_ptr<Message>& message);
    void removeMessagesObject(const std::shared_ptr<Message>& message);
    PL_TO_MANY(PendingMessageInfo, pendingMessages, addPendingMessagesObject, removePendingMessagesObject)
    PL_TO_MANY(DeletedMessage, deletedMessages, addDeletedMessagesObject, removeDeletedMessagesObject)

    // ---- JSON import (ChatRoomManagement.cpp)
    // Fills the room from one Room JSON object and saves; an empty object changes nothing.
    void updateWithDictionary(const QVariantMap& dictionary, bool ignoreLastMessage);
    // The room's memberships as the server lists them: each entry's user found or made, its
    // membership found or made and updated; memberships the list does not name are deleted.
    void updateMembersWithArray(const QVariantList& array);
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
    // The member count a user reads. `totalMembers` keeps the server's count in 16 bits; a room whose
    // memberships here are more than that holds is counted by them instead.
    qint64 memberCount() const;
    // Changes `totalMembers` by `change`, held at the ends of its 16 bits rather than wrapped round.
    void changeTotalMembers(int change);
    // The stored count with the changes not stored yet; while it reads -1, a count of the messages,
    // stored on the event queue's thread.
    qint64 unreadMessagesCount();
    QList<std::shared_ptr<Message>> allMessages() const;
    QList<std::shared_ptr<Message>> allMessagesAfterTime(qint64 time) const;
    // The messages dated from `from` up to and including `until`, oldest first.
    QList<std::shared_ptr<Message>> messagesBetweenTimes(qint64 from, qint64 until) const;
    std::shared_ptr<Message> latestMessage();
    // What a rooms list row shows of the latest message; none for a room without one. The values the
    // list's read held on the room while they are what the message object would show (the context
    // holds no object of the message, no stored message changed since as the context sees it, and the
    // room still names that message), else those of latestMessage().
    std::optional<MessageSummary> latestMessageSummary();
    // The list's read of the latest message still holds: latestMessageSummary() reads nothing, unless
    // it found no message for the room (then latestMessage() looks it up on its own).
    bool holdsLatestMessage() const;
    QString activityDateString() const;
    void updateLatestMessage(const std::shared_ptr<Message>& message);
    void messagesBeforeTime(qint64 time, const PLMessagePageHandler& handler) const;
    // The newest page alone, not reaching back to the first unread message.
    void newestMessages(const PLMessagePageHandler& handler) const;
    // The oldest `size` messages dated at or after `time` (`inclusive`) or after it, oldest first,
    // widened to the whole run of its newest date; whether newer ones exist.
    QList<std::shared_ptr<Message>> messagesFromTime(qint64 time, bool inclusive, int size,
                                                     bool* newerExist) const;
    // The oldest unread message, or null; and how many messages are unread.
    std::shared_ptr<Message> firstUnreadMessage() const;
    qint64 unreadMessageRowCount() const;

    // ---- Keeping the unread count (ChatRoomUnreadCount.cpp). The stored count changes on the
    // event queue's thread, where stream events arrive, in the save of the change itself. Elsewhere
    // a change marks it -1 and the event queue counts again once that change is saved: a count
    // written from two threads would lose one thread's change.
    // The unread updates of the room's messages changed by `delta`.
    void unreadMessagesChanged(qint64 delta);
    // The sum of `updateCount` over the unread messages, as this context sees them; stores nothing.
    qint64 countUnreadMessages() const;
    // On the event queue's thread, counts the messages, stores the count and answers it; on another
    // thread, has the queue do so (announced as an update of the room) and answers 0 meanwhile.
    qint64 countAndStoreUnreadMessages();
    // The change of the unread updates made here since the last save (off the event queue), taken.
    qint64 takeUncommittedUnreadDelta();

    // ---- List queries (ChatRoomQueries.cpp)
    static Ptr chatRoomWithID(const QString& roomId, const ContextPtr& context = {});
    // Rooms not left or closed here, newest activity first, through the host's group filter.
    static List allChatRooms(const ContextPtr& context = {});
    // The same rooms with the latest message of each read alongside (what a rooms list shows of
    // it), in the same statement. Rooms not held yet read the columns a rooms list shows, and the rest
    // when asked for it; so does each room's latestMessage() then, whose object is made of what the
    // statement read.
    static List allChatRoomsWithLatestMessages(const ContextPtr& context = {});
    // Reads the latest messages of those of `rooms` that do not hold theirs (rooms of the first one's
    // context), in one statement, as allChatRoomsWithLatestMessages() does: a list reads the rows it
    // shows.
    static void readLatestMessages(const List& rooms);
    static List allOneToOneChatRooms(const ContextPtr& context = {});
    // One-to-one rooms whose other member's e-mail is in the list; nullopt for no list.
    static std::optional<List>
    allOneToOneChatRoomsFromOtherUsersList(const std::optional<QStringList>& emails);
    static qint64 latestMessageDate(const ContextPtr& context = {});
    // From the rooms' stored counts (rooms not counted yet are counted once and stored).
    static qint64 totalUnreadMessagesCount(const ContextPtr& context = {});

    // Appends one percent-encoded path component to a URL.
    static QString appendingPathComponent(const QString& base, const QString& component);

    // ---- Server operations (ChatRoomServerOperations.cpp). Each returns whether a request
    // started; completions run on the main thread. A room-changing request holds the event queue
    // suspended from its start until its reply has been applied, so that stream events never
    // overtake it.
    static bool getPrivateRoomsWithCompletionHandler(PLResultHandler completion,
                                                     PLFetchProgressHandler progress = {});
    static bool getPrivateRoomWithURL(const QString& roomURL, PLResultHandler completion,
                                      bool updateInSecondaryQueue = false, bool callSynchronously = false);
    static bool createRoomWithName(const QString& name, const QString& welcomeMessage,
                                   const QList<PLRoomContact>& contacts, const QString& thumbImageURL,
                                   const QString& bigImageURL, bool isAdminOnly, bool hideMemberProfile,
                                   PLRoomResultHandler completion);
    static bool pendingMembersForRoom(const QString& roomId, PLListResultHandler completion);
    static bool removePendingMemberForRoom(const QString& roomId, const QString& inviteeID,
                                           PLResultHandler completion);
    static bool memberDetailsForRoomID(const QString& roomId, qint32 memberID,
                                       PLDetailsResultHandler completion);
    bool addContacts(const QList<PLRoomContact>& contacts, PLResultHandler completion);
    bool removeMember(const std::shared_ptr<RoomMember>& member, PLResultHandler completion);
    // Local only: the member leaves the room and is deleted; saved.
    void removeMember(const std::shared_ptr<RoomMember>& member);
    bool changeAdmin(const std::shared_ptr<RoomMember>& member, PLResultHandler completion);
    bool refreshRoomInfoWithCompletionHandler(PLResultHandler completion);
    bool updateRoomWithName(const QString& name, const QString& thumbImageURL, const QString& bigImageURL,
                            bool isAdminOnly, bool hideMemberProfile, PLRoomResultHandler completion);
    bool fetchLatestMessagesWithCompletionHandler(PLResultHandler completion);
    bool postPrivateMessage(const QString& text, bool isSmartMessage, PLResultHandler completion);
    bool postPrivateMessage(const QString& text, bool isSmartMessage,
                            const std::shared_ptr<Message>& linkedMessage, const QString& seqId,
                            PLResultHandler completion);
    bool postPrivateMessage(const QString& text, bool isSmartMessage, bool synchronously,
                            const std::shared_ptr<Message>& linkedMessage, const QString& seqId,
                            PLResultHandler completion);
    bool leaveGroupWithCompletionHandler(PLResultHandler completion);
    bool leaveGroupAfterRefreshWithCompletionHandler(PLResultHandler completion);
    bool closeGroupWithCompletionHandler(PLResultHandler completion);
    // Deletes the room's messages except those still being posted; with tombstones, the messages
    // of the last 30 seconds of events stay known as deleted so that a replayed event skips them.
    void clearMessages(bool keepTombstones = true);
    // One room event of the stream; events about the signed-in user's own leaving are dropped.
    static void updateWithEventsDict(const QVariantMap& event);

    // ---- Outbox (ChatRoomOutbox.cpp). Posts are stored with their outbox entry before they are
    // announced, then the posting pass runs.
    std::shared_ptr<Message> postTextMessage(const QString& text);
    std::shared_ptr<Message> postChatlet(const QString& chatletJSON);
    void replyToChatlet(const QString& replyJSON, const std::shared_ptr<Message>& linkedMessage);
    // The building blocks of a post. Neither saves: the caller commits the message together with
    // its entry.
    std::shared_ptr<Message> createMessage();
    std::shared_ptr<PendingMessageInfo> createPendingMessage(const std::shared_ptr<Message>& message,
                                                             qint16 type, qint16 state);
    // The first waiting entry (state 0, 1 or 2, lowest order number), or null.
    std::shared_ptr<PendingMessageInfo> firstPendingMessage() const;
    // Starts the first waiting entry's post. True when the room is posting: it started that post or
    // one was already in flight; false when nothing waits or the entry cannot go yet (media not ready).
    bool postNextPendingMessage();
    // Rooms with waiting entries, the one whose first entry is oldest first.
    static List chatRoomsWithPendingMessages();
    // The row height of a single attachment of that picture size.
    static qint16 displayCellHeightForImageSize(const QSizeF& size);

private:
    // allChatRooms() of the stored rooms given: those the host's group filter lets through.
    static List throughGroupFilter(List rooms);
    // The room's messages that also match `condition` (none: all), by date, at most `limit` (0: all).
    QList<std::shared_ptr<Message>> roomMessages(const platform::Predicate& condition, int limit,
                                                 bool ascending) const;
    // The newest `size` messages matching `range` (none: all), oldest first, widened to the whole
    // run of its oldest date; whether older ones exist.
    QList<std::shared_ptr<Message>> newestPage(const platform::Predicate& range, int size,
                                               bool* olderExist) const;
    // Some message of the room is dated at or after `time`.
    bool hasMessagesFrom(qint64 time) const;
    // This room as a shared pointer, and its context, for the queries of a const member.
    Ptr selfPtr() const;
    ContextPtr contextPtr() const;

    // The latest message as last found, so that a rooms list reads it without a fetch per row;
    // trusted only while it is alive and still carries `latestMessageId`.
    mutable std::shared_ptr<Message> m_latestMessage;
    // What a list's read found of the latest message where the context held no object of it.
    struct LatestMessageRead {
        MessageSummary values; // `messageId`: the room's `latestMessageId` then
        qint64 key = 0;        // the message row's; 0: none found
        const platform::EntityDescription* entity = nullptr;
        quint64 rowsVersion = 0; // of the stored messages, as the context saw them then
        bool lineIsNull = false; // the column of `displayText` held no value
    };
    std::optional<LatestMessageRead> m_latestRead;
    // The message m_latestRead found, as the context holds it or else made of the values the read held,
    // reading nothing; null where the context holds it deleted.
    platform::ObjectPtr latestReadObject() const;
    // Takes what a list's read found of the latest message (see readLatestMessages()).
    void keepLatestMessage(const platform::ObjectPtr& held,
                           const platform::ObjectContext::StoredCompanion* stored,
                           const platform::EntityDescription* entity, quint64 rowsVersion);
    // Reads rooms with their latest messages: `request`'s rows, the companion added.
    static List readWithLatestMessages(platform::FetchRequest request, const ContextPtr& context);
    // m_latestRead is still what the read found, for the message the room names now.
    bool latestReadHolds() const;
    // The message is alive here and is the one the room names as its latest.
    bool namesMessage(const std::shared_ptr<Message>& message) const;
    qint64 m_uncommittedUnreadDelta = 0;
};

} // namespace pelnix
