#pragma once

#include "GestureRecognizer.h"
#include "Scheduler.h"

namespace pelnix::platform::ui {

// A finger held still for the minimum duration (timed on the scheduler): Began then, Changed on each
// move after it, Ended on release. Moving before then, or lifting early, fails it.
class LongPressGestureRecognizer : public GestureRecognizer {
    Q_OBJECT
public:
    explicit LongPressGestureRecognizer(Handler handler = {}, qint64 minimumPressDurationMs = 500);
    qint64 minimumPressDuration() const { return m_duration; }
    void setMinimumPressDuration(qint64 ms) { m_duration = ms; }

protected:
    void pressed(const QPointF& point) override;
    void moved(const QPointF& point) override;
    void released(const QPointF& point) override;
    void reset() override;

private:
    void fail();

    qint64 m_duration;
    QPointF m_start;
    Scheduler::Id m_timer = 0;
};

} // namespace pelnix::platform::ui
