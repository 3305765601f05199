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
#include <array>
#include <limits>

namespace pelnix {

using K = platform::PredicateKey;

namespace {
// What a rooms list row shows of a latest message (its line of text, sender and time), in this
// order. A smart message carries its rendered page and more, often kilobytes per row: the list reads
// none of it, and whoever asks for the message gets its object.
enum LatestMessageProperty { MessageId, Type, Text, DisplayName, Date, State, FromUser, SenderUser };
const QStringList kLatestMessageListProperties{
    QStringLiteral("messageId"),   QStringLiteral("type"),       QStringLiteral("text"),
    QStringLiteral("displayName"), QStringLiteral("date"),       QStringLiteral("state"),
    QStringLiteral("fromUser"),    QStringLiteral("senderUser"),
};

// What a rooms list row shows of a room (its name, picture, activity, unread count, latest message): a
// list of every room reads these columns; a room not held yet reads the rest when asked for it.
const QStringList kListedRoomProperties{
    QStringLiteral("roomId"),
    QStringLiteral("name"),
    QStringLiteral("type"),
    QStringLiteral("status"),
    QStringLiteral("activityDate"),
    QStringLiteral("imageUrl"),
    QStringLiteral("latestMessageId"),
    QStringLiteral("tempUnreadMessageCount"),
};

// The latest message read as stored values: what MessageSummary::of() gives of its object; whether the
// column of its line held no value.
MessageSummary storedSummary(const QString& messageId, const platform::ObjectContext::StoredCompanion& stored,
                             bool* lineIsNull) {
    using platform::ManagedObject;
    MessageSummary summary;
    summary.messageId = messageId;
    summary.type = ManagedObject::converted<qint16>(stored.value(Type));
    const QVariant line = stored.value(summary.type == 1 ? DisplayName : Text);
    *lineIsNull = !line.isValid();
    summary.displayText = ManagedObject::converted<QString>(line);
    summary.date = ManagedObject::converted<qint64>(stored.value(Date));
    summary.state = ManagedObject::converted<qint16>(stored.value(State));
    summary.fromUserKey = ManagedObject::converted<qint64>(stored.value(FromUser));
    summary.senderUserKey = ManagedObject::converted<qint64>(stored.value(SenderUser));
    return summary;
}
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
    request.propertiesToFetch = kListedRoomProperties;
    return throughGroupFilter(readWithLatestMessages(std::move(request), context));
}

void ChatRoom::readLatestMessages(const List& rooms) {
    const auto first = std::find_if(rooms.cbegin(), rooms.cend(),
                                    [](const Ptr& room) { return room && room->managedObjectContext(); });
    const ContextPtr context = first == rooms.cend() ? nullptr : (*first)->contextPtr();
    if (!context)
        return;
    QVariantList ids;
    List run;
    for (const auto& room : rooms)
        if (room && room->managedObjectContext() == context.get() && !room->holdsLatestMessage()) {
            ids << room->roomId();
            run << room;
        }
    if (run.isEmpty())
        return;
    readWithLatestMessages(
        PLEntityQueries::PS_requestAllWithPredicate(entityName(), K(QStringLiteral("roomId")).in(ids)),
        context);
    // A room the statement could not read (unsaved here) has its latest message looked up on its own.
    for (const auto& room : std::as_const(run))
        if (!room->holdsLatestMessage())
            room->keepLatestMessage(nullptr, nullptr, nullptr, 0);
}

ChatRoom::List ChatRoom::readWithLatestMessages(platform::FetchRequest request, const ContextPtr& given) {
    const ContextPtr context = PLEntityQueries::resolve(given);
    if (!context)
        return {};
    request.companion =
        platform::FetchRequest::Companion{QStringLiteral("latestMessageId"), Message::entityName(),
                                          QStringLiteral("messageId"), kLatestMessageListProperties};
    // The version the values are valid against, taken after the changes waiting to be merged: the
    // fetch merges nothing more unless a save lands meanwhile, which then only makes them older.
    context->processPendingMerges();
    const auto* messages =
        context->store() ? context->store()->model()->entityNamed(Message::entityName()) : nullptr;
    const quint64 version = context->rowsVersion(messages);
    const auto keep = [messages, version](platform::ManagedObject& row, const platform::ObjectPtr& held,
                                          const platform::ObjectContext::StoredCompanion* stored) {
        if (auto* room = cast(&row))
            room->keepLatestMessage(held, stored, messages, version);
    };
    return castAll(context->executeFetchRequestWithCompanionValues(request, keep)
                       .value_or(PLEntityQueries::ObjectList()));
}

void ChatRoom::keepLatestMessage(const platform::ObjectPtr& held,
                                 const platform::ObjectContext::StoredCompanion* stored,
                                 const platform::EntityDescription* entity, quint64 rowsVersion) {
    static thread_local SlotCache latestIdSlot;
    if (auto message = Message::cast(held)) {
        m_latestMessage = std::move(message);
        m_latestRead.reset();
        return;
    }
    LatestMessageRead read;
    const QString messageId =
        converted<QString>(attributeValue(QStringLiteral("latestMessageId"), latestIdSlot));
    if (stored) {
        read.values = storedSummary(messageId, *stored, &read.lineIsNull);
        read.key = stored->primaryKey();
    } else {
        read.values.messageId = messageId;
    }
    read.entity = entity;
    read.rowsVersion = rowsVersion;
    m_latestRead = std::move(read);
    m_latestMessage.reset();
}

platform::ObjectPtr ChatRoom::latestReadObject() const {
    const LatestMessageRead& read = *m_latestRead;
    const auto* entity = read.entity;
    auto* context = managedObjectContext();
    // Where each property the list reads lives in a message object.
    struct Slots {
        const platform::EntityDescription* entity = nullptr;
        std::array<int, SenderUser + 1> of{};
    };
    static thread_local Slots cached;
    if (cached.entity != entity) {
        for (qsizetype p = 0; p < kLatestMessageListProperties.size(); ++p) {
            const QString& name = kLatestMessageListProperties[p];
            const auto* attribute = entity->attributeNamed(name);
            const auto* relationship = attribute ? nullptr : entity->relationshipNamed(name);
            cached.of[size_t(p)] = attribute ? attribute->slot : relationship ? relationship->slot : -1;
        }
        cached.entity = entity;
    }
    if (std::find(cached.of.cbegin(), cached.of.cend(), -1) != cached.of.cend())
        return context->objectForKey(entity, read.key);
    platform::SlotValues values(size_t(entity->slotCount()));
    platform::SlotFlags loaded(size_t(entity->slotCount()), false);
    const auto put = [&](LatestMessageProperty property, QVariant value) {
        const int slot = cached.of[size_t(property)];
        values[size_t(slot)] = std::move(value);
        loaded.set(size_t(slot), true);
    };
    const auto number = [&](LatestMessageProperty property, qint64 value) {
        put(property, entity->attributeForSlot(cached.of[size_t(property)])->coerce(qlonglong(value)));
    };
    const auto key = [](qint64 value) { return value ? QVariant(qlonglong(value)) : QVariant(); };
    const MessageSummary& shown = read.values;
    put(MessageId, shown.messageId);
    number(Type, shown.type);
    // The line is the text or, of a smart message, the display name: the other is read when asked for.
    put(shown.type == 1 ? DisplayName : Text, read.lineIsNull ? QVariant() : QVariant(shown.displayText));
    number(Date, shown.date);
    number(State, shown.state);
    put(FromUser, key(shown.fromUserKey));
    put(SenderUser, key(shown.senderUserKey));
    return context->objectFromStoredValues(entity, read.key, std::move(values), loaded);
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
