#include "GestureRecognizer.h"

#include <QMouseEvent>
#include <QWidget>

namespace pelnix::platform::ui {

GestureRecognizer::GestureRecognizer(Handler handler) : m_handler(std::move(handler)) {}

GestureRecognizer::~GestureRecognizer() {
    if (m_view)
        m_view->removeEventFilter(this);
}

void GestureRecognizer::addToView(QWidget* view) {
    if (m_view == view)
        return;
    removeFromView();
    m_view = view;
    if (!view)
        return;
    setParent(view);
    view->installEventFilter(this);
}

void GestureRecognizer::removeFromView() {
    if (!m_view)
        return;
    m_view->removeEventFilter(this);
    m_view = nullptr;
    setParent(nullptr);
    reset();
}

void GestureRecognizer::setEnabled(bool enabled) {
    m_enabled = enabled;
    if (!enabled && m_tracking) {
        enter(m_state == State::Began || m_state == State::Changed ? State::Cancelled : State::Failed);
        reset();
    }
}

void GestureRecognizer::requireGestureRecognizerToFail(GestureRecognizer* other) {
    if (m_required)
        disconnect(m_required, nullptr, this, nullptr);
    m_required = other;
    if (other && other != this)
        connect(other, &GestureRecognizer::stateChanged, this, &GestureRecognizer::requiredChanged);
}

bool GestureRecognizer::isFinished() const {
    return m_state == State::Ended || m_state == State::Failed || m_state == State::Cancelled;
}

void GestureRecognizer::reset() {
    m_state = State::Possible;
    m_tracking = false;
    m_held = false;
}

void GestureRecognizer::setState(State state) {
    if (state == State::Ended && m_required && m_required->isEnabled() && m_required->view() &&
        m_required->state() == State::Possible && m_required->isTracking()) {
        m_held = true;
        return;
    }
    enter(state);
}

void GestureRecognizer::enter(State state) {
    m_state = state;
    emit stateChanged(state);
    if ((state == State::Began || state == State::Changed || state == State::Ended) && m_handler)
        m_handler(this);
    if (isFinished())
        m_tracking = false;
}

void GestureRecognizer::requiredChanged(State state) {
    if (!m_held)
        return;
    if (state == State::Failed || state == State::Cancelled) {
        m_held = false;
        enter(State::Ended);
    } else if (state == State::Began || state == State::Ended) {
        m_held = false;
        enter(State::Failed);
    }
}

bool GestureRecognizer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_view || !m_enabled)
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton && !(mouse->buttons() & Qt::LeftButton))
        return false;
    // A held recognition waits for the other recogniser alone; new touches do not disturb it.
    if (m_held)
        return !m_passesThrough;
    m_location = mouse->position();
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: // Qt's second press of a quick double click
        if (isFinished())
            reset();
        m_tracking = true;
        pressed(m_location);
        break;
    case QEvent::MouseMove:
        if (m_tracking && !isFinished())
            moved(m_location);
        break;
    default:
        if (m_tracking && !isFinished())
            released(m_location);
        break;
    }
    return !m_passesThrough;
}

} // namespace pelnix::platform::ui
