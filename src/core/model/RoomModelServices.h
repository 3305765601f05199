#pragma once

#include "platform/PLError.h"

#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

namespace pelnix {

Q_DECLARE_LOGGING_CATEGORY(lcRoomModel)

class ChatRoom;
class Message;
class User;

// (success, error, message) of a server operation.
using PLResultHandler =
    std::function<void(bool success, const PLOptionalError& error, const QString& message)>;

// What the room and message model needs from the account, the model manager, the outbox, the room
// server operations and the smart-message renderer. Each has a default good enough to run the model
// alone; the owners replace them when they start. Set them on the main thread before the event
// queue runs; they are read on both threads.
struct RoomModelServices {
    // The signed-in user's ID (0 when none). Default: the account row's user.
    std::function<qint32()> currentUserID;
    // The room open in the chat window ("" when none).
    std::function<QString()> activeRoomID;
    // The user with that ID in the calling thread's context; a value whose integer is 0 is looked
    // up as -1. Default: a plain lookup by `userID`.
    std::function<std::shared_ptr<User>(const QVariant& id)> userWithID;
    // Fetches a room from its URL and imports it on the event queue; `synchronously` blocks the
    // caller (the event queue) until the room is imported. Default: nothing.
    std::function<void(const QString& roomURL, bool synchronously)> fetchRoomOnEventQueue;
    // Fetches a room from its URL, imports it and calls the handler on the main thread; false when
    // no request started. Default: false.
    std::function<bool(const QString& roomURL, PLResultHandler completion)> fetchRoom;
    // Completes the outbox entry with this sequence ID (called on the main thread). Default: nothing.
    std::function<void(const QString& seqId)> markAsCompletedMessageInfoWithSeqId;
    // Posts a text to a room; false when no request started. Default: false.
    std::function<bool(const std::shared_ptr<ChatRoom>& room, const QString& text, bool isSmartMessage,
                       PLResultHandler completion)>
        postPrivateMessage;
    // Renders a smart message's HTML again. Default: nothing.
    std::function<void(const std::shared_ptr<Message>& message)> renderSmartMessage;
    // Runs a block on the model manager's event-processing queue. Default: at once.
    std::function<void(std::function<void()> block)> addToDataProcessingQueue;
    // True on the thread of that queue, which keeps the rooms' stored unread counts. Default: true
    // (the model on one thread).
    std::function<bool()> isDataProcessingThread;
    // The page size of the chat window. Default: the configuration's `numberOfMessagesLoadedOnce`.
    std::function<quint64()> numberOfMessagesLoadedOnce;
    // The rooms URL of the configuration.
    std::function<QString()> roomsURL;

    static RoomModelServices& shared();
    // Back to the defaults (tests).
    static void reset();
};

// The host's group filter: the room IDs to include (or exclude) in the room list. Read on both
// threads, so it is kept under a lock.
class PelnixGroupFilter {
public:
    static void setChatRoomsToFilter(const QStringList& roomIds, bool isExcluding);
    static QStringList chatRoomsToFilter();
    static bool isExcluding();
};

// Readings of server JSON shared by the room, member and message imports.
namespace ModelJSON {
// A value that names something ("_id", "formid", user IDs): text, or a number as an integer.
QString idText(const QVariant& value);
// The message "text" parsed as a JSON object; nullopt when it is not one.
std::optional<QVariantMap> textJSON(const QString& text);
// The user with that ID, or a new row carrying the ID, so that a person seen without details is
// stored once rather than once per mention.
std::shared_ptr<User> userOrNewUser(const QVariant& id);
} // namespace ModelJSON

} // namespace pelnix
