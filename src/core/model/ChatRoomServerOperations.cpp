#include "core/model/ChatRoom.h"

#include "core/api/PLAppConfigurations.h"
#include "core/api/PLDeleteGeneralAPIService.h"
#include "core/api/RoomAPIServices.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/Message.h"
#include "core/model/OwnedService.h"
#include "core/model/PLModelManager.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/SafeReaders.h"
#include "foundation/StringAdditions.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"

#include <QJsonDocument>
#include <QPointer>
#include <QSet>

namespace pelnix {

using K = platform::PredicateKey;

namespace {

// Holds the event queue suspended while alive. A request's completion owns one, so the queue is
// resumed exactly once: when the completion has applied the reply, or when the completion is
// dropped without running (a cancelled request).
class QueueSuspension {
public:
    QueueSuspension() : m_manager(PLModelManager::sharedModelManager()) {
        Q_ASSERT(platform::isMainThread());
        m_manager->suspendDataProcessingQueue();
    }
    ~QueueSuspension() {
        if (m_manager)
            m_manager->resumeDataProcessingQueue();
    }
    QueueSuspension(const QueueSuspension&) = delete;
    QueueSuspension& operator=(const QueueSuspension&) = delete;

private:
    QPointer<PLModelManager> m_manager;
};

// Applies a reply on the main thread with the event queue held. The queue is suspended at once,
// and an event it is applying at this moment, in its own context, ends first: the two would
// otherwise look up the same rows (a membership) at the same time, neither seeing the other's
// unsaved row, and both add one. `apply` gets the hold and gives it up once its changes are saved,
// so the next event finds them. The main thread never waits: `apply` runs later instead.
void applyWithQueueHeld(std::function<void(std::unique_ptr<QueueSuspension> held)> apply) {
    auto held = std::make_shared<std::unique_ptr<QueueSuspension>>(std::make_unique<QueueSuspension>());
    PLModelManager::sharedModelManager()->dataProcessingQueue()->afterRunningBlock(
        [held, apply = std::move(apply)] { apply(std::move(*held)); });
}

// How a reply counts as success; each kind of call reads its replies one of these ways.
enum class ReplyTest {
    Plain,          // no "error"
    List,           // an array
    Delete,         // "successful" not 0, or a refusal with "statusCode" 404 (already gone)
    Array,          // an array (invitations)
    SuccessfulFlag, // "successful" not 0
    Dictionary,     // a dictionary without "error"
    Invitees,       // not a refusal; a body that is no JSON is an empty success
    Messages,       // a non-empty array
};

struct Reply {
    bool success = false;
    QVariant body;
    QString message; // the refusal's "reason"
};

Reply readReply(ReplyTest test, const QByteArray& data, const PLOptionalError& error) {
    Reply reply;
    if (error || data.isEmpty())
        return reply;
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        reply.success = test == ReplyTest::Invitees;
        return reply;
    }
    reply.body = document.toVariant();
    const QVariantMap map = document.isObject() ? reply.body.toMap() : QVariantMap();
    const bool refused = map.contains(QStringLiteral("error"));
    if (refused && test != ReplyTest::SuccessfulFlag && test != ReplyTest::Messages)
        reply.message = SafeKVC::stringForKey(map, QStringLiteral("reason"));
    const bool successful = SafeKVC::intForKey(map, QStringLiteral("successful")) != 0;
    switch (test) {
    case ReplyTest::Plain:
        reply.success = !refused;
        break;
    case ReplyTest::List:
    case ReplyTest::Array:
        reply.success = document.isArray();
        break;
    case ReplyTest::Delete:
        reply.success = refused ? SafeKVC::intForKey(map, QStringLiteral("statusCode")) == 404 : successful;
        break;
    case ReplyTest::SuccessfulFlag:
        reply.success = successful;
        break;
    case ReplyTest::Dictionary:
        reply.success = document.isObject() && !refused;
        break;
    case ReplyTest::Invitees:
        reply.success = !refused;
        break;
    case ReplyTest::Messages:
        reply.success = document.isArray() && !document.array().isEmpty();
        break;
    }
    return reply;
}

using ReplyHandler = std::function<void(const Reply& reply, const PLOptionalError& error)>;

// Starts a request that deletes itself when done. With `suspendWhileInFlight` the event queue is
// suspended once the request has started and resumed after `handler` has run.
bool startRequest(PLAPIService* service, ReplyTest test, bool suspendWhileInFlight, ReplyHandler handler,
                  PLProgressHandler progress = {}) {
    auto suspension = std::make_shared<std::unique_ptr<QueueSuspension>>();
    const bool started = OwnedService::start(
        service,
        [suspension, test, handler = std::move(handler)](const QByteArray& data,
                                                         const PLOptionalError& error) {
            handler(readReply(test, data, error), error);
            suspension->reset();
        },
        std::move(progress));
    if (started && suspendWhileInFlight)
        *suspension = std::make_unique<QueueSuspension>();
    return started;
}

void postRoomNotification(const char* name, const QString& roomId) {
    if (roomId.isEmpty())
        return;
    platform::NotificationCenter::defaultCenter()->postQueued(QLatin1String(name), {},
                                                              {{QLatin1String(kChatRoomIDKey), roomId}});
}

QString roomsURL() {
    return RoomModelServices::shared().roomsURL();
}

// Sorts the people to invite into e-mail addresses and phone numbers.
void sortContacts(const QList<PLRoomContact>& contacts, bool takeTexts, QStringList* emails,
                  QStringList* phones) {
    for (const auto& contact : contacts) {
        if (const auto* entry = std::get_if<PLAddressBookContact>(&contact)) {
            if (!entry->phone.isNull())
                *phones << entry->phone;
            else
                *emails << entry->email;
        } else if (const auto* user = std::get_if<std::shared_ptr<User>>(&contact)) {
            if (*user)
                *emails << ((*user)->email().isNull() ? QString(QLatin1String("")) : (*user)->email());
        } else if (const auto* text = std::get_if<QString>(&contact); text && takeTexts) {
            (StringAdditions::isValidEmailAddress(*text) ? *emails : *phones) << *text;
        }
    }
}

// Imports a one-room reply; the room, or null when it carried none.
ChatRoom::Ptr importRoom(const QVariant& body) {
    const auto rooms = ChatRoom::updateChatRoomsWithArray(QVariantList{body});
    return rooms.isEmpty() ? nullptr : rooms.first();
}

void call(const PLResultHandler& completion, bool success, const PLOptionalError& error,
          const QString& message) {
    if (completion)
        completion(success, error, message);
}

} // namespace

bool ChatRoom::getPrivateRoomsWithCompletionHandler(PLResultHandler completion,
                                                    PLFetchProgressHandler progress) {
    Q_ASSERT(platform::isMainThread());
    const auto account = CurrentUserInfo::currentUserInfo();
    if (!account || account->roomsFetched())
        return false;
    auto* service = new PLGeneralAPIService;
    auto* config = PLAppConfigurations::currentConfiguration();
    service->setCustomURL(config ? config->roomsLiteURL() : QString());
    // A list reply that is not a list must not count as an empty list: that would mark every room
    // as gone.
    return startRequest(
        service, ReplyTest::List, false,
        [completion](const Reply& reply, const PLOptionalError& error) {
            if (reply.success) {
                const List before = allChatRooms();
                List imported;
                {
                    QueueSuspension suspension;
                    imported = updateChatRoomsWithArray(reply.body);
                }
                QSet<QString> importedIds;
                for (const auto& room : imported)
                    importedIds.insert(room->roomId());
                const qint32 me = RoomModelServices::shared().currentUserID();
                for (const auto& room : before) {
                    if (importedIds.contains(room->roomId()) || room->isOneToOne())
                        continue;
                    room->setStatus(2);
                    const auto admin = room->adminMember();
                    if (admin && admin->user() && admin->user()->userID() == me)
                        admin->setIsCreator(false);
                    room->save();
                }
                if (before.isEmpty()) {
                    for (const auto& room : imported) {
                        const auto messages = room->messages();
                        if (!messages.isEmpty()) {
                            messages.first()->setState(1);
                            room->save();
                        }
                    }
                }
                if (const auto account = CurrentUserInfo::currentUserInfo()) {
                    account->setRoomsFetched(true);
                    account->save();
                }
                platform::NotificationCenter::defaultCenter()->post(
                    QLatin1String(PLChatRoomsFetchedNotification));
            }
            call(completion, reply.success, error, reply.message);
        },
        std::move(progress));
}

bool ChatRoom::getPrivateRoomWithURL(const QString& roomURL, PLResultHandler completion,
                                     bool updateInSecondaryQueue, bool callSynchronously) {
    const auto apply = [updateInSecondaryQueue, completion](const Reply& reply,
                                                            const PLOptionalError& error) {
        if (reply.success && updateInSecondaryQueue) {
            const QVariant body = reply.body;
            RoomModelServices::shared().addToDataProcessingQueue([body] {
                if (const auto room = importRoom(body))
                    postRoomNotification(ChatRoomUpdatedNotification, room->roomId());
            });
        } else if (reply.success) {
            if (const auto room = importRoom(reply.body))
                postRoomNotification(NewChatRoomAddedNotification, room->roomId());
        }
        call(completion, reply.success, error, reply.message);
    };
    if (callSynchronously) {
        PLGetPrivateRoomAPIService service;
        service.setRoomURL(roomURL);
        return service.startSynchrousServiceWithCompletionHandler(
            [&apply](const QByteArray& data, const PLOptionalError& error) {
                apply(readReply(ReplyTest::Plain, data, error), error);
            });
    }
    auto* service = new PLGetPrivateRoomAPIService;
    service->setRoomURL(roomURL);
    return startRequest(service, ReplyTest::Plain, !updateInSecondaryQueue, apply);
}

bool ChatRoom::createRoomWithName(const QString& name, const QString& welcomeMessage,
                                  const QList<PLRoomContact>& contacts, const QString& thumbImageURL,
                                  const QString& bigImageURL, bool isAdminOnly, bool hideMemberProfile,
                                  PLRoomResultHandler completion) {
    if (contacts.isEmpty())
        return false;
    QStringList emails, phones;
    sortContacts(contacts, true, &emails, &phones);
    auto* service = new PLCreateNewRoomAPIService;
    service->setRoomName(name);
    service->setWelcomeMessage(welcomeMessage);
    service->setThumbImageURL(thumbImageURL);
    service->setBigImageURL(bigImageURL);
    service->setAdminOnly(isAdminOnly);
    service->setHideMemberProfile(hideMemberProfile);
    service->setEmails(emails);
    service->setPhones(phones);
    return startRequest(service, ReplyTest::Plain, true,
                        [completion](const Reply& reply, const PLOptionalError& error) {
                            Ptr room = reply.success ? importRoom(reply.body) : nullptr;
                            if (room)
                                postRoomNotification(NewChatRoomAddedNotification, room->roomId());
                            if (completion)
                                completion(reply.success, error, reply.message, room);
                        });
}

bool ChatRoom::pendingMembersForRoom(const QString& roomId, PLListResultHandler completion) {
    auto* service = new PLGeneralAPIService;
    service->setCustomURL(
        appendingPathComponent(appendingPathComponent(roomsURL(), roomId), QStringLiteral("invitees")));
    return startRequest(service, ReplyTest::Invitees, false,
                        [completion](const Reply& reply, const PLOptionalError& error) {
                            if (completion)
                                completion(reply.success, error, reply.message, reply.body.toList());
                        });
}

bool ChatRoom::removePendingMemberForRoom(const QString& roomId, const QString& inviteeID,
                                          PLResultHandler completion) {
    auto* service = new PLDeleteGeneralAPIService;
    service->setCustomURL(appendingPathComponent(
        appendingPathComponent(appendingPathComponent(roomsURL(), roomId), QStringLiteral("invitees")),
        inviteeID));
    return startRequest(service, ReplyTest::Delete, false,
                        [completion](const Reply& reply, const PLOptionalError& error) {
                            call(completion, reply.success, error, reply.message);
                        });
}

bool ChatRoom::memberDetailsForRoomID(const QString& roomId, qint32 memberID,
                                      PLDetailsResultHandler completion) {
    auto* service = new PLGeneralAPIService;
    service->setCustomURL(appendingPathComponent(
        appendingPathComponent(appendingPathComponent(roomsURL(), roomId), QStringLiteral("members")),
        QString::number(memberID)));
    return startRequest(service, ReplyTest::Dictionary, false,
                        [completion](const Reply& reply, const PLOptionalError& error) {
                            if (completion)
                                completion(reply.success, error, reply.message, reply.body.toMap());
                        });
}

bool ChatRoom::addContacts(const QList<PLRoomContact>& contacts, PLResultHandler completion) {
    if (contacts.isEmpty())
        return false;
    QStringList emails, phones;
    sortContacts(contacts, false, &emails, &phones);
    auto* service = new PLInviteMembersToRoomAPIService;
    service->setCustomURL(membersURL());
    service->setEmails(emails);
    service->setPhones(phones);
    auto room = std::static_pointer_cast<ChatRoom>(shared_from_this());
    return startRequest(
        service, ReplyTest::Array, false,
        [room, completion](const Reply& reply, const PLOptionalError& error) {
            if (!reply.success) {
                call(completion, false, error, reply.message);
                return;
            }
            // The stream's "joined" for the same people may be under way: one membership each.
            applyWithQueueHeld([room, completion, reply, error](std::unique_ptr<QueueSuspension> held) {
                // A store closed meanwhile (the session ended) leaves nothing to add to.
                const QVariantList members = room->isInert() ? QVariantList() : reply.body.toList();
                for (const QVariant& element : members) {
                    const QVariantMap member = element.toMap();
                    auto row = RoomMember::findOrCreate(
                        room, ModelJSON::idText(member.value(QStringLiteral("userId"))));
                    // Counted even for someone already a member; the server's own count replaces it
                    // at the next refresh.
                    room->changeTotalMembers(1);
                    row->updateWithDictionary(member);
                }
                // Saved before the queue goes on, so the next event finds these rows.
                room->save();
                held.reset();
                call(completion, true, error, reply.message);
            });
        });
}

bool ChatRoom::removeMember(const std::shared_ptr<RoomMember>& member, PLResultHandler completion) {
    if (!member || !members().contains(member))
        return false;
    auto* service = new PLDeleteGeneralAPIService;
    service->setCustomURL(member->memberURL());
    auto room = std::static_pointer_cast<ChatRoom>(shared_from_this());
    return startRequest(service, ReplyTest::Delete, false,
                        [room, member, completion](const Reply& reply, const PLOptionalError& error) {
                            if (reply.success) {
                                QueueSuspension suspension;
                                room->removeMember(member);
                            }
                            call(completion, reply.success, error, reply.message);
                        });
}

void ChatRoom::removeMember(const std::shared_ptr<RoomMember>& member) {
    if (!member)
        return;
    removeMembersObject(member);
    changeTotalMembers(-1);
    member->PS_deleteEntity();
    save();
}

bool ChatRoom::changeAdmin(const std::shared_ptr<RoomMember>& member, PLResultHandler completion) {
    auto* service = new PLChangeRoomAdminAPIService;
    service->setRoomID(roomId());
    service->setMemberID(member && member->user() ? member->user()->userID() : 0);
    auto room = std::static_pointer_cast<ChatRoom>(shared_from_this());
    return startRequest(service, ReplyTest::SuccessfulFlag, false,
                        [room, member, completion](const Reply& reply, const PLOptionalError& error) {
                            if (reply.success && member) {
                                {
                                    QueueSuspension suspension;
                                    for (const auto& other : room->members())
                                        other->setIsCreator(false);
                                    member->setIsCreator(true);
                                }
                                room->save();
                                if (const auto memberRoom = member->room())
                                    postRoomNotification(ChatRoomUpdatedNotification, memberRoom->roomId());
                            }
                            call(completion, reply.success, error, QString());
                        });
}

bool ChatRoom::refreshRoomInfoWithCompletionHandler(PLResultHandler completion) {
    auto* service = new PLGeneralAPIService;
    service->setCustomURL(roomURL());
    auto room = std::static_pointer_cast<ChatRoom>(shared_from_this());
    return startRequest(service, ReplyTest::Plain, false,
                        [room, completion](const Reply& reply, const PLOptionalError& error) {
                            if (!reply.success) {
                                call(completion, false, error, reply.message);
                                return;
                            }
                            // Its members may be the ones an event is adding right now.
                            applyWithQueueHeld(
                                [room, completion, reply, error](std::unique_ptr<QueueSuspension> held) {
                                    if (!room->isInert())
                                        room->updateWithDictionary(reply.body.toMap(), true); // saves
                                    held.reset();
                                    call(completion, true, error, reply.message);
                                });
                        });
}

bool ChatRoom::updateRoomWithName(const QString& name, const QString& thumbImageURL,
                                  const QString& bigImageURL, bool isAdminOnly, bool hideMemberProfile,
                                  PLRoomResultHandler completion) {
    auto* service = new PLUpdateRoomInfoAPIService;
    service->setRoomID(roomId());
    service->setRoomName(name);
    service->setThumbImageURL(thumbImageURL);
    service->setBigImageURL(bigImageURL);
    service->setAdminOnly(isAdminOnly);
    service->setHideMemberProfile(hideMemberProfile);
    auto room = std::static_pointer_cast<ChatRoom>(shared_from_this());
    return startRequest(service, ReplyTest::Plain, true,
                        [room, completion](const Reply& reply, const PLOptionalError& error) {
                            if (reply.success)
                                room->updateWithDictionary(reply.body.toMap(), true);
                            if (completion)
                                completion(reply.success, error, reply.message, nullptr);
                        });
}

bool ChatRoom::fetchLatestMessagesWithCompletionHandler(PLResultHandler completion) {
    auto* service = new PLGetPrivateRoomMessagesAPIService;
    service->setRoomMessagesURL(roomId());
    service->setIsAfterTimeLine(true);
    service->setTimeLine(activityDate());
    service->setMessagesPerPage(0);
    service->setIsAscending(true);
    auto room = std::static_pointer_cast<ChatRoom>(shared_from_this());
    return startRequest(service, ReplyTest::Messages, true,
                        [room, completion](const Reply& reply, const PLOptionalError& error) {
                            bool imported = false;
                            if (reply.success)
                                for (const QVariant& message : reply.body.toList())
                                    imported |=
                                        bool(room->updateMessageDict(message.toMap(), false, nullptr));
                            // The caller shows the messages itself; the room's readers (the rooms
                            // list's row) hear of them only here, as the stream's copies come stale.
                            if (imported)
                                postRoomNotification(ChatRoomUpdatedNotification, room->roomId());
                            call(completion, reply.success, error, QString());
                        });
}

bool ChatRoom::postPrivateMessage(const QString& text, bool isSmartMessage, PLResultHandler completion) {
    return postPrivateMessage(text, isSmartMessage, false, nullptr, QString(), std::move(completion));
}

bool ChatRoom::postPrivateMessage(const QString& text, bool isSmartMessage,
                                  const std::shared_ptr<Message>& linkedMessage, const QString& seqId,
                                  PLResultHandler completion) {
    return postPrivateMessage(text, isSmartMessage, false, linkedMessage, seqId, std::move(completion));
}

bool ChatRoom::postPrivateMessage(const QString& text, bool isSmartMessage, bool synchronously,
                                  const std::shared_ptr<Message>& linkedMessage, const QString& seqId,
                                  PLResultHandler completion) {
    auto* manager = PLModelManager::sharedModelManager();
    const quint64 requestID = manager->requestID();
    manager->setRequestID(requestID + 1);
    auto configure = [&](PLPostPrivateMessageAPIService& service) {
        service.setCustomURL(messagesURL());
        service.setMessage(text);
        service.setSeqId(seqId);
        service.setPostMessageTextType(isSmartMessage ? 0 : 1);
        service.setReqId(QString::number(qint64(requestID)));
    };
    auto room = std::static_pointer_cast<ChatRoom>(shared_from_this());
    // The reply is this room's own message: imported before the completion, so that the outbox
    // finds its entry answered before the stream's echo of the same post is applied.
    auto apply = [room, linkedMessage, completion](const Reply& reply, const PLOptionalError& error) {
        if (reply.success)
            room->updateMessageDict(reply.body.toMap(), !linkedMessage, linkedMessage);
        call(completion, reply.success, error, reply.message);
    };
    if (synchronously) {
        PLPostPrivateMessageAPIService service;
        configure(service);
        return service.startSynchrousServiceWithCompletionHandler(
            [&apply](const QByteArray& data, const PLOptionalError& error) {
                apply(readReply(ReplyTest::Plain, data, error), error);
            });
    }
    auto* service = new PLPostPrivateMessageAPIService;
    configure(*service);
    return startRequest(service, ReplyTest::Plain, true, apply);
}

bool ChatRoom::leaveGroupWithCompletionHandler(PLResultHandler completion) {
    if (totalMembers() != 0)
        return leaveGroupAfterRefreshWithCompletionHandler(std::move(completion));
    auto room = std::static_pointer_cast<ChatRoom>(shared_from_this());
    return refreshRoomInfoWithCompletionHandler(
        [room, completion](bool success, const PLOptionalError& error, const QString& message) {
            if (success)
                room->leaveGroupAfterRefreshWithCompletionHandler(completion);
            else
                call(completion, false, error, message);
        });
}

bool ChatRoom::leaveGroupAfterRefreshWithCompletionHandler(PLResultHandler completion) {
    const qint32 me = RoomModelServices::shared().currentUserID();
    std::shared_ptr<RoomMember> own;
    for (const auto& member : members())
        if (member->user() && member->user()->userID() == me) {
            own = member;
            break;
        }
    auto room = std::static_pointer_cast<ChatRoom>(shared_from_this());
    if (!own) {
        setStatus(1);
        clearMessages(true);
        save();
        if (completion)
            platform::runOnMain([completion] { completion(true, std::nullopt, QString()); });
        return false;
    }
    return removeMember(
        own, [room, completion](bool success, const PLOptionalError& error, const QString& message) {
            if (success) {
                room->setStatus(1);
                room->clearMessages(true);
                room->save();
            }
            call(completion, success, error, message);
        });
}

bool ChatRoom::closeGroupWithCompletionHandler(PLResultHandler completion) {
    auto* service = new PLDeleteGeneralAPIService;
    service->setCustomURL(roomURL());
    auto room = std::static_pointer_cast<ChatRoom>(shared_from_this());
    return startRequest(service, ReplyTest::Delete, false,
                        [room, completion](const Reply& reply, const PLOptionalError& error) {
                            if (reply.success) {
                                room->setStatus(1);
                                room->clearMessages(false);
                                room->save();
                            }
                            call(completion, reply.success, error, reply.message);
                        });
}

void ChatRoom::clearMessages(bool keepTombstones) {
    auto room = std::static_pointer_cast<ChatRoom>(shared_from_this());
    QList<std::shared_ptr<Message>> cleared;
    for (const auto& message : allMessages()) {
        bool posting = false;
        for (const auto& entry : message->pendingMessages())
            posting = posting || entry->postingInProgress();
        if (!posting)
            cleared << message;
    }
    if (cleared.isEmpty())
        return;
    QList<std::shared_ptr<DeletedMessage>> kept;
    if (keepTombstones) {
        const auto account = CurrentUserInfo::currentUserInfo();
        const qint64 threshold = (account ? account->privateEventTime() : 0) - 30000;
        for (auto it = cleared.crbegin(); it != cleared.crend(); ++it) {
            const auto& message = *it;
            const qint64 time = message->actualDate() != 0 ? message->actualDate() : message->date();
            if (time < threshold)
                break;
            auto tombstone = DeletedMessage::PS_findFirstWithPredicate(
                K(QStringLiteral("room")) == room && K(QStringLiteral("messageId")) == message->messageId());
            if (!tombstone) {
                tombstone = DeletedMessage::PS_createEntity();
                tombstone->setMessageId(message->messageId());
                tombstone->setFormId(message->formId());
                addDeletedMessagesObject(tombstone);
            }
            tombstone->setDate(time);
            kept << tombstone;
        }
    }
    for (const auto& tombstone : deletedMessages()) {
        if (kept.contains(tombstone))
            continue;
        removeDeletedMessagesObject(tombstone);
        tombstone->PS_deleteEntity();
    }
    for (const auto& message : messages())
        removeMessagesObject(message);
    // Messages still being posted are only detached: their outbox entry still needs them. Each
    // detached message takes its unread updates out of the room's count.
    for (const auto& message : cleared)
        Message::removeMessage(message);
    setLatestMessageId(QString());
    save();
}

void ChatRoom::updateWithEventsDict(const QVariantMap& event) {
    const QString type = SafeKVC::stringForKey(event, QStringLiteral("type"));
    qint32 actor = 0;
    if (type == QLatin1String("left") || type == QLatin1String("roomDeleted"))
        actor = SafeKVC::intForKeyPath(event, QStringLiteral("replacements.target"));
    else if (type == QLatin1String("kicked"))
        actor = SafeKVC::intForKey(event, QStringLiteral("sender"));
    // The signed-in user's own leaving was applied when the request was answered.
    if (actor == RoomModelServices::shared().currentUserID())
        return;
    updateRoomWithMessageDict(event);
}

} // namespace pelnix
