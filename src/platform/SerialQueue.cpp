#include "platform/SerialQueue.h"

#include <QMetaObject>

#include <iterator>

namespace pelnix::platform {

SerialQueue::SerialQueue(const QString& name, QObject* parent) : QObject(parent), m_name(name) {
    m_thread = new QThread;
    m_thread->setObjectName(name);
    m_worker = new QObject;
    m_worker->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
}

SerialQueue::~SerialQueue() {
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_blocks.clear();
    }
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    // Dropped outside the lock: a callback's captures may resume this queue as they go.
    std::vector<Block> dropped, settled;
    {
        QMutexLocker lock(&m_mutex);
        dropped.swap(m_afterRunning);
        settled.swap(m_settled);
    }
}

void SerialQueue::async(Block block) {
    if (!block)
        return;
    {
        QMutexLocker lock(&m_mutex);
        if (m_stopping)
            return;
        m_blocks.push_back(std::move(block));
    }
    schedulePump();
}

void SerialQueue::suspend() {
    QMutexLocker lock(&m_mutex);
    ++m_suspendCount;
}

void SerialQueue::resume() {
    {
        QMutexLocker lock(&m_mutex);
        if (m_suspendCount == 0)
            return;
        --m_suspendCount;
        if (m_suspendCount > 0)
            return;
    }
    schedulePump();
}

bool SerialQueue::isSuspended() const {
    QMutexLocker lock(&m_mutex);
    return m_suspendCount > 0;
}

int SerialQueue::suspendCount() const {
    QMutexLocker lock(&m_mutex);
    return m_suspendCount;
}

int SerialQueue::pendingCount() const {
    QMutexLocker lock(&m_mutex);
    return int(m_blocks.size());
}

bool SerialQueue::isCurrent() const {
    return QThread::currentThread() == m_thread;
}

void SerialQueue::afterRunningBlock(Block callback) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!callback)
        return;
    {
        QMutexLocker lock(&m_mutex);
        // Behind those still waiting, so callbacks run in the order they were given.
        if (m_running || !m_afterRunning.empty()) {
            m_afterRunning.push_back(std::move(callback));
            return;
        }
        if (!m_settled.empty()) {
            m_settled.push_back(std::move(callback));
            return;
        }
    }
    callback();
}

void SerialQueue::runSettledCallbacks() {
    std::vector<Block> settled;
    {
        QMutexLocker lock(&m_mutex);
        settled.swap(m_settled);
    }
    for (auto& callback : settled)
        callback();
}

std::shared_ptr<std::atomic<bool>> SerialQueue::postMarker() {
    auto flag = std::make_shared<std::atomic<bool>>(false);
    async([flag] { flag->store(true); });
    return flag;
}

void SerialQueue::setBlockHooks(std::function<void()> onStart, std::function<void()> onEnd) {
    QMutexLocker lock(&m_mutex);
    m_onStart = std::move(onStart);
    m_onEnd = std::move(onEnd);
}

void SerialQueue::schedulePump() {
    {
        QMutexLocker lock(&m_mutex);
        if (m_pumpScheduled || m_running || m_stopping || m_suspendCount > 0 || m_blocks.empty())
            return;
        m_pumpScheduled = true;
    }
    QMetaObject::invokeMethod(
        m_worker, [this] { pump(); }, Qt::QueuedConnection);
}

void SerialQueue::pump() {
    Block block;
    std::function<void()> onStart, onEnd;
    {
        QMutexLocker lock(&m_mutex);
        m_pumpScheduled = false;
        if (m_stopping || m_suspendCount > 0 || m_blocks.empty())
            return;
        block = std::move(m_blocks.front());
        m_blocks.pop_front();
        m_running = true;
        onStart = m_onStart;
        onEnd = m_onEnd;
    }
    if (onStart)
        onStart();
    block();
    if (onEnd)
        onEnd();
    bool settled = false;
    {
        QMutexLocker lock(&m_mutex);
        m_running = false;
        if (!m_afterRunning.empty() && !m_stopping) {
            settled = m_settled.empty();
            std::move(m_afterRunning.begin(), m_afterRunning.end(), std::back_inserter(m_settled));
            m_afterRunning.clear();
        }
    }
    if (settled)
        QMetaObject::invokeMethod(
            this, [this] { runSettledCallbacks(); }, Qt::QueuedConnection);
    // One block per event: the thread's own events (replies, timers, deletions) run in between.
    schedulePump();
}

} // namespace pelnix::platform
