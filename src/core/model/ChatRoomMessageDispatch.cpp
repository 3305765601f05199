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
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

namespace pelnix {

using SafeKVC::intForKeyPath;
using SafeKVC::stringForKey;

namespace {

// What a system event does to the room beside storing its message.
struct EventEffect {
    qint16 status = 0;
    QString roomNotification;
    bool updateSender = false;
    QString bulkJoinedUserNames;
};

} // namespace

std::shared_ptr<Message> ChatRoom::updateMessageDict(const QVariantMap& messageDict, bool postNotifications,
                                                     const std::shared_ptr<Message>& linkedMessage) {
    // A store closed under the event queue (the session ending) leaves nothing to update.
    if (isInert())
        return {};
    auto& services = RoomModelServices::shared();
    auto self = std::static_pointer_cast<ChatRoom>(shared_from_this());
    const QString type = ModelJSON::idText(messageDict.value(QStringLiteral("type")));
    const qint64 date = qint64(SafeKVC::doubleForKey(messageDict, QStringLiteral("date")));
    const auto textJSON = ModelJSON::textJSON(stringForKey(messageDict, QStringLiteral("text")));
    const qint32 me = services.currentUserID();

    std::shared_ptr<Message> target;
    QString seqIdToComplete;
    bool compareDate = true;
    if (linkedMessage) {
        target = linkedMessage;
        compareDate = false;
    } else {
        bool mine = me != 0 && intForKeyPath(messageDict, QStringLiteral("senderObj.userId")) == me;
        if (type == QLatin1String("smartmessage")) {
            if (!textJSON)
                return {};
            QString formId = ModelJSON::idText(textJSON->value(QStringLiteral("formid")));
            if (formId.isEmpty() || deletedMessagesContainsFromID(formId, date))
                return {};
            target = Message::messageWithFormID(formId);
            mine = me != 0 && SafeKVC::intForKey(*textJSON, QStringLiteral("currentsender")) == me;
        } else {
            QString messageId = ModelJSON::idText(messageDict.value(QStringLiteral("_id")));
            if (messageId.isEmpty() || deletedMessagesContainsMessageID(messageId))
                return {};
            target = Message::messageWithID(messageId);
        }
        // A repeated or older copy of what is stored changes nothing. The own message keeps the
        // date it was shown with, so the server date last received is compared as well.
        if (target && (date <= target->date() || date <= target->actualDate())) {
            qCDebug(lcRoomModel) << "stale message ignored" << target->messageId();
            return {};
        }
        QString seqId = ModelJSON::idText(messageDict.value(QStringLiteral("seqId")));
        if (mine && !seqId.isEmpty()) {
            auto entry = PendingMessageInfo::PS_findFirstByAttribute(QStringLiteral("seqId"), seqId);
            // An entry still posting gets its own answer; only one whose answer was lost (6) or
            // that gave up (4) is completed by the echo.
            if (entry && (entry->state() == 6 || entry->state() == 4))
                seqIdToComplete = seqId;
            if (!target && entry)
                target = entry->message();
        }
    }

    EventEffect effect;
    const QVariantMap replacements = messageDict.value(QStringLiteral("replacements")).toMap();
    if (type == QLatin1String("kicked")) {
        if (me != 0 && SafeKVC::intForKey(replacements, QStringLiteral("target")) == me) {
            effect.status = 2;
            effect.roomNotification = QLatin1String(ChatRoomKickedNotification);
        }
    } else if (type == QLatin1String("left")) {
        if (auto user = services.userWithID(replacements.value(QStringLiteral("target")))) {
            if (auto member = RoomMember::roomMemberWithRoom(self, user)) {
                removeMembersObject(member);
                member->PS_deleteEntity();
            }
        }
    } else if (type == QLatin1String("joined")) {
        // A room the user had been removed from comes back whole before its event is stored.
        if (status() == 2)
            services.fetchRoomOnEventQueue(roomURL(), true);
        QVariantList users =
            SafeKVC::valueForKeyPath(messageDict, QStringLiteral("info.users"), SafeKVC::ValueClass::Array)
                .toList();
        if (!messageDict.value(QStringLiteral("info")).toMap().contains(QStringLiteral("users"))) {
            auto member = RoomMember::findOrCreate(self, replacements.value(QStringLiteral("target")));
            member->setIsCreator(false);
            member->update();
        } else {
            QStringList names;
            for (const QVariant& element : users) {
                QVariantMap json = element.toMap();
                auto member = RoomMember::findOrCreate(self, json.value(QStringLiteral("userId")));
                auto user = member->user();
                user->updateWithDictionary(json);
                if (users.size() >= 3 && !user->profileName().isEmpty())
                    names << user->profileName();
            }
            effect.bulkJoinedUserNames = names.join(QStringLiteral(", "));
        }
    } else if (type == QLatin1String("roomNameUpdate")) {
        setName(SafeKVC::stringForKey(replacements, QStringLiteral("newName")));
        effect.updateSender = true;
    } else if (type == QLatin1String("roomAdminOnlyUpdate")) {
        setAdminOnly(SafeKVC::intForKey(replacements, QStringLiteral("adminOnly")) != 0);
        effect.updateSender = true;
    } else if (type == QLatin1String("adminchanged")) {
        qint32 admin = SafeKVC::intForKey(replacements, QStringLiteral("target"));
        for (const auto& member : members()) {
            auto user = member->user();
            member->setIsCreator(user && user->userID() == admin);
        }
    } else if (type == QLatin1String("roomImgUpdate")) {
        setImageUrl(SafeKVC::stringForKey(replacements, QStringLiteral("imgUrl")));
        setBigRoomImageUrl(QString());
        effect.updateSender = true;
    } else if (type == QLatin1String("roomDeleted")) {
        effect.status = 3;
        effect.roomNotification = QLatin1String(ChatRoomClosedNotification);
    }
    setStatus(effect.status);

    QString messageNotification;
    if (!target) {
        target = Message::PS_createEntity();
        if (!target)
            return {};
        addMessagesObject(target);
        messageNotification = QLatin1String(ChatRoomMessageAddedNotification);
    } else {
        target->refreshObject();
        messageNotification = QLatin1String(ChatRoomMessageUpdatedNotification);
    }

    bool changed = target->updateWithDictionary(messageDict, textJSON, effect.updateSender, compareDate);
    if (!effect.bulkJoinedUserNames.isEmpty())
        target->setBulkJoinedUserNames(effect.bulkJoinedUserNames);
    updateLatestMessage(target);
    save();

    bool isActive = !roomId().isEmpty() && roomId() == services.activeRoomID();
    if (isActive && postNotifications) {
        QString messageId = target->messageId();
        QString roomId = this->roomId();
        QString roomNotification = effect.roomNotification;
        platform::runOnMain([=] {
            auto* center = platform::NotificationCenter::defaultCenter();
            if (!messageId.isEmpty() && changed)
                center->post(messageNotification, {}, {{QLatin1String(kMessageIDKey), messageId}});
            if (!roomNotification.isEmpty())
                center->post(roomNotification, {}, {{QLatin1String(kChatRoomIDKey), roomId}});
        });
    }
    // The echo completes a post whose answer was lost in whichever room it was posted, or the
    // entry would go back to waiting and the message be sent a second time. Only the chat
    // window's notifications stay limited to the active room.
    if (!seqIdToComplete.isEmpty()) {
        auto complete = services.markAsCompletedMessageInfoWithSeqId;
        platform::runOnMain([complete, seqIdToComplete] { complete(seqIdToComplete); });
    }
    return target;
}

} // namespace pelnix
