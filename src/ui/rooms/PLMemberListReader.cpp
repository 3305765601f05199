#include "ui/rooms/PLMemberListReader.h"

#include "foundation/persistence/PLPersistence.h"
#include "platform/MainThread.h"
#include "platform/store/Predicate.h"
#include "ui/rooms/PLRoomMemberReference.h"

#include <QGlobalStatic>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>

namespace pelnix {

namespace {

struct ReadingPool : QThreadPool {
    ReadingPool() { setMaxThreadCount(1); }
};
Q_GLOBAL_STATIC(ReadingPool, g_readingPool)

} // namespace

QThreadPool* PLMemberListReader::readingPool() {
    return g_readingPool();
}

qint64 PLMemberListReader::membershipCount(const QString& roomID) {
    if (roomID.isEmpty() || !PLPersistence::PS_defaultStore())
        return 0;
    return RoomMember::PS_countOfEntitiesWithPredicate(
        platform::PredicateKey(QStringLiteral("room.roomId")) == roomID);
}

QList<PLMemberRow> PLMemberListReader::readNow(const QString& roomID) {
    QList<PLMemberRow> rows;
    const auto room = roomID.isEmpty() ? nullptr : ChatRoom::chatRoomWithID(roomID);
    // Each person's user is looked up once; a sort that asked the store for a name at every
    // comparison made some hundred thousand lookups of a large room.
    for (const auto& member : PLRoomMemberReference::distinctMembers(room)) {
        const auto user = member->user();
        rows << PLMemberRow{user->userID(), user->profileName(), user->email(), member->isCreator()};
    }
    // Members without a name sort as the empty name.
    std::stable_sort(rows.begin(), rows.end(), [](const PLMemberRow& a, const PLMemberRow& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return rows;
}

void PLMemberListReader::read(const QString& roomID, QObject* receiver, Done done) {
    Q_ASSERT(platform::isMainThread());
    const QPointer<QObject> guard(receiver);
    readingPool()->start([roomID, guard, done] {
        const QList<PLMemberRow> rows = readNow(roomID);
        // The thread's context is not kept between reads: it would gather the changes of every save.
        PLPersistence::PS_clearContextForCurrentThread();
        platform::runOnMain([guard, done, rows] {
            if (guard && done)
                done(rows);
        });
    });
}

} // namespace pelnix
