#pragma once

#include <QDeadlineTimer>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QWaitCondition>

#include <deque>
#include <functional>

namespace pelnix::platform {

// The places for media workers (MediaReader): at most maxWorkers() live at once, as many as the
// transform workers, for each holds its own media stack and whatever a file makes it decode, up to
// the address space it is given. A caller beyond them waits for a place, in the order asked, whether
// it waits on its own thread or is called back on it; a caller that gives up leaves the queue.
//
// A place is held from the grant until its holder leaves, which it does once its worker has ended
// and been collected, so no more workers than places are ever alive. Any thread.
class MediaWorkerQueue {
public:
    using Ticket = quint64;
    static constexpr int kMaxWorkers = 4;

    static MediaWorkerQueue& shared();
    MediaWorkerQueue(const MediaWorkerQueue&) = delete;
    MediaWorkerQueue& operator=(const MediaWorkerQueue&) = delete;

    // The machine's cores, and no more than kMaxWorkers.
    int maxWorkers() const;
    // For tests; places beyond a smaller number are taken back as their holders leave.
    void setMaxWorkers(int count);
    // Places held now, and callers waiting for one.
    int holders() const;
    int waiting() const;

    // Joins the queue: `granted` runs once, on `receiver`'s thread, when a place is the caller's.
    // Nothing runs when `receiver` is gone by then; the caller still leaves with the ticket.
    Ticket enqueue(QObject* receiver, std::function<void()> granted);
    // Waits on this thread for a place until `deadline`: the ticket holding it, or 0 when none came
    // free in time (the caller has then left the queue). Never on the main thread: the places of
    // callers called back there are given back by its event loop, so its wait could only end at the
    // deadline. Asserted; a release build takes a place there only when one is free at once.
    Ticket wait(QDeadlineTimer deadline);
    // The caller is done, or gives up: the place it holds goes to the next in the queue, or it leaves
    // the queue. A ticket of 0, or one that has left already, changes nothing.
    void leave(Ticket ticket);

private:
    struct Waiter {
        Ticket ticket = 0;
        // Called back on its thread; none for a caller waiting on its own.
        QPointer<QObject> receiver;
        std::function<void()> granted;
        bool callback = false;
    };

    MediaWorkerQueue();
    // Hands free places to the first in the queue.
    void grant();

    mutable QMutex m_mutex;
    QWaitCondition m_granted;
    std::deque<Waiter> m_queue;
    QSet<Ticket> m_holding;
    Ticket m_lastTicket = 0;
    int m_maxWorkers;
};

} // namespace pelnix::platform
