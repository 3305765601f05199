#include "LongPressGestureRecognizer.h"

#include <QLineF>

namespace pelnix::platform::ui {

LongPressGestureRecognizer::LongPressGestureRecognizer(Handler handler, qint64 minimumPressDurationMs)
    : GestureRecognizer(std::move(handler)), m_duration(minimumPressDurationMs) {}

void LongPressGestureRecognizer::pressed(const QPointF& point) {
    m_start = point;
    m_timer = Scheduler::shared()->performAfter(this, m_duration, [this] {
        m_timer = 0;
        setState(State::Began);
    });
}

void LongPressGestureRecognizer::moved(const QPointF& point) {
    if (state() == State::Began || state() == State::Changed)
        setState(State::Changed);
    else if (QLineF(m_start, point).length() > kAllowableMovement)
        fail();
}

void LongPressGestureRecognizer::released(const QPointF&) {
    if (state() == State::Possible)
        fail();
    else
        setState(State::Ended);
}

void LongPressGestureRecognizer::fail() {
    if (m_timer)
        Scheduler::shared()->cancel(std::exchange(m_timer, 0));
    setState(State::Failed);
}

void LongPressGestureRecognizer::reset() {
    GestureRecognizer::reset();
    if (m_timer)
        Scheduler::shared()->cancel(std::exchange(m_timer, 0));
}

} // namespace pelnix::platform::ui
