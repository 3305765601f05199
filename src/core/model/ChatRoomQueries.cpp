#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/FormJSON.h"
#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RecentObjects.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/RoomModelServices.h"
#include "core/model/User.h"

#include <algorithm>
#include <limits>

namespace pelnix {

using K = platform::PredicateKey;

namespace {
// What a rooms list row shows of a latest message (its line of text, sender and time). A smart
// message carries its rendered page and more, often kilobytes per row: the list reads none of it,
// and whoever does gets it read on demand.
const QStringList kLatestMessageListProperties{
    QStringLiteral("messageId"),   QStringLiteral("type"),       QStringLiteral("text"),
    QStringLiteral("displayName"), QStringLiteral("date"),       QStringLiteral("state"),
    QStringLiteral("fromUser"),    QStringLiteral("senderUser"), QStringLiteral("room"),
};
} // namespace

ChatRoom::Ptr ChatRoom::chatRoomWithID(const QString& roomId, const ContextPtr& context) {
    if (roomId.isEmpty())
        return {};
    if (context)
        return PS_findFirstByAttribute(QStringLiteral("roomId"), roomId, context);
    thread_local RecentObjects<ChatRoom, QString> recent;
    return recent.find(
        roomId, [](const ChatRoom& room) { return room.roomId(); },
        [&roomId] { return PS_findFirstByAttribute(QStringLiteral("roomId"), roomId); });
}

ChatRoom::List ChatRoom::allChatRooms(const ContextPtr& context) {
    List rooms =
        PS_findAllSortedBy(QStringLiteral("activityDate"), false, K(QStringLiteral("status")) != 1, context);
    auto listed = std::make_shared<ListedRooms>();
    listed->rooms.reserve(rooms.size());
    for (qsizetype i = 0; i < rooms.size(); ++i) {
        listed->rooms << rooms[i];
        rooms[i]->m_listed = listed;
        rooms[i]->m_listedIndex = int(i);
    }
    const QStringList filter = PelnixGroupFilter::chatRoomsToFilter();
    if (filter.isEmpty())
        return rooms;
    QList<qsizetype> collected;
    for (const QString& roomId : filter) {
        for (qsizetype i = 0; i < rooms.size(); ++i) {
            if (rooms[i]->roomId() == roomId) {
                if (!collected.contains(i))
                    collected << i;
                break;
            }
        }
    }
    // A filter naming no stored room filters nothing, whatever its mode.
    if (collected.isEmpty())
        return rooms;
    bool excluding = PelnixGroupFilter::isExcluding();
    List result;
    for (qsizetype i = 0; i < rooms.size(); ++i)
        if (collected.contains(i) != excluding)
            result << rooms[i];
    return result;
}

void ChatRoom::prefetchLatestMessages() {
    // One fetch for a run of rows instead of one per row, and only for rows that are asked for: a
    // list opens reading what its first screen shows.
    const auto listed = std::exchange(m_listed, nullptr);
    if (!listed)
        return;
    QList<Ptr> run;
    QVariantList ids;
    const int runSize =
        std::exchange(listed->nextRun, std::min(listed->nextRun * 2, kLatestMessagesFetchedAtMost));
    for (qsizetype i = m_listedIndex; i < listed->rooms.size() && run.size() < runSize; ++i) {
        const auto room = listed->rooms[i].lock();
        if (!room || (room.get() != this && room->m_listed != listed))
            continue;
        room->m_listed.reset();
        run << room;
        if (QString id = room->latestMessageId(); !id.isEmpty())
            ids << std::move(id);
    }
    if (ids.isEmpty())
        return;
    auto request = PLEntityQueries::PS_requestAllWithPredicate(Message::entityName(),
                                                               K(QStringLiteral("messageId")).in(ids));
    request.propertiesToFetch = kLatestMessageListProperties;
    QHash<QString, std::shared_ptr<Message>> byId;
    for (const auto& message :
         Message::castAll(PLEntityQueries::PS_executeFetchRequest(request, contextPtr())))
        if (const QString id = message->messageId(); !byId.contains(id))
            byId.insert(id, message);
    for (const auto& room : std::as_const(run))
        room->m_latestMessage = byId.value(room->latestMessageId());
}

ChatRoom::List ChatRoom::allOneToOneChatRooms(const ContextPtr& context) {
    return PS_findAllSortedBy(QStringLiteral("activityDate"), false,
                              K(QStringLiteral("type")) == QStringLiteral("1"), context);
}

std::optional<ChatRoom::List>
ChatRoom::allOneToOneChatRoomsFromOtherUsersList(const std::optional<QStringList>& emails) {
    if (!emails)
        return std::nullopt;
    auto account = CurrentUserInfo::PS_findFirst();
    auto me = account ? account->user() : nullptr;
    QString myEmail = me ? me->email() : QString();
    List result;
    for (const auto& room : allOneToOneChatRooms()) {
        for (const auto& member : room->members()) {
            auto user = member->user();
            QString email = user ? user->email() : QString();
            if (!email.isEmpty() && email == myEmail)
                continue;
            // The first member who is not the current user decides, once per room.
            if (!email.isEmpty() && emails->contains(email))
                result << room;
            break;
        }
    }
    return result;
}

qint64 ChatRoom::latestMessageDate(const ContextPtr& context) {
    return Message::PS_aggregateOperation(QStringLiteral("max:"), QStringLiteral("date"), {}, context)
        .toLongLong();
}

} // namespace pelnix
