#include "MediaWorkerQueue.h"

#include "platform/MainThread.h"

#include <QLoggingCategory>
#include <QThread>

#include <algorithm>

namespace pelnix::platform {

Q_LOGGING_CATEGORY(lcMediaWorkerQueue, "pelnix.platform.mediaworkerqueue")

MediaWorkerQueue& MediaWorkerQueue::shared() {
    static MediaWorkerQueue queue;
    return queue;
}

MediaWorkerQueue::MediaWorkerQueue() : m_maxWorkers(qBound(1, QThread::idealThreadCount(), kMaxWorkers)) {}

int MediaWorkerQueue::maxWorkers() const {
    QMutexLocker lock(&m_mutex);
    return m_maxWorkers;
}

void MediaWorkerQueue::setMaxWorkers(int count) {
    QMutexLocker lock(&m_mutex);
    m_maxWorkers = qMax(1, count);
    grant();
}

int MediaWorkerQueue::holders() const {
    QMutexLocker lock(&m_mutex);
    return int(m_holding.size());
}

int MediaWorkerQueue::waiting() const {
    QMutexLocker lock(&m_mutex);
    return int(m_queue.size());
}

void MediaWorkerQueue::grant() {
    bool wake = false;
    while (m_holding.size() < m_maxWorkers && !m_queue.empty()) {
        Waiter next = std::move(m_queue.front());
        m_queue.pop_front();
        if (!next.callback) {
            m_holding.insert(next.ticket);
            wake = true;
            continue;
        }
        // A receiver already gone would never leave: its place goes on at once.
        if (!next.receiver)
            continue;
        m_holding.insert(next.ticket);
        QMetaObject::invokeMethod(next.receiver.data(), std::move(next.granted), Qt::QueuedConnection);
    }
    if (wake)
        m_granted.wakeAll();
}

MediaWorkerQueue::Ticket MediaWorkerQueue::enqueue(QObject* receiver, std::function<void()> granted) {
    QMutexLocker lock(&m_mutex);
    const Ticket ticket = ++m_lastTicket;
    m_queue.push_back(Waiter{ticket, receiver, std::move(granted), true});
    grant();
    return ticket;
}

MediaWorkerQueue::Ticket MediaWorkerQueue::wait(QDeadlineTimer deadline) {
    if (isMainThread()) {
        Q_ASSERT_X(false, "MediaWorkerQueue::wait", "the main thread waits for places only it can free");
        qCWarning(lcMediaWorkerQueue)
            << "a media worker's place asked for on the main thread: taken only if free";
        deadline = QDeadlineTimer(0);
    }
    QMutexLocker lock(&m_mutex);
    const Ticket ticket = ++m_lastTicket;
    m_queue.push_back(Waiter{ticket, nullptr, {}, false});
    grant();
    while (!m_holding.contains(ticket)) {
        if (!m_granted.wait(&m_mutex, deadline) && !m_holding.contains(ticket)) {
            std::erase_if(m_queue, [ticket](const Waiter& waiter) { return waiter.ticket == ticket; });
            return 0;
        }
    }
    return ticket;
}

void MediaWorkerQueue::leave(Ticket ticket) {
    if (ticket == 0)
        return;
    QMutexLocker lock(&m_mutex);
    if (m_holding.remove(ticket))
        grant();
    else
        std::erase_if(m_queue, [ticket](const Waiter& waiter) { return waiter.ticket == ticket; });
}

} // namespace pelnix::platform
