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
#include <limits>

namespace pelnix {

using K = platform::PredicateKey;

qint64 ChatRoom::memberCount() const {
    const qint64 stored = totalMembers();
    const qint64 counted =
        RoomMember::PS_countOfEntitiesWithPredicate(K(QStringLiteral("room.roomId")) == roomId());
    return counted > std::numeric_limits<qint16>::max() ? counted : stored;
}

void ChatRoom::changeTotalMembers(int change) {
    setTotalMembers(qint16(std::clamp<int>(totalMembers() + change, std::numeric_limits<qint16>::min(),
                                           std::numeric_limits<qint16>::max())));
}

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
    // Asked of the store: a room of thousands would otherwise be read whole to find one member.
    const auto self = selfPtr();
    if (!self)
        return {};
    return RoomMember::PS_findFirstWithPredicate(
        K(QStringLiteral("room")) == self && K(QStringLiteral("isCreator")) == true, contextPtr());
}

qint32 ChatRoom::adminUserID() const {
    auto admin = adminMember();
    auto user = admin ? admin->user() : nullptr;
    return user ? user->userID() : 0;
}

bool ChatRoom::isCurrentUserAdmin() const {
    return RoomModelServices::shared().currentUserID() == adminUserID();
}

QList<std::shared_ptr<Message>> ChatRoom::allMessages() const {
    return roomMessages({}, 0, true);
}

QList<std::shared_ptr<Message>> ChatRoom::allMessagesAfterTime(qint64 time) const {
    return roomMessages(K(QStringLiteral("date")) >= time, 0, true);
}

QList<std::shared_ptr<Message>> ChatRoom::messagesBetweenTimes(qint64 from, qint64 until) const {
    const K date(QStringLiteral("date"));
    return roomMessages(date >= from && date <= until, 0, true);
}

QList<std::shared_ptr<Message>> ChatRoom::roomMessages(const platform::Predicate& condition, int limit,
                                                       bool ascending) const {
    auto self = selfPtr();
    const platform::Predicate predicate = K(QStringLiteral("room")) == self && condition;
    // By date; messages of one date in the order they were stored, so pages are stable.
    auto request = PLEntityQueries::PS_requestAllSortedBy(Message::entityName(), QStringLiteral("date"),
                                                          ascending, predicate);
    request.fetchLimit = limit;
    return Message::castAll(PLEntityQueries::PS_executeFetchRequest(request, contextPtr()));
}

namespace {
// The text a slot holds, or null.
const QString* textIn(const QVariant& value) {
    return value.data_ptr().typeInterface() == QMetaType::fromType<QString>().iface()
               ? &value.data_ptr().get<QString>()
               : nullptr;
}

// Both slots hold one non-empty text. A key read with the row it names shares the row's text, which
// is then told equal without reading either (a rooms list asks this of every row it shows).
bool sameText(const QVariant& a, const QVariant& b) {
    const QString* x = textIn(a);
    const QString* y = textIn(b);
    return x && y && !x->isEmpty() &&
           ((x->constData() == y->constData() && x->size() == y->size()) || *x == *y);
}

// The slot holds `text`, or both are empty. Where the slot's text is `text` itself (a key read with
// its row), told without reading either.
bool holdsText(const QVariant& slot, const QString& text) {
    const QString* held = textIn(slot);
    if (!held || held->isEmpty())
        return text.isEmpty();
    return (held->constData() == text.constData() && held->size() == text.size()) || *held == text;
}
} // namespace

bool ChatRoom::latestReadHolds() const {
    static thread_local SlotCache latestIdSlot;
    const auto* context = m_latestRead ? managedObjectContext() : nullptr;
    return context && context->rowsVersion(m_latestRead->entity) == m_latestRead->rowsVersion &&
           holdsText(attributeValue(QStringLiteral("latestMessageId"), latestIdSlot),
                     m_latestRead->values.messageId);
}

bool ChatRoom::namesMessage(const std::shared_ptr<Message>& message) const {
    static thread_local SlotCache latestIdSlot;
    static thread_local SlotCache messageIdSlot;
    return message && !message->isInert() && !message->isDeleted() &&
           sameText(attributeValue(QStringLiteral("latestMessageId"), latestIdSlot),
                    message->attributeValue(QStringLiteral("messageId"), messageIdSlot));
}

bool ChatRoom::holdsLatestMessage() const {
    return namesMessage(m_latestMessage) || latestReadHolds();
}

std::optional<MessageSummary> ChatRoom::latestMessageSummary() {
    if (latestReadHolds() && m_latestRead->key && !managedObjectContext()->heldObject(m_latestRead->key))
        return m_latestRead->values;
    // The context holds the message now (a window shows it, it changed here), or the read found none.
    const auto message = latestMessage();
    return message ? std::optional<MessageSummary>(MessageSummary::of(*message)) : std::nullopt;
}

std::shared_ptr<Message> ChatRoom::latestMessage() {
    if (namesMessage(m_latestMessage))
        return m_latestMessage;
    // The row the list's read found, as the context holds it or made of what the read held: a list that
    // asks every room for its message pays no read per room.
    if (latestReadHolds() && m_latestRead->key) {
        const auto message = Message::cast(latestReadObject());
        if (namesMessage(message)) {
            m_latestMessage = message;
            m_latestRead.reset();
            return message;
        }
    }
    const QString latestId = latestMessageId();
    if (auto message = Message::messageWithID(latestId, contextPtr())) {
        m_latestMessage = message;
        return message;
    }
    auto newest = roomMessages({}, 1, false).value(0);
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
    constexpr quint64 kMaxPage = std::numeric_limits<int>::max() - 1;
    const quint64 pageSize = RoomModelServices::shared().numberOfMessagesLoadedOnce();
    int size = int(std::clamp<quint64>(pageSize, 1, kMaxPage));
    const K date(QStringLiteral("date"));

    std::optional<QList<std::shared_ptr<Message>>> page;
    bool olderExist = false;
    platform::Predicate range; // the messages the page is the newest of
    if (time != 0) {
        // Nothing at or after the time: the window shows no message of this room.
        if (hasMessagesFrom(time)) {
            range = date < time;
            page = newestPage(range, size, &olderExist);
        }
    } else {
        page = newestPage(range, size, &olderExist);
        // The first page reaches back to the first unread message. Counted, not fetched: usually
        // none is older than the page, and then the index answers at once.
        const K state(QStringLiteral("state"));
        const auto self = selfPtr();
        const K room(QStringLiteral("room"));
        const qint64 oldestShown = page->isEmpty() ? 0 : page->first()->date();
        if (olderExist && Message::PS_countOfEntitiesWithPredicate(
                              room == self && state == 0 && date < oldestShown, contextPtr()) > 0) {
            if (const auto firstUnread = roomMessages(state == 0, 1, true).value(0)) {
                const qint64 fromFirstUnread = Message::PS_countOfEntitiesWithPredicate(
                    room == self && date >= firstUnread->date(), contextPtr());
                size = int(std::clamp<qint64>(fromFirstUnread, size, kMaxPage));
                page = newestPage(range, size, &olderExist);
            }
        }
    }
    const qint64 oldestDate = page && !page->isEmpty() ? page->first()->date() : 0;
    if (handler)
        handler(page.value_or(QList<std::shared_ptr<Message>>()), olderExist, oldestDate);
}

void ChatRoom::newestMessages(const PLMessagePageHandler& handler) const {
    constexpr quint64 kMaxPage = std::numeric_limits<int>::max() - 1;
    const quint64 pageSize = RoomModelServices::shared().numberOfMessagesLoadedOnce();
    bool olderExist = false;
    const auto page = newestPage({}, int(std::clamp<quint64>(pageSize, 1, kMaxPage)), &olderExist);
    if (handler)
        handler(page, olderExist, page.isEmpty() ? 0 : page.first()->date());
}

QList<std::shared_ptr<Message>> ChatRoom::messagesFromTime(qint64 time, bool inclusive, int size,
                                                           bool* newerExist) const {
    const K date(QStringLiteral("date"));
    const platform::Predicate range = inclusive ? date >= time : date > time;
    auto oldest = roomMessages(range, qMax(1, size) + 1, true);
    *newerExist = oldest.size() > qMax(1, size);
    if (!*newerExist)
        return oldest;
    const auto beyond = oldest.takeLast();
    const qint64 newest = oldest.last()->date();
    if (beyond->date() != newest)
        return oldest;
    // The next page, asked for what lies after that date, would never show the rest of the run: the
    // page takes the whole run.
    while (!oldest.isEmpty() && oldest.last()->date() == newest)
        oldest.removeLast();
    oldest += roomMessages(range && date == newest, 0, true);
    *newerExist = !roomMessages(date > newest, 1, true).isEmpty();
    return oldest;
}

std::shared_ptr<Message> ChatRoom::firstUnreadMessage() const {
    return roomMessages(K(QStringLiteral("state")) == 0, 1, true).value(0);
}

qint64 ChatRoom::unreadMessageRowCount() const {
    return Message::PS_countOfEntitiesWithPredicate(
        K(QStringLiteral("room")) == selfPtr() && K(QStringLiteral("state")) == 0, contextPtr());
}

bool ChatRoom::hasMessagesFrom(qint64 time) const {
    // Saved messages answer through the index alone; unsaved changes only a fetch sees.
    auto* context = managedObjectContext();
    if (context && !context->hasChanges()) {
        auto self = selfPtr();
        const QVariant newest = Message::PS_aggregateOperation(
            QStringLiteral("max:"), QStringLiteral("date"), K(QStringLiteral("room")) == self, contextPtr());
        return newest.isValid() && newest.toLongLong() >= time;
    }
    return !roomMessages(K(QStringLiteral("date")) >= time, 1, true).isEmpty();
}

QList<std::shared_ptr<Message>> ChatRoom::newestPage(const platform::Predicate& range, int size,
                                                     bool* olderExist) const {
    const K date(QStringLiteral("date"));
    auto newest = roomMessages(range, size + 1, false);
    *olderExist = newest.size() > size;
    if (*olderExist) {
        const auto beyond = newest.takeLast();
        const qint64 oldest = newest.last()->date();
        if (beyond->date() == oldest) {
            // The page would begin inside a run of messages sharing one date, and the next page,
            // asked for what lies before that date, would never show the rest of the run: the
            // page takes the whole run.
            while (!newest.isEmpty() && newest.last()->date() == oldest)
                newest.removeLast();
            auto run = roomMessages(range && date == oldest, 0, true);
            *olderExist = !roomMessages(range && date < oldest, 1, false).isEmpty();
            std::reverse(newest.begin(), newest.end());
            return run + newest;
        }
    }
    std::reverse(newest.begin(), newest.end());
    return newest;
}

ChatRoom::Ptr ChatRoom::selfPtr() const {
    return std::const_pointer_cast<ChatRoom>(std::static_pointer_cast<const ChatRoom>(shared_from_this()));
}

ContextPtr ChatRoom::contextPtr() const {
    auto* context = managedObjectContext();
    return context ? context->shared_from_this() : ContextPtr();
}

} // namespace pelnix
