#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace pelnix::platform::ui {

// A gesture recogniser attached to any view: it watches the view's mouse events (touches arrive as
// mouse events) through an event filter on that view only. Discrete gestures go from Possible to Ended
// or Failed; continuous ones through Began and Changed to Ended. The handler runs on Began, Changed and
// Ended. With pass-through on (the default) the view gets the events as well; with it off the
// recogniser keeps the mouse events it watches to itself.
//
// A recogniser may wait for another to fail first (a tap for a double tap): its own recognition is
// held while the other is still tracking, given up when the other succeeds, and made when it fails.
class GestureRecognizer : public QObject {
    Q_OBJECT
public:
    enum class State { Possible, Began, Changed, Ended, Cancelled, Failed };
    using Handler = std::function<void(GestureRecognizer*)>;

    explicit GestureRecognizer(Handler handler = {});
    ~GestureRecognizer() override;

    // The view becomes the recogniser's parent; a recogniser belongs to one view at a time.
    void addToView(QWidget* view);
    void removeFromView();
    QWidget* view() const { return m_view; }

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    State state() const { return m_state; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    bool passesThrough() const { return m_passesThrough; }
    void setPassesThrough(bool passes) { m_passesThrough = passes; }
    QPointF locationInView() const { return m_location; }
    void requireGestureRecognizerToFail(GestureRecognizer* other);
    // Whether a touch sequence is under way for this recogniser.
    bool isTracking() const { return m_tracking; }

    // Allowed movement of a finger that still counts as standing still.
    static constexpr qreal kAllowableMovement = 10;

signals:
    void stateChanged(pelnix::platform::ui::GestureRecognizer::State state);

protected:
    virtual void pressed(const QPointF& point) = 0;
    virtual void moved(const QPointF& point) = 0;
    virtual void released(const QPointF& point) = 0;
    // Back to Possible; subclasses drop their tracking state here.
    virtual void reset();

    // Moves to `state`; Ended may be held while a required recogniser is still tracking.
    void setState(State state);
    void setTracking(bool tracking) { m_tracking = tracking; }
    bool isFinished() const;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void requiredChanged(State state);
    void enter(State state);

    Handler m_handler;
    QPointer<QWidget> m_view;
    QPointer<GestureRecognizer> m_required;
    State m_state = State::Possible;
    QPointF m_location;
    bool m_enabled = true;
    bool m_passesThrough = true;
    bool m_tracking = false;
    bool m_held = false;
};

} // namespace pelnix::platform::ui
