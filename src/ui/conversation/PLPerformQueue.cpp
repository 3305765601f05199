#include "ui/conversation/PLPerformQueue.h"

namespace pelnix {

using platform::ui::Scheduler;

PLPerformQueue::PLPerformQueue(const QObject* target) : m_target(target) {}

PLPerformQueue::~PLPerformQueue() {
    if (m_entry)
        Scheduler::shared()->cancel(m_entry);
}

void PLPerformQueue::performAfter(qint64 delayMs, std::function<void()> fn) {
    if (!fn || !m_target)
        return;
    auto* scheduler = Scheduler::shared();
    m_performs.emplace(scheduler->now() + qMax<qint64>(0, delayMs), std::move(fn));
    arm();
}

void PLPerformQueue::arm() {
    if (m_performs.empty())
        return;
    const qint64 due = m_performs.begin()->first;
    if (m_entry && m_entryDue <= due)
        return;
    auto* scheduler = Scheduler::shared();
    if (m_entry)
        scheduler->cancel(m_entry);
    m_entryDue = due;
    m_entry = scheduler->performAfter(&m_entryTarget, due - scheduler->now(), [this] {
        m_entry = 0;
        runDue();
    });
}

void PLPerformQueue::runDue() {
    const QPointer<QObject> alive(&m_entryTarget);
    const qint64 now = Scheduler::shared()->now();
    while (!m_performs.empty() && m_performs.begin()->first <= now) {
        if (!m_target) {
            m_performs.clear();
            return;
        }
        auto fn = std::move(m_performs.begin()->second);
        m_performs.erase(m_performs.begin());
        fn();
        // A perform may close the screen that holds this queue.
        if (!alive)
            return;
    }
    arm();
}

} // namespace pelnix
