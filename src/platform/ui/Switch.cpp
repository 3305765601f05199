#include "Switch.h"

#include "Animator.h"
#include "FocusRing.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace pelnix::platform::ui {

namespace {
constexpr int kAnimationMs = 200;
// Off, the track is a light grey, so the white knob reads on it and on a white page alike.
const QColor kOffTrack(0xE9, 0xE9, 0xEA);
// The edge must read on a white page: the platform's pale outline did not.
const QColor kOffEdge(0x8E, 0x8E, 0x93);
} // namespace

Switch::Switch(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("switch"));
    FocusRing::follow(this);
}

void Switch::setOn(bool on, bool animated) {
    m_hasUndo = false;
    if (m_on == on)
        return;
    m_on = on;
    moveKnob(animated);
}

bool Switch::revert() {
    if (!m_hasUndo)
        return false;
    m_hasUndo = false;
    if (m_on != m_before) {
        m_on = m_before;
        moveKnob(true);
    }
    return true;
}

void Switch::setOnTintColor(const QColor& color) {
    m_onTint = color;
    update();
}

void Switch::setBackgroundColor(const QColor& color) {
    m_background = color;
    update();
}

void Switch::setCornerRadius(qreal radius) {
    m_cornerRadius = radius;
    update();
}

void Switch::moveKnob(bool animated) {
    const qreal target = m_on ? 1.0 : 0.0;
    if (!animated || !isVisible()) {
        m_knob = target;
        update();
        return;
    }
    const qreal from = m_knob;
    Animator::run(this, kAnimationMs, Animator::Curve::EaseOut, [this, from, target](qreal t) {
        m_knob = from + (target - from) * t;
        update();
    });
}

void Switch::userToggle() {
    if (!isEnabled())
        return;
    m_before = m_on;
    m_on = !m_on;
    m_hasUndo = true;
    moveKnob(true);
    emit valueChanged(m_on);
}

void Switch::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange)
        update();
}

void Switch::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
}

void Switch::mouseReleaseEvent(QMouseEvent* event) {
    // Touch-up inside only, as for a button.
    if (m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        userToggle();
    m_pressed = false;
}

void Switch::keyPressEvent(QKeyEvent* event) {
    // Held down, Space turns it once.
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        userToggle();
    else if (event->key() == Qt::Key_Space)
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void Switch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_background.isValid() && m_background.alpha() > 0) {
        // A radius beyond half the height rounds no further, as a layer's does.
        const qreal radius = qMin(m_cornerRadius, qMin(width(), height()) / 2.0);
        p.setPen(Qt::NoPen);
        p.setBrush(m_background);
        p.drawRoundedRect(QRectF(rect()), radius, radius);
    }
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = track.height() / 2;
    QColor fill = m_onTint;
    fill.setAlphaF(m_knob);
    // The view's own background, when it has one, is the off track.
    const bool ownBackground = m_background.isValid() && m_background.alpha() > 0;
    p.setPen(ownBackground ? Qt::NoPen : QPen(kOffEdge, 1.5));
    p.setBrush(ownBackground ? QColor(Qt::transparent) : kOffTrack);
    p.drawRoundedRect(track.adjusted(0.25, 0.25, -0.25, -0.25), radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(track, radius, radius);
    const qreal d = track.height() - 4;
    // On is the trailing end: right to left the knob slides to the left, as the platform's does.
    const qreal travel = (track.width() - 4 - d) * m_knob;
    const qreal x =
        layoutDirection() == Qt::RightToLeft ? track.right() - 2 - d - travel : track.left() + 2 + travel;
    const QRectF knob(x, track.top() + 2, d, d);
    // A soft shadow under the knob, so it stands off the track it slides on.
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawEllipse(knob.translated(0, 1).adjusted(-0.5, -0.5, 0.5, 0.5));
    p.setPen(QPen(QColor(0, 0, 0, 50), 0.5));
    p.setBrush(isEnabled() ? Qt::white : QColor(240, 240, 240));
    p.drawEllipse(knob);
    if (FocusRing::shows(this)) {
        // On the track's edge, in a colour that reads on the track as it is now.
        const QColor offTrack =
            ownBackground ? FocusRing::laidOn(m_background, FocusRing::backdrop(this)) : kOffTrack;
        FocusRing::draw(p, QRectF(rect()), radius,
                        FocusRing::colourOn(FocusRing::laidOn(fill, offTrack),
                                            palette().color(QPalette::Highlight), QColor()));
    }
}

} // namespace pelnix::platform::ui
