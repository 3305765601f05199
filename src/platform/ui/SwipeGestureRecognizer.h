#pragma once

#include "GestureRecognizer.h"

namespace pelnix::platform::ui {

// A quick stroke in one of the permitted directions: recognised as soon as the finger has gone
// kMinimumDistance that way and at most half as far across it; lifting before then fails it.
class SwipeGestureRecognizer : public GestureRecognizer {
    Q_OBJECT
public:
    enum Direction { Right = 1, Left = 2, Up = 4, Down = 8 };
    static constexpr qreal kMinimumDistance = 50;

    explicit SwipeGestureRecognizer(Handler handler = {}, int directions = Right);
    int direction() const { return m_directions; }
    void setDirection(int directions) { m_directions = directions; }
    // The direction of the recognised stroke.
    Direction recognizedDirection() const { return m_recognized; }

protected:
    void pressed(const QPointF& point) override;
    void moved(const QPointF& point) override;
    void released(const QPointF& point) override;

private:
    int m_directions;
    QPointF m_start;
    Direction m_recognized = Right;
};

} // namespace pelnix::platform::ui
