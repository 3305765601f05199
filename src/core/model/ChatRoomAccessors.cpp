#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/FormJSON.h"
#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/RoomModelServices.h"
#include "core/model/User.h"
#include "foundation/DateAdditions.h"

#include <QDateTime>
#include <QUrl>
#include <algorithm>

namespace pelnix {

using K = platform::PredicateKey;

// Appends one path component to a URL; a file-path join would fold the "//" of "http://".
QString ChatRoom::appendingPathComponent(const QString& base, const QString& component) {
    if (base.isEmpty() || component.isEmpty())
        return {};
    QString joined = base;
    if (!joined.endsWith(QLatin1Char('/')))
        joined += QLatin1Char('/');
    return joined + QString::fromLatin1(QUrl::toPercentEncoding(component));
}

QString ChatRoom::displayName() const {
    if (!isOneToOne())
        return name();
    qint32 me = RoomModelServices::shared().currentUserID();
    for (const auto& member : members()) {
        auto user = member->user();
        if (!user || user->userID() != me)
            return user ? user->profileName() : QString();
    }
    return name();
}

QString ChatRoom::roomURL() const {
    return appendingPathComponent(RoomModelServices::shared().roomsURL(), roomId());
}

QString ChatRoom::membersURL() const {
    return appendingPathComponent(roomURL(), QStringLiteral("members"));
}

QString ChatRoom::messagesURL() const {
    return appendingPathComponent(roomURL(), QStringLiteral("messages"));
}

bool ChatRoom::isOneToOne() const {
    return type() == QLatin1String("1");
}

std::shared_ptr<RoomMember> ChatRoom::adminMember() const {
    for (const auto& member : members())
        if (member->isCreator())
            return member;
    return {};
}

qint32 ChatRoom::adminUserID() const {
    auto admin = adminMember();
    auto user = admin ? admin->user() : nullptr;
    return user ? user->userID() : 0;
}

bool ChatRoom::isCurrentUserAdmin() const {
    return RoomModelServices::shared().currentUserID() == adminUserID();
}

qint64 ChatRoom::unreadMessagesCount() {
    if (tempUnreadMessageCount() != -1)
        return tempUnreadMessageCount();
    qint64 sum = 0;
    auto* context = managedObjectContext();
    if (context && !context->hasChanges()) {
        auto self = std::static_pointer_cast<ChatRoom>(shared_from_this());
        sum = Message::PS_aggregateOperation(QStringLiteral("sum:"), QStringLiteral("updateCount"),
                                             K(QStringLiteral("room")) == self &&
                                                 K(QStringLiteral("state")) == 0)
                  .toLongLong();
    } else {
        // Unsaved changes are seen only by the objects themselves.
        for (const auto& message : messages())
            if (message->state() == 0)
                sum += message->updateCount();
    }
    setTempUnreadMessageCount(sum);
    return sum;
}

QList<std::shared_ptr<Message>> ChatRoom::allMessages() const {
    auto self =
        std::const_pointer_cast<ChatRoom>(std::static_pointer_cast<const ChatRoom>(shared_from_this()));
    auto all = Message::PS_findAllWithPredicate(K(QStringLiteral("room")) == self);
    // Messages of one date keep the order they were stored in, so pages are stable.
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
        return a->date() != b->date() ? a->date() < b->date() : a->primaryKey() < b->primaryKey();
    });
    return all;
}

QList<std::shared_ptr<Message>> ChatRoom::allMessagesAfterTime(qint64 time) const {
    QList<std::shared_ptr<Message>> after;
    for (const auto& message : allMessages())
        if (message->date() >= time)
            after << message;
    return after;
}

std::shared_ptr<Message> ChatRoom::latestMessage() {
    const QString latestId = latestMessageId();
    if (auto cached = m_latestMessage; cached && !latestId.isEmpty() && !cached->isInert() &&
                                       !cached->isDeleted() && cached->messageId() == latestId)
        return cached;
    if (auto message = Message::messageWithID(latestId)) {
        m_latestMessage = message;
        return message;
    }
    auto all = allMessages();
    auto newest = all.isEmpty() ? nullptr : all.last();
    setLatestMessageId(newest ? newest->messageId() : QString());
    m_latestMessage = newest;
    save();
    return newest;
}

QString ChatRoom::activityDateString() const {
    if (activityDate() == 0)
        return {};
    return DateAdditions::getFormattedDateStringFromDate(
        QDateTime::fromSecsSinceEpoch(activityDate() / 1000));
}

void ChatRoom::updateLatestMessage(const std::shared_ptr<Message>& message) {
    if (!message || activityDate() > message->date())
        return;
    setActivityDate(message->date());
    setLatestMessageId(message->messageId());
}

void ChatRoom::messagesBeforeTime(qint64 time, const PLMessagePageHandler& handler) const {
    // A page size of 0 would give empty pages forever.
    qsizetype n = qsizetype(std::max<quint64>(1, RoomModelServices::shared().numberOfMessagesLoadedOnce()));
    const auto all = allMessages();
    std::optional<QList<std::shared_ptr<Message>>> page;
    bool olderExist = false;
    qsizetype start = 0;
    qsizetype end = 0; // one past the page's last message
    if (time != 0) {
        auto first =
            std::find_if(all.begin(), all.end(), [time](const auto& m) { return m->date() >= time; });
        if (first != all.end()) {
            end = first - all.begin();
            start = std::max<qsizetype>(0, end - n);
            page.emplace();
        }
    } else {
        auto firstUnread =
            std::find_if(all.begin(), all.end(), [](const auto& m) { return m->state() == 0; });
        if (firstUnread != all.end())
            n = std::max<qsizetype>(n, all.size() - (firstUnread - all.begin()));
        end = all.size();
        start = std::max<qsizetype>(0, end - n);
        page.emplace();
    }
    if (page) {
        // The next page starts before the oldest date shown, so a page never begins inside a run
        // of messages sharing one date: the older ones of the run would never be shown.
        while (start > 0 && start < end && all[start - 1]->date() == all[start]->date())
            --start;
        *page = all.mid(start, end - start);
        olderExist = start > 0;
    }
    qint64 oldestDate = page && !page->isEmpty() ? page->first()->date() : 0;
    if (handler)
        handler(page.value_or(QList<std::shared_ptr<Message>>()), olderExist, oldestDate);
}

} // namespace pelnix
