#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/FormJSON.h"
#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/RoomModelServices.h"
#include "core/model/User.h"
#include "foundation/SafeReaders.h"
#include "foundation/StringAdditions.h"
#include "foundation/StringTinyURLValidation.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QSet>
#include <algorithm>
#include <limits>

namespace pelnix {

using SafeKVC::doubleForKey;
using SafeKVC::intForKey;
using SafeKVC::stringForKey;
using K = platform::PredicateKey;

namespace {

// Percent escapes removed; a null string when they are malformed.
QString percentDecoded(const QString& text) {
    static const QRegularExpression malformed(QStringLiteral("%(?![0-9A-Fa-f]{2})"));
    if (text.contains(malformed))
        return {};
    return StringAdditions::URLDecodedString(text);
}

// A server count in the stored 16-bit field: past its range it stays at the nearest end instead
// of wrapping.
qint16 clampedCount(int count) {
    return qint16(
        std::clamp<int>(count, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()));
}

} // namespace

void ChatRoom::updateWithDictionary(const QVariantMap& dictionary, bool ignoreLastMessage) {
    if (dictionary.isEmpty())
        return;
    setRoomId(ModelJSON::idText(dictionary.value(QStringLiteral("_id"))));
    setCreateDate(qint64(doubleForKey(dictionary, QStringLiteral("createDate"))));
    if (activityDate() == 0)
        setActivityDate(createDate());
    setName(stringForKey(dictionary, QStringLiteral("name")));
    setType(stringForKey(dictionary, QStringLiteral("type")));
    setImageUrl(percentDecoded(stringForKey(dictionary, QStringLiteral("imgUrl"))));
    QString big = percentDecoded(stringForKey(dictionary, QStringLiteral("bigImgUrl")));
    setBigRoomImageUrl(TinyURLValidation::isValidTinyURL(big) ? big : imageUrl());
    setTotalMessages(clampedCount(intForKey(dictionary, QStringLiteral("totalMessages"))));
    setTotalMembers(clampedCount(intForKey(dictionary, QStringLiteral("totalMembers"))));
    setAdminOnly(intForKey(dictionary, QStringLiteral("adminOnly")) != 0);
    setHideMemberProfile(intForKey(dictionary, QStringLiteral("hideMemberProfile")) != 0);

    updateMembersWithArray(SafeKVC::arrayForKey(dictionary, QStringLiteral("members")));

    if (!ignoreLastMessage) {
        QVariantMap last = SafeKVC::valueForKey(dictionary, QStringLiteral("mostRecentMessage"),
                                                SafeKVC::ValueClass::Dictionary)
                               .toMap();
        if (!last.isEmpty())
            updateMessageDict(last, false, {});
    }
    save();
}

// A team room has thousands of members: its users and memberships are read once for the whole list
// and matched here, since a fetch per member would scan every member and user inserted before it.
void ChatRoom::updateMembersWithArray(const QVariantList& array) {
    auto self = std::static_pointer_cast<ChatRoom>(shared_from_this());
    QList<QVariantMap> entries;
    QVariantList ids;
    for (const QVariant& element : array) {
        entries << element.toMap();
        if (const qint32 id = SafeKVC::intValueOf(entries.last().value(QStringLiteral("userId"))); id != 0)
            ids << id;
    }
    QHash<qint32, User::Ptr> users;
    if (!ids.isEmpty())
        for (const auto& user : User::PS_findAllWithPredicate(K(QStringLiteral("userID")).in(ids)))
            if (!users.contains(user->userID()))
                users.insert(user->userID(), user);
    QHash<qint64, RoomMember::Ptr> memberOf; // by the user's key
    const auto current = members();
    for (const auto& member : current)
        if (const auto user = member->user())
            memberOf.insert(user->primaryKey(), member);
    QSet<const RoomMember*> met;
    for (const QVariantMap& json : std::as_const(entries)) {
        const QVariant userId = json.value(QStringLiteral("userId"));
        const qint32 id = SafeKVC::intValueOf(userId);
        RoomMember::Ptr member;
        if (id == 0) {
            member = RoomMember::findOrCreate(self, userId); // no ID to match by: the lookup decides
        } else {
            User::Ptr& user = users[id];
            if (!user) {
                user = User::PS_createEntity();
                user->setUserID(id);
            }
            member = memberOf.value(user->primaryKey());
            if (!member) {
                member = RoomMember::PS_createEntity();
                member->setUser(user);
                addMembersObject(member);
                memberOf.insert(user->primaryKey(), member);
            }
        }
        if (!member)
            continue;
        member->updateWithDictionary(json);
        met.insert(member.get());
    }
    for (const auto& member : current) {
        if (met.contains(member.get()))
            continue;
        removeMembersObject(member);
        member->PS_deleteEntity();
    }
}

ChatRoom::List ChatRoom::updateChatRoomsWithArray(const QVariant& rooms) {
    List touched;
    // Only a list is a room list: a reply object without "error" carries no rooms.
    if (rooms.typeId() != QMetaType::QVariantList) {
        qCDebug(lcRoomModel) << "room list reply is not a list:" << rooms.typeName();
        return touched;
    }
    for (const QVariant& element : rooms.toList()) {
        QVariantMap json = element.toMap();
        if (stringForKey(json, QStringLiteral("type")) == QLatin1String("e"))
            continue;
        QString roomId = ModelJSON::idText(json.value(QStringLiteral("_id")));
        if (roomId.isEmpty())
            continue;
        auto room = chatRoomWithID(roomId);
        if (room)
            room->refreshObject();
        else
            room = PS_createEntity();
        if (!room)
            return touched; // no store open: nothing can be imported
        room->updateWithDictionary(json, false);
        touched << room;
    }
    return touched;
}

ChatRoom::Ptr ChatRoom::updateRoomWithMessageDict(const QVariantMap& event) {
    QString roomId = ModelJSON::idText(event.value(QStringLiteral("roomId")));
    if (roomId.isEmpty()) {
        qCDebug(lcRoomModel) << "room event without a room ignored";
        return {};
    }
    QString notification = QLatin1String(ChatRoomUpdatedNotification);
    // The fetch gives the stored room: it merges what other threads saved before it reads, so a
    // refresh would read the same row again.
    auto room = chatRoomWithID(roomId);
    if (!room) {
        room = PS_createEntity();
        room->setRoomId(roomId);
        notification = QLatin1String(NewChatRoomAddedNotification);
        qCDebug(lcRoomModel) << "event for a new room" << roomId;
        RoomModelServices::shared().fetchRoomOnEventQueue(room->roomURL(), false);
    }
    if (!room->updateMessageDict(event, true, {})) {
        room->save(); // a room row created for the event stays
        return {};
    }
    platform::runOnMain([notification, roomId] {
        platform::NotificationCenter::defaultCenter()->post(notification, {},
                                                            {{QLatin1String(kChatRoomIDKey), roomId}});
    });
    return room;
}

bool ChatRoom::deletedMessagesContainsMessageID(const QString& messageId) const {
    return DeletedMessage::PS_countOfEntitiesWithPredicate(K(QStringLiteral("room")) == selfPtr() &&
                                                           K(QStringLiteral("messageId")) == messageId) > 0;
}

bool ChatRoom::deletedMessagesContainsFromID(const QString& formId, qint64 date) const {
    auto self = selfPtr();
    return DeletedMessage::PS_countOfEntitiesWithPredicate(K(QStringLiteral("room")) == self &&
                                                           K(QStringLiteral("formId")) == formId &&
                                                           K(QStringLiteral("date")) >= date) > 0;
}

} // namespace pelnix
