#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

#include <QVariantMap>
#include <functional>

namespace pelnix {

class Asset;
class ChatRoom;
class PendingMessageInfo;
class User;

// One message or system event of a room. `type`: 1 smart message, 2 message, 3 joined, 4 left,
// 5 room name or picture changed, 6 kicked, 7 display; `state`: 0 unread, 1 read.
class Message : public PLEntity<Message> {
public:
    static QString entityName() { return QStringLiteral("Message"); }

    PL_ATTRIBUTE(QString, messageId, setMessageId)
    PL_ATTRIBUTE(QString, formId, setFormId)
    // Setting it sets `type` from the server's type name (unknown names leave `type`).
    PL_ATTRIBUTE_GETTER(QString, typeString)
    void setTypeString(const QString& typeString);
    PL_ATTRIBUTE(qint16, type, setType)
    // Becoming read clears `updateCount`.
    PL_ATTRIBUTE_GETTER(qint16, state)
    void setState(const qint16& state);
    PL_ATTRIBUTE(qint64, date, setDate)
    PL_ATTRIBUTE(qint64, actualDate, setActualDate)
    PL_ATTRIBUTE(QString, text, setText)
    PL_ATTRIBUTE(QString, htmlText, setHtmlText)
    PL_ATTRIBUTE(QString, xsltName, setXsltName)
    PL_ATTRIBUTE(QString, latestAction, setLatestAction)
    PL_ATTRIBUTE(qint16, replyCount, setReplyCount)
    // Unread updates; the room's unread count follows every change of it, of `state` and of `room`.
    PL_ATTRIBUTE_GETTER(qint16, updateCount)
    void setUpdateCount(const qint16& count);
    PL_ATTRIBUTE(qint16, displayCellHeight, setDisplayCellHeight)
    PL_ATTRIBUTE(QString, displayName, setDisplayName)
    PL_ATTRIBUTE(QString, bulkJoinedUserNames, setBulkJoinedUserNames)
    PL_ATTRIBUTE(QString, detailsLinkVisibility, setDetailsLinkVisibility)
    PL_ATTRIBUTE(QString, assetUrl, setAssetUrl)
    // Written by earlier schema versions; read by the upgrade only.
    PL_ATTRIBUTE(bool, expired, setExpired)
    template <class D = ChatRoom> std::shared_ptr<D> room() const {
        return object<D>(QStringLiteral("room"));
    }
    void setRoom(const std::shared_ptr<ChatRoom>& room);
    PL_TO_ONE(User, senderUser, setSenderUser)
    PL_TO_ONE(User, fromUser, setFromUser)
    PL_TO_MANY(PendingMessageInfo, pendingMessages, addPendingMessagesObject, removePendingMessagesObject)
    PL_TO_MANY(Asset, assets, addAssetsObject, removeAssetsObject)

    // ---- Management (MessageManagement.cpp)
    using PLEntity<Message>::updateWithDictionary;
    // The type number of a server type name, or nullopt for a name outside the table.
    static std::optional<qint16> typeForTypeString(const QString& typeString);
    // Imports one Message JSON into this row; whether the change is to be announced. Saves nothing:
    // the dispatch commits the message together with its room.
    bool updateWithDictionary(const QVariantMap& dictionary, const std::optional<QVariantMap>& textJSON,
                              bool updateSender, bool compareDate);
    // First message in the whole store with this ID, respectively form ID.
    static Ptr messageWithID(const QString& messageId, const ContextPtr& context = {});
    static Ptr messageWithFormID(const QString& formId, const ContextPtr& context = {});
    // Deletes the row (no save).
    static void removeMessage(const Ptr& message);
    // The "displayname" of the stored form definition of that name.
    QString getDisplayNameForFroms(const QString& formName) const;
    // Posts the expiry of a smart message to its room; false (no request) for any other message.
    bool expireNowWithCompletionHandler(
        const std::function<void(bool, const PLOptionalError&, const QString&)>& completion);
    // What this message adds to its room's unread count: `updateCount` while unread.
    qint64 unreadUpdates() const { return state() == 0 ? updateCount() : 0; }
    // An entry of the outbox for this message that is not completed.
    bool hasAtLeatOnePendingMessage() const;

    // ---- Outbox of this message (MessageOutbox.cpp)
    bool postingInProgress() const;
    // True as well for a message without entries.
    bool hasOnlyFailedPedningMessages() const;
    bool hasFailedPendingMessage() const;
    std::shared_ptr<PendingMessageInfo> latestPendingMessage() const;
    int pendingMessagesCount() const;
    int failedPendingMessageCount() const;
    int pendingMessagesExcludingFailedMessageCount() const;
    // Deletes the failed entries and saves.
    void removeAllFailedPendingMessages();

    // Row-model accessors of the chat window.
    bool isStale() const { return false; }
    bool senderIsMe() const;
    bool lastUpdatedUserIsMe() const;
    bool latestActionIsInit() const { return latestAction() == QLatin1String("init"); }
    bool latestActionIsReply() const { return latestAction() == QLatin1String("reply"); }
    bool latestActionIsComment() const { return latestAction() == QLatin1String("comment"); }
    bool latestActionIsExpired() const { return latestAction() == QLatin1String("expired"); }
    QString displayText() const;
    QString chatWindowTimeString() const;
    QString dateString() const;
    // Held on this in-memory object only (each context's object has its own).
    int textMessageState() const { return m_textMessageState; }
    void setTextMessageState(int state) { m_textMessageState = state; }

private:
    int m_textMessageState = 0;
};

} // namespace pelnix
