#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class QThreadPool;

namespace pelnix {

// One row of a member list as the list needs it to order, search and count: the person's ID, name and
// e-mail address and whether they are the room's admin. The membership itself is looked up again
// only for the rows on screen.
struct PLMemberRow {
    qint32 userID = 0;
    QString name;
    QString email;
    bool isCreator = false;
    bool operator==(const PLMemberRow&) const = default;
};

// Reads a room's members for a member list: one row per person (the store can hold a person twice for
// a moment), by name regardless of case. A room of a few
// hundred members is read where it is asked; a larger one on the reading thread, in a context of its
// own, so that the main thread never reads, sorts or holds thousands of memberships.
class PLMemberListReader {
public:
    // Rooms of up to this many memberships are read at once on the calling thread.
    static constexpr qint64 kReadHereUpTo = 200;
    using Done = std::function<void(const QList<PLMemberRow>& rows)>;

    // The rows of `roomID`, read on the calling thread.
    static QList<PLMemberRow> readNow(const QString& roomID);
    // The number of memberships the store holds for the room (a count, not a read).
    static qint64 membershipCount(const QString& roomID);
    // Reads the rows on the reading thread; `done` gets them on the main thread unless `receiver`
    // has gone by then.
    static void read(const QString& roomID, QObject* receiver, Done done);
    // One thread: reads come in order.
    static QThreadPool* readingPool();
};

} // namespace pelnix
