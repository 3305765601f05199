#include "Scheduler.h"

#include <QDateTime>

namespace pelnix::platform::ui {

Scheduler* Scheduler::shared() {
    static Scheduler* instance = new Scheduler;
    return instance;
}

Scheduler::Scheduler(QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { runDue(now()); });
}

qint64 Scheduler::now() const {
    return m_virtual ? m_virtualNow : QDateTime::currentMSecsSinceEpoch();
}

Scheduler::Id Scheduler::performAfter(const QObject* target, qint64 delayMs, std::function<void()> fn) {
    if (!fn)
        return 0;
    const Id id = m_next++;
    m_queue.emplace(Key{now() + qMax<qint64>(0, delayMs), id},
                    Entry{id, target, target != nullptr, std::move(fn)});
    rearm();
    return id;
}

Scheduler::Id Scheduler::scheduleRepeating(const QObject* target, qint64 intervalMs,
                                           std::function<void()> fn) {
    if (!fn)
        return 0;
    const qint64 interval = qMax<qint64>(1, intervalMs);
    const Id id = m_next++;
    m_queue.emplace(Key{now() + interval, id}, Entry{id, target, target != nullptr, std::move(fn), interval});
    rearm();
    return id;
}

void Scheduler::cancel(Id id) {
    if (id != 0 && id == m_running)
        m_runningCancelled = true;
    for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
        if (it->second.id == id) {
            m_queue.erase(it);
            break;
        }
    }
    rearm();
}

void Scheduler::cancelPerforms(const QObject* target) {
    if (!target)
        return;
    if (m_running && target == m_runningTarget)
        m_runningCancelled = true;
    std::erase_if(m_queue, [target](const auto& item) { return item.second.target == target; });
    rearm();
}

void Scheduler::setVirtualClock(bool on) {
    if (m_virtual == on)
        return;
    // Pending performs keep their remaining delay across the switch.
    const qint64 before = now();
    m_virtual = on;
    m_virtualNow = 0;
    const qint64 after = now();
    std::map<Key, Entry> moved;
    for (auto& [key, entry] : m_queue)
        moved.emplace(Key{key.first - before + after, key.second}, std::move(entry));
    m_queue.swap(moved);
    rearm();
}

void Scheduler::advance(qint64 ms) {
    if (!m_virtual)
        return;
    const qint64 end = m_virtualNow + qMax<qint64>(0, ms);
    // Step through each due time so a perform sees the clock at its own due time.
    while (!m_queue.empty() && m_queue.begin()->first.first <= end) {
        m_virtualNow = qMax(m_virtualNow, m_queue.begin()->first.first);
        runDue(m_virtualNow);
    }
    m_virtualNow = end;
}

void Scheduler::runDue(qint64 upTo) {
    while (!m_queue.empty() && m_queue.begin()->first.first <= upTo) {
        auto node = m_queue.extract(m_queue.begin());
        Entry& entry = node.mapped();
        if (entry.hasTarget && !entry.target)
            continue;
        m_running = entry.id;
        m_runningTarget = entry.target;
        m_runningCancelled = false;
        entry.fn();
        m_running = 0;
        m_runningTarget = nullptr;
        if (entry.intervalMs <= 0 || m_runningCancelled || (entry.hasTarget && !entry.target))
            continue;
        // The next run is due one interval after this one was; a real clock that fell behind does not
        // make up the missed runs in a burst.
        qint64 due = node.key().first + entry.intervalMs;
        if (!m_virtual && due <= now())
            due = now() + entry.intervalMs;
        node.key() = Key{due, entry.id};
        m_queue.insert(std::move(node));
    }
    rearm();
}

void Scheduler::rearm() {
    if (m_virtual || m_queue.empty()) {
        m_timer.stop();
        return;
    }
    const qint64 wait = qMax<qint64>(0, m_queue.begin()->first.first - now());
    m_timer.start(int(qMin<qint64>(wait, std::numeric_limits<int>::max())));
}

} // namespace pelnix::platform::ui
