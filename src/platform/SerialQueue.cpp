#include "platform/SerialQueue.h"

#include <QMetaObject>

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
    {
        QMutexLocker lock(&m_mutex);
        m_running = false;
    }
    // One block per event: the thread's own events (replies, timers, deletions) run in between.
    schedulePump();
}

} // namespace pelnix::platform
