#pragma once

#include "GestureRecognizer.h"
#include "Scheduler.h"

namespace pelnix::platform::ui {

// One or more taps in the same place: each a press and release without moving, each next press within
// kTapIntervalMs of the last release (timed on the scheduler, so tests run it on the virtual clock).
class TapGestureRecognizer : public GestureRecognizer {
    Q_OBJECT
public:
    static constexpr qint64 kTapIntervalMs = 350;

    explicit TapGestureRecognizer(Handler handler = {}, int numberOfTapsRequired = 1);
    int numberOfTapsRequired() const { return m_required; }
    void setNumberOfTapsRequired(int taps) { m_required = qMax(1, taps); }

protected:
    void pressed(const QPointF& point) override;
    void moved(const QPointF& point) override;
    void released(const QPointF& point) override;
    void reset() override;

private:
    void cancelTimeout();

    int m_required = 1;
    int m_taps = 0;
    QPointF m_start;
    Scheduler::Id m_timeout = 0;
};

} // namespace pelnix::platform::ui
