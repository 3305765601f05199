#include "TapGestureRecognizer.h"

#include <QLineF>

namespace pelnix::platform::ui {

TapGestureRecognizer::TapGestureRecognizer(Handler handler, int numberOfTapsRequired)
    : GestureRecognizer(std::move(handler)), m_required(qMax(1, numberOfTapsRequired)) {}

void TapGestureRecognizer::pressed(const QPointF& point) {
    cancelTimeout();
    if (m_taps == 0)
        m_start = point;
    else if (QLineF(m_start, point).length() > kAllowableMovement)
        setState(State::Failed);
}

void TapGestureRecognizer::moved(const QPointF& point) {
    if (QLineF(m_start, point).length() > kAllowableMovement)
        setState(State::Failed);
}

void TapGestureRecognizer::released(const QPointF&) {
    if (++m_taps >= m_required) {
        setState(State::Ended);
        return;
    }
    m_timeout = Scheduler::shared()->performAfter(this, kTapIntervalMs, [this] {
        m_timeout = 0;
        setState(State::Failed);
    });
}

void TapGestureRecognizer::reset() {
    GestureRecognizer::reset();
    cancelTimeout();
    m_taps = 0;
}

void TapGestureRecognizer::cancelTimeout() {
    if (m_timeout)
        Scheduler::shared()->cancel(std::exchange(m_timeout, 0));
}

} // namespace pelnix::platform::ui
