// The rooms' stored unread counts (`tempUnreadMessageCount`, -1: to be counted again).
//
// A count is a sum that two threads change: the event queue as events arrive, the main thread as
// messages are read, posted or cleared. Each context saves the values it holds, so a count changed
// on both threads at once would keep one thread's change only. The count therefore moves on the
// event queue's thread alone, in the same save as the change of its messages. Any other thread
// marks it -1 in its own save, and once that save is committed the event queue counts the room
// again and stores the result; a recount on the event queue follows every such save, so the last
// one always sees the last change. Readers never store: while a count reads -1 they count.

#include "core/model/ChatRoom.h"
#include "core/model/Message.h"
#include "core/model/RoomModelServices.h"

#include "platform/store/ObjectContext.h"

#include <QGlobalStatic>
#include <QMutex>
#include <QSet>

namespace pelnix {

using K = platform::PredicateKey;

namespace {

// Rooms waiting for the event queue to count them again, and whether that run is queued.
struct Recounts {
    QMutex mutex;
    QSet<qint64> rooms;
    bool queued = false;
};
Q_GLOBAL_STATIC(Recounts, g_recounts)

void recountQueuedRooms() {
    Q_ASSERT(RoomModelServices::shared().isDataProcessingThread());
    QSet<qint64> rooms;
    {
        QMutexLocker lock(&g_recounts->mutex);
        rooms.swap(g_recounts->rooms);
        g_recounts->queued = false;
    }
    auto context = PLPersistence::PS_contextForCurrentThread();
    if (!context || rooms.isEmpty())
        return;
    // Run inside another block (the model on one thread), the count joins that block's save.
    const bool saveHere = !context->hasChanges();
    for (qint64 key : std::as_const(rooms))
        if (auto room = ChatRoom::cast(context->existingObject(ChatRoom::entityName(), key)))
            room->setTempUnreadMessageCount(room->countUnreadMessages());
    if (saveHere)
        context->save();
}

// The queued run; a queue that goes away without running it (the model manager ends) lets the
// next change queue another, so the rooms waiting are not forgotten.
struct RecountRun {
    bool ran = false;
    ~RecountRun() {
        if (ran)
            return;
        QMutexLocker lock(&g_recounts->mutex);
        g_recounts->queued = false;
    }
};

void queueRecount(qint64 roomKey) {
    {
        QMutexLocker lock(&g_recounts->mutex);
        g_recounts->rooms.insert(roomKey);
        if (std::exchange(g_recounts->queued, true))
            return;
    }
    auto run = std::make_shared<RecountRun>();
    RoomModelServices::shared().addToDataProcessingQueue([run] {
        run->ran = true;
        recountQueuedRooms();
    });
}

// The rooms whose count a context marked -1 since its last save, per context of this thread; the
// context's save observer queues their recount once the mark is committed.
struct MarkedRooms {
    std::weak_ptr<platform::ObjectContext> context;
    std::shared_ptr<QSet<qint64>> rooms;
};
thread_local QList<MarkedRooms> t_marked;

void recountAfterSave(const ChatRoom& room) {
    auto* context = room.managedObjectContext();
    if (!context)
        return;
    std::shared_ptr<QSet<qint64>> rooms;
    t_marked.removeIf([](const MarkedRooms& m) { return m.context.expired(); });
    for (const auto& marked : std::as_const(t_marked))
        if (marked.context.lock().get() == context)
            rooms = marked.rooms;
    if (!rooms) {
        rooms = std::make_shared<QSet<qint64>>();
        context->addSaveObserver([rooms](const platform::ChangeSetPtr&) {
            for (qint64 key : std::as_const(*rooms))
                queueRecount(key);
            rooms->clear();
        });
        t_marked.append({context->shared_from_this(), rooms});
    }
    rooms->insert(room.primaryKey());
}

} // namespace

void ChatRoom::addMessagesObject(const std::shared_ptr<Message>& message) {
    if (!message || isInert())
        return;
    auto local = message->managedObjectContext() == managedObjectContext()
                     ? message
                     : Message::cast(message->PS_inContext(contextPtr()));
    if (local)
        local->setRoom(selfPtr());
}

void ChatRoom::removeMessagesObject(const std::shared_ptr<Message>& message) {
    if (message && message->managedObjectContext() == managedObjectContext() &&
        message->foreignKey(QStringLiteral("room")) == primaryKey())
        message->setRoom(nullptr);
}

qint64 ChatRoom::unreadMessagesCount() {
    if (auto* context = managedObjectContext())
        context->processPendingMerges();
    const qint64 stored = tempUnreadMessageCount();
    if (stored != -1)
        return stored;
    const qint64 counted = countUnreadMessages();
    if (!isInserted())
        queueRecount(primaryKey());
    return counted;
}

void ChatRoom::unreadMessagesChanged(qint64 delta) {
    if (delta == 0 || isInert() || isDeleted())
        return;
    if (!RoomModelServices::shared().isDataProcessingThread()) {
        setTempUnreadMessageCount(-1);
        recountAfterSave(*this);
        return;
    }
    const qint64 count = tempUnreadMessageCount();
    if (count >= 0 && count + delta >= 0) {
        setTempUnreadMessageCount(count + delta);
        return;
    }
    // Not counted yet, or a count that went wrong: counted again after this change is saved.
    if (count >= 0)
        qCDebug(lcRoomModel) << "unread count of" << roomId() << "went below zero; counted again";
    setTempUnreadMessageCount(-1);
    queueRecount(primaryKey());
}

qint64 ChatRoom::countUnreadMessages() const {
    auto* context = managedObjectContext();
    if (!context)
        return 0;
    auto self = selfPtr();
    const platform::Predicate unread = K(QStringLiteral("room")) == self && K(QStringLiteral("state")) == 0;
    if (!context->hasChanges())
        return Message::PS_aggregateOperation(QStringLiteral("sum:"), QStringLiteral("updateCount"), unread,
                                              contextPtr())
            .toLongLong();
    // Unsaved changes are seen by fetches only.
    qint64 sum = 0;
    for (const auto& message : Message::PS_findAllWithPredicate(unread, contextPtr()))
        sum += message->updateCount();
    return sum;
}

} // namespace pelnix
