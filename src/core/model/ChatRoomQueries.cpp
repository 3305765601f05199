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
    prefetchLatestMessages(rooms, context);
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

void ChatRoom::prefetchLatestMessages(const List& rooms, const ContextPtr& context) {
    // One fetch for the whole list instead of one per row when the rooms list reads them.
    QVariantList ids;
    for (const auto& room : rooms)
        if (!room->latestMessageId().isEmpty())
            ids << room->latestMessageId();
    if (ids.isEmpty())
        return;
    QHash<QString, std::shared_ptr<Message>> byId;
    for (const auto& message :
         Message::PS_findAllWithPredicate(K(QStringLiteral("messageId")).in(ids), context))
        if (!byId.contains(message->messageId()))
            byId.insert(message->messageId(), message);
    for (const auto& room : rooms)
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
