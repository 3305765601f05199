#include "ScrollIndicator.h"

#include "Animator.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace pelnix::platform::ui {

ScrollIndicator::ScrollIndicator(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), m_orientation(orientation) {
    setObjectName(orientation == Qt::Vertical ? QStringLiteral("verticalScrollIndicator")
                                              : QStringLiteral("horizontalScrollIndicator"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

QColor ScrollIndicator::coreColor() {
    return QColor(0, 0, 0, 120);
}

QColor ScrollIndicator::rimColor() {
    return QColor(255, 255, 255, 110);
}

void ScrollIndicator::setOpacity(qreal opacity) {
    m_opacity = opacity;
    update();
}

void ScrollIndicator::appear() {
    if (m_fade) {
        // Stopped, it deletes itself (later).
        m_fade->stop();
        m_fade = nullptr;
    }
    setOpacity(1.0);
    show();
    raise();
}

void ScrollIndicator::fadeOut() {
    if (isHidden() || m_fade)
        return;
    if (Animator::isInstant()) {
        hide();
        return;
    }
    auto* fade = new QVariantAnimation(this);
    fade->setStartValue(m_opacity);
    fade->setEndValue(0.0);
    fade->setDuration(kFadeMs);
    fade->setEasingCurve(QEasingCurve::OutQuad);
    connect(fade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { setOpacity(value.toReal()); });
    connect(fade, &QVariantAnimation::finished, this, [this] {
        m_fade = nullptr;
        hide();
    });
    m_fade = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void ScrollIndicator::place(const QRect& track, int minimum, int maximum, int pageStep, int value) {
    const bool vertical = m_orientation == Qt::Vertical;
    const int run = vertical ? track.height() : track.width();
    const qint64 range = qMax<qint64>(0, qint64(maximum) - minimum);
    const qint64 content = range + qMax(1, pageStep);
    const int length = qBound(qMin(kMinimumLength, run), int(run * qMax(1, pageStep) / content), run);
    const qreal share = range > 0 ? qBound(0.0, qreal(qint64(value) - minimum) / range, 1.0) : 0.0;
    const int along = qRound((run - length) * share);
    if (vertical)
        setGeometry(track.left(), track.top() + along, kThickness, length);
    else
        setGeometry(track.left() + along, track.top(), length, kThickness);
}

void ScrollIndicator::paintEvent(QPaintEvent*) {
    if (m_opacity <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_opacity);
    painter.setPen(Qt::NoPen);
    const qreal radius = kThickness / 2.0;
    QPainterPath outer;
    outer.addRoundedRect(QRectF(rect()), radius, radius);
    QPainterPath core;
    core.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    // Rim and core do not overlap, so each keeps its own colour over the content.
    painter.fillPath(outer.subtracted(core), rimColor());
    painter.fillPath(core, coreColor());
}

} // namespace pelnix::platform::ui
