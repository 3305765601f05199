// The rooms' stored unread counts (`tempUnreadMessageCount`, -1: to be counted again).
//
// A count is a sum that two threads change: the event queue as events arrive, the main thread as
// messages are read, posted or cleared. Each context saves the values it holds, so a count written
// on both threads at once would keep one thread's change only. The stored count is therefore written
// on the event queue's thread alone. Another thread keeps the change of its messages as a delta on
// the room; when its save commits, the delta moves into the ledger below (in the commit itself, so
// that it is ordered with every other commit), and the event queue adds it to the stored count in a
// save of its own that takes it out of the ledger again. Until then a reader adds the ledger's
// delta to what it reads, so a change is never scanned for: one message read is minus one.
//
// A count that reads -1 is counted by the event queue, and stored there; the queue also recounts a
// room when a count would go below zero. A reader on another thread does not wait for the count (a
// room of a million messages takes a tenth of a second): it reads the room as holding no unread
// messages until the count is stored, and a count other than 0 is announced as an update of the room.
// So is a change committed on another thread than the event queue's (messages read in a chat window),
// which no event announces.

#include "core/model/ChatRoom.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/Message.h"
#include "core/model/RoomModelServices.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include "platform/store/ObjectContext.h"
#include "platform/store/ObjectStore.h"

#include <QGlobalStatic>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <limits>

namespace pelnix {

using K = platform::PredicateKey;

namespace {

// Deltas committed on other threads that the event queue has not added to the stored counts yet.
struct Ledger {
    QMutex mutex;
    QHash<qint64, qint64> inFlight; // room key -> delta
    bool applyQueued = false;
    // Moves whenever deltas leave the ledger, after their stored counts were published: a reader
    // that saw it move read the two halves at different times and reads again.
    std::atomic<quint64> version{0};
};
Q_GLOBAL_STATIC(Ledger, g_ledger)

qint64 inFlightDelta(qint64 roomKey) {
    QMutexLocker lock(&g_ledger->mutex);
    return g_ledger->inFlight.value(roomKey);
}

// Rooms waiting for the event queue to count them again, those of them that a reader waits for, and
// whether that run is queued.
struct Recounts {
    QMutex mutex;
    QSet<qint64> rooms;
    QSet<qint64> awaited;
    bool queued = false;
};
Q_GLOBAL_STATIC(Recounts, g_recounts)

// A queued run; a queue that goes away without running it (the model manager ends) lets the next
// change queue another, so the work waiting is not forgotten.
struct QueuedRun {
    bool* queued;
    QMutex* mutex;
    bool ran = false;
    ~QueuedRun() {
        if (ran)
            return;
        QMutexLocker lock(mutex);
        *queued = false;
    }
};

// Tells the rooms' readers (the rooms list's rows) that the rooms changed, at the main thread's next
// turn: after the save that changed them, whichever thread made it.
void announceUpdates(const QStringList& roomIds) {
    if (roomIds.isEmpty())
        return;
    platform::runOnMain([roomIds] {
        for (const QString& roomId : roomIds)
            platform::NotificationCenter::defaultCenter()->post(
                QLatin1String(ChatRoomUpdatedNotification), {}, {{QLatin1String(kChatRoomIDKey), roomId}});
    });
}

// Stores `count` (what the messages sum to, less the ledger's delta) for each room, in one save.
void storeCounts(const QHash<qint64, qint64>& counts) {
    auto context = PLPersistence::PS_contextForCurrentThread();
    if (!context || counts.isEmpty())
        return;
    // Run inside another block (the model on one thread), the counts join that block's save.
    const bool saveHere = !context->hasChanges();
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (auto room = ChatRoom::cast(context->existingObject(ChatRoom::entityName(), it.key())))
            room->setTempUnreadMessageCount(qMax<qint64>(0, it.value()));
    if (saveHere)
        context->save();
}

void recountQueuedRooms() {
    Q_ASSERT(RoomModelServices::shared().isDataProcessingThread());
    QSet<qint64> rooms;
    QSet<qint64> awaited;
    {
        QMutexLocker lock(&g_recounts->mutex);
        rooms.swap(g_recounts->rooms);
        awaited.swap(g_recounts->awaited);
        g_recounts->queued = false;
    }
    auto context = PLPersistence::PS_contextForCurrentThread();
    // A store closed meanwhile (the session ended, the host quits) has nothing left to count.
    if (!context || !context->isLive() || rooms.isEmpty())
        return;
    context->processPendingMerges();
    QHash<qint64, qint64> counts;
    QStringList roomIds;
    {
        // No commit between the count and the ledger's delta: a change is in both or in neither.
        QMutexLocker commit(&context->store()->commitMutex());
        for (qint64 key : std::as_const(rooms)) {
            if (!context->isLive())
                return;
            if (auto room = ChatRoom::cast(context->existingObject(ChatRoom::entityName(), key));
                room && !room->isDeleted()) {
                const qint64 counted = room->countUnreadMessages();
                counts.insert(key, counted - inFlightDelta(key));
                // Its readers were shown 0 meanwhile.
                if (awaited.contains(key) && counted != 0)
                    roomIds << room->roomId();
            }
        }
    }
    storeCounts(counts);
    // Queued after the save, so the main context has merged the counts when its readers hear of them.
    announceUpdates(roomIds);
}

// `awaited`: a reader shows the room with no unread messages until then, so a count other than 0 is
// announced as an update of the room.
void queueRecount(qint64 roomKey, bool awaited = false) {
    {
        QMutexLocker lock(&g_recounts->mutex);
        g_recounts->rooms.insert(roomKey);
        if (awaited)
            g_recounts->awaited.insert(roomKey);
        if (std::exchange(g_recounts->queued, true))
            return;
    }
    auto run = std::make_shared<QueuedRun>(QueuedRun{&g_recounts->queued, &g_recounts->mutex});
    RoomModelServices::shared().addToDataProcessingQueue([run] {
        run->ran = true;
        recountQueuedRooms();
    });
}

// Adds the ledger's deltas to the stored counts; the save that stores them takes them out of the
// ledger as it commits.
void applyLedger() {
    Q_ASSERT(RoomModelServices::shared().isDataProcessingThread());
    QHash<qint64, qint64> deltas;
    {
        QMutexLocker lock(&g_ledger->mutex);
        deltas = g_ledger->inFlight;
        g_ledger->applyQueued = false;
    }
    auto context = PLPersistence::PS_contextForCurrentThread();
    if (!context || deltas.isEmpty())
        return;
    context->processPendingMerges();
    for (auto it = deltas.begin(); it != deltas.end(); ++it) {
        auto room = ChatRoom::cast(context->existingObject(ChatRoom::entityName(), it.key()));
        if (!room || room->isDeleted())
            continue;
        const qint64 count = room->tempUnreadMessageCount();
        if (count >= 0 && count + it.value() >= 0) {
            room->setTempUnreadMessageCount(count + it.value());
        } else if (count >= 0) {
            // A count that went wrong: counted again (the recount runs after this save).
            qCDebug(lcRoomModel) << "unread count of" << room->roomId() << "went below zero; counted again";
            room->setTempUnreadMessageCount(-1);
            queueRecount(it.key());
        }
    }
    const auto release = [deltas](const platform::ChangeSetPtr&) {
        QMutexLocker lock(&g_ledger->mutex);
        for (auto it = deltas.begin(); it != deltas.end(); ++it)
            if ((g_ledger->inFlight[it.key()] -= it.value()) == 0)
                g_ledger->inFlight.remove(it.key());
        g_ledger->version.fetch_add(1);
    };
    const quint64 token = context->addCommitObserver(release);
    const bool saved = context->save();
    context->removeCommitObserver(token);
    // Nothing to save (a room gone, or at -1 already): the deltas are no longer needed.
    if (!saved && !context->hasChanges())
        release({});
}

void queueApply() {
    {
        QMutexLocker lock(&g_ledger->mutex);
        if (std::exchange(g_ledger->applyQueued, true))
            return;
    }
    auto run = std::make_shared<QueuedRun>(QueuedRun{&g_ledger->applyQueued, &g_ledger->mutex});
    RoomModelServices::shared().addToDataProcessingQueue([run] {
        run->ran = true;
        applyLedger();
    });
}

// The rooms whose unread messages a context of another thread changed since its last save, per
// context of this thread; the context's commit moves their deltas into the ledger. The rooms are
// held until then: a context keeps only the objects it has changes of, and a room whose only change
// is its delta would otherwise be let go, and its delta with it, as soon as the reader drops it.
struct ChangedRooms {
    std::weak_ptr<platform::ObjectContext> context;
    std::shared_ptr<QList<ChatRoom::Ptr>> rooms;
};
thread_local QList<ChangedRooms> t_changed;

void deltaAtCommit(const ChatRoom::Ptr& room) {
    auto* context = room->managedObjectContext();
    if (!context)
        return;
    std::shared_ptr<QList<ChatRoom::Ptr>> rooms;
    t_changed.removeIf([](const ChangedRooms& c) { return c.context.expired(); });
    for (const auto& changed : std::as_const(t_changed))
        if (changed.context.lock().get() == context)
            rooms = changed.rooms;
    if (!rooms) {
        rooms = std::make_shared<QList<ChatRoom::Ptr>>();
        // The rooms whose counts the commit changed.
        auto committed = std::make_shared<QStringList>();
        context->addCommitObserver([rooms, committed](const platform::ChangeSetPtr&) {
            QMutexLocker lock(&g_ledger->mutex);
            for (const auto& room : std::as_const(*rooms)) {
                if (room->isInert())
                    continue;
                const qint64 delta = room->takeUncommittedUnreadDelta();
                if (delta == 0)
                    continue;
                g_ledger->inFlight[room->primaryKey()] += delta;
                *committed << room->roomId();
            }
            rooms->clear();
        });
        // Queued once the commit let go of the store. Messages read in a chat window are announced
        // by nothing else (message notifications go to the shown room's window alone): the rooms'
        // rows hear of their new counts as updates of the rooms.
        context->addSaveObserver([committed](const platform::ChangeSetPtr&) {
            if (committed->isEmpty())
                return;
            queueApply();
            announceUpdates(std::exchange(*committed, {}));
        });
        t_changed.append({context->shared_from_this(), rooms});
    }
    if (!rooms->contains(room))
        rooms->append(room);
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
    auto* context = managedObjectContext();
    if (!context)
        return tempUnreadMessageCount();
    const qint64 key = isInserted() ? 0 : primaryKey();
    for (int attempt = 0; attempt < 3; ++attempt) {
        const quint64 version = g_ledger->version.load();
        context->processPendingMerges();
        const qint64 stored = tempUnreadMessageCount();
        if (stored == -1)
            return countAndStoreUnreadMessages();
        const qint64 delta = key ? inFlightDelta(key) : 0;
        if (g_ledger->version.load() != version)
            continue;
        // A delta whose run went with its queue (the model manager ended) is queued again.
        if (delta != 0)
            queueApply();
        return stored + delta + m_uncommittedUnreadDelta;
    }
    // The event queue keeps storing deltas: the messages answer.
    return countUnreadMessages();
}

qint64 ChatRoom::countAndStoreUnreadMessages() {
    const qint64 key = isInserted() ? 0 : primaryKey();
    if (!key)
        return countUnreadMessages();
    auto* context = managedObjectContext();
    if (RoomModelServices::shared().isDataProcessingThread()) {
        // Deltas still in the ledger are added to what is stored here once they are applied.
        qint64 counted = 0;
        qint64 inFlight = 0;
        {
            QMutexLocker commit(&context->store()->commitMutex());
            counted = countUnreadMessages();
            inFlight = inFlightDelta(key);
        }
        const bool clean = !context->hasChanges();
        setTempUnreadMessageCount(qMax<qint64>(0, counted - inFlight));
        if (clean)
            context->save();
        return counted;
    }
    // Counted and stored on the event queue; until then the room shows no unread messages.
    queueRecount(key, true);
    return 0;
}

void ChatRoom::unreadMessagesChanged(qint64 delta) {
    if (delta == 0 || isInert() || isDeleted())
        return;
    if (!RoomModelServices::shared().isDataProcessingThread()) {
        m_uncommittedUnreadDelta += delta;
        deltaAtCommit(selfPtr());
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

qint64 ChatRoom::takeUncommittedUnreadDelta() {
    return std::exchange(m_uncommittedUnreadDelta, 0);
}

qint64 ChatRoom::totalUnreadMessagesCount(const ContextPtr& context) {
    const K status(QStringLiteral("status"));
    const K stored(QStringLiteral("tempUnreadMessageCount"));
    for (int attempt = 0; attempt < 3; ++attempt) {
        const quint64 version = g_ledger->version.load();
        qint64 sum = PS_aggregateOperation(QStringLiteral("sum:"), QStringLiteral("tempUnreadMessageCount"),
                                           status != 1 && stored >= 0, context)
                         .toLongLong();
        // Rooms not counted yet are counted once, and their counts stored.
        QSet<qint64> counted;
        for (const auto& room : PS_findAllWithPredicate(status != 1 && stored == -1, context)) {
            sum += room->countAndStoreUnreadMessages();
            counted.insert(room->primaryKey());
        }
        QHash<qint64, qint64> inFlight;
        {
            QMutexLocker lock(&g_ledger->mutex);
            inFlight = g_ledger->inFlight;
        }
        if (g_ledger->version.load() != version)
            continue;
        const ContextPtr here = context ? context : PLPersistence::PS_contextForCurrentThread();
        for (auto it = inFlight.begin(); here && it != inFlight.end(); ++it)
            if (!counted.contains(it.key()))
                if (auto room = cast(here->existingObject(entityName(), it.key()));
                    room && room->status() != 1)
                    sum += it.value();
        // Summed wide; a total past the 32-bit range stays at its largest value instead of wrapping.
        return std::clamp<qint64>(sum, 0, std::numeric_limits<qint32>::max());
    }
    const QVariant sum = Message::PS_aggregateOperation(
        QStringLiteral("sum:"), QStringLiteral("updateCount"),
        K(QStringLiteral("state")) == 0 && K(QStringLiteral("room.status")) != 1, context);
    return std::clamp<qint64>(sum.toLongLong(), 0, std::numeric_limits<qint32>::max());
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
