#pragma once

#include "platform/ui/Scheduler.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>

namespace pelnix {

// Delayed performs of one target held behind a single scheduler entry. Each perform runs at its own
// time, in the order the scheduler would run it, as if scheduled on its own: a list scrolled at the
// display's rate asks for one perform per frame, and the scheduler, whose cancels walk all it holds,
// stays small. The performs end with the target, or with the queue.
class PLPerformQueue {
public:
    explicit PLPerformQueue(const QObject* target);
    ~PLPerformQueue();
    PLPerformQueue(const PLPerformQueue&) = delete;
    PLPerformQueue& operator=(const PLPerformQueue&) = delete;

    void performAfter(qint64 delayMs, std::function<void()> fn);
    int pendingCount() const { return int(m_performs.size()); }

private:
    void arm();
    void runDue();

    QPointer<const QObject> m_target;
    // Due time on the scheduler's clock; equal times keep the order they were asked for.
    std::multimap<qint64, std::function<void()>> m_performs;
    // The scheduler entry's target: gone with the queue, and out of reach of the target's cancels.
    QObject m_entryTarget;
    platform::ui::Scheduler::Id m_entry = 0;
    qint64 m_entryDue = 0;
};

} // namespace pelnix
