#include "core/model/ChatRoom.h"

#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/User.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

namespace pelnix {

using K = platform::PredicateKey;

namespace {

QString newUUID() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

// Announced only once the message and its entry are both stored.
void announce(const char* notification, const std::shared_ptr<Message>& message) {
    platform::NotificationCenter::defaultCenter()->post(
        QLatin1String(notification), {}, {{QLatin1String(kMessageIDKey), message->messageId()}});
}

QString chatletDisplayName(const QString& chatletJSON) {
    return QJsonDocument::fromJson(chatletJSON.toUtf8())
        .object()
        .value(QLatin1String("displayname"))
        .toString();
}

bool isCandidate(const std::shared_ptr<PendingMessageInfo>& entry) {
    return entry->state() == 0 || entry->state() == 1 || entry->state() == 2;
}

} // namespace

std::shared_ptr<Message> ChatRoom::createMessage() {
    auto message = Message::PS_createEntity();
    message->setMessageId(newUUID());
    // To the millisecond: a post is newer than what came before it in its second too, and becomes the
    // room's latest message.
    message->setDate(QDateTime::currentMSecsSinceEpoch());
    updateLatestMessage(message);
    addMessagesObject(message);
    if (const auto account = CurrentUserInfo::currentUserInfo())
        message->setSenderUser(account->user());
    return message;
}

std::shared_ptr<PendingMessageInfo> ChatRoom::createPendingMessage(const std::shared_ptr<Message>& message,
                                                                   qint16 type, qint16 state) {
    auto room = std::static_pointer_cast<ChatRoom>(shared_from_this());
    auto entry = PendingMessageInfo::PS_createEntity();
    entry->setType(type);
    entry->setState(state);
    entry->setSeqId(newUUID());
    entry->setMessageId(PendingMessageInfo::nextMessageId());
    entry->setRoom(room);
    entry->setMessage(message);
    addPendingMessagesObject(entry);
    message->addPendingMessagesObject(entry);
    return entry;
}

std::shared_ptr<Message> ChatRoom::postTextMessage(const QString& text) {
    Q_ASSERT(platform::isMainThread());
    auto message = createMessage();
    message->setType(2);
    message->setText(text);
    createPendingMessage(message, 0, 1)->setText(text);
    // One commit holds the message and its entry; the outbox rows make it a full-sync commit, so
    // a post shown as queued survives even a power loss.
    save();
    announce(ChatRoomMessageAddedNotification, message);
    PLModelManager::sharedModelManager()->postPendingMessages();
    return message;
}

std::shared_ptr<Message> ChatRoom::postChatlet(const QString& chatletJSON) {
    Q_ASSERT(platform::isMainThread());
    auto message = createMessage();
    message->setType(1);
    message->setDisplayName(chatletDisplayName(chatletJSON));
    createPendingMessage(message, 1, 1)->setText(chatletJSON);
    save();
    announce(ChatRoomMessageAddedNotification, message);
    PLModelManager::sharedModelManager()->postPendingMessages();
    return message;
}

void ChatRoom::replyToChatlet(const QString& replyJSON, const std::shared_ptr<Message>& linkedMessage) {
    Q_ASSERT(platform::isMainThread());
    if (!linkedMessage)
        return;
    linkedMessage->setDate(QDateTime::currentMSecsSinceEpoch());
    updateLatestMessage(linkedMessage);
    if (const auto account = CurrentUserInfo::currentUserInfo())
        linkedMessage->setFromUser(account->user());
    createPendingMessage(linkedMessage, 2, 1)->setText(replyJSON);
    save();
    announce(ChatRoomMessageUpdatedNotification, linkedMessage);
    PLModelManager::sharedModelManager()->postPendingMessages();
}

std::shared_ptr<PendingMessageInfo> ChatRoom::firstPendingMessage() const {
    std::shared_ptr<PendingMessageInfo> first;
    for (const auto& entry : pendingMessages())
        if (isCandidate(entry) && (!first || entry->messageId() < first->messageId()))
            first = entry;
    return first;
}

bool ChatRoom::postNextPendingMessage() {
    const auto first = firstPendingMessage();
    if (!first)
        return false;
    // One post at a time per room: the next waits for the answer of the one in flight, which still
    // holds one of the pass's slots.
    if (first->postingInProgress())
        return true;
    return first->postMessage();
}

ChatRoom::List ChatRoom::chatRoomsWithPendingMessages() {
    const auto entries = PendingMessageInfo::PS_findAllSortedBy(QStringLiteral("messageId"), true,
                                                                K(QStringLiteral("state")) <= 2);
    List rooms;
    QSet<qint64> seen;
    for (const auto& entry : entries) {
        const auto room = entry->room();
        if (room && !seen.contains(room->primaryKey())) {
            seen.insert(room->primaryKey());
            rooms << room;
        }
    }
    return rooms;
}

qint16 ChatRoom::displayCellHeightForImageSize(const QSizeF& size) {
    // A video without a thumbnail has no size: dividing by it would give no number at all.
    if (size.width() <= 0 || size.height() <= 0)
        return 200;
    const double ratio = size.width() / size.height();
    return ratio > 1.0 ? 200 : qint16(160.0 / ratio + 40.0);
}

} // namespace pelnix
