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
    return throughGroupFilter(
        PS_findAllSortedBy(QStringLiteral("activityDate"), false, K(QStringLiteral("status")) != 1, context));
}

ChatRoom::List ChatRoom::allChatRoomsWithLatestMessages(const ContextPtr& context) {
    auto request = PLEntityQueries::PS_requestAllSortedBy(entityName(), QStringLiteral("activityDate"), false,
                                                          K(QStringLiteral("status")) != 1);
    request.companion =
        platform::FetchRequest::Companion{QStringLiteral("latestMessageId"), Message::entityName(),
                                          QStringLiteral("messageId"), kLatestMessageListProperties};
    const auto keepLatest = [](platform::ManagedObject& row, platform::ObjectPtr message) {
        auto* room = cast(&row);
        if (auto latest = room ? Message::cast(std::move(message)) : nullptr)
            room->m_latestMessage = std::move(latest);
    };
    return throughGroupFilter(
        castAll(PLEntityQueries::PS_executeFetchRequestWithCompanions(request, keepLatest, context)));
}

ChatRoom::List ChatRoom::throughGroupFilter(List rooms) {
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
