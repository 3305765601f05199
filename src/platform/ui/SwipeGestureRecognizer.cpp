#include "SwipeGestureRecognizer.h"

namespace pelnix::platform::ui {

SwipeGestureRecognizer::SwipeGestureRecognizer(Handler handler, int directions)
    : GestureRecognizer(std::move(handler)), m_directions(directions) {}

void SwipeGestureRecognizer::pressed(const QPointF& point) {
    m_start = point;
}

void SwipeGestureRecognizer::moved(const QPointF& point) {
    const QPointF d = point - m_start;
    const qreal along = qMax(qAbs(d.x()), qAbs(d.y()));
    if (along < kMinimumDistance)
        return;
    const bool horizontal = qAbs(d.x()) >= qAbs(d.y());
    const qreal across = horizontal ? qAbs(d.y()) : qAbs(d.x());
    const Direction direction = horizontal ? (d.x() > 0 ? Right : Left) : (d.y() > 0 ? Down : Up);
    if (across * 2 > along || !(m_directions & direction)) {
        setState(State::Failed);
        return;
    }
    m_recognized = direction;
    setState(State::Ended);
}

void SwipeGestureRecognizer::released(const QPointF&) {
    setState(State::Failed);
}

} // namespace pelnix::platform::ui
