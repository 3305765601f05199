#include "PLCircularProgressView.h"

#include "ToolkitStyle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QVariantAnimation>
#include <QtMath>

namespace pelnix {

PLCircularProgressView::PLCircularProgressView(QWidget* parent) : QWidget(parent) {
    setUp();
}

PLCircularProgressView::~PLCircularProgressView() {
    // The delegate hears of no stop from a view that is going away.
    if (m_animation)
        m_animation->disconnect(this);
}

void PLCircularProgressView::setUp() {
    m_delegate.set(nullptr);
    m_currentProgress = 0;
    m_lastProgress = 0;
    m_animated = true;
    m_progressColor = ToolkitStyle::progressArcColor();
    m_wrapperColor = m_progressColor;
    m_duration = 0.5;
    m_progressArcWidth = ToolkitStyle::kProgressArcWidth;
    m_wrapperArcWidth = ToolkitStyle::kProgressTrackWidth;
}

void PLCircularProgressView::setProgress(double fraction, bool animated) {
    m_currentProgress = qBound(0.0, fraction, 1.0);
    m_animated = animated;
    // Only an exact 0 ends a pause; a negative value clamps to 0 but leaves a paused arc paused.
    if (fraction == 0.0 && m_animation && m_animation->state() == QAbstractAnimation::Paused)
        m_animation->resume();
    // Layout runs once per event-loop turn, however many values arrive in it.
    if (!m_layoutRequested) {
        m_layoutRequested = true;
        QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
    }
}

void PLCircularProgressView::setProgress(double fraction, double durationSeconds) {
    m_duration = durationSeconds;
    setProgress(fraction, true);
}

bool PLCircularProgressView::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest) {
        layoutIfNeeded();
        return true;
    }
    return QWidget::event(event);
}

void PLCircularProgressView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    refreshShapeLayer();
}

QPainterPath PLCircularProgressView::arcPath(double fraction) const {
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double radius = qMin(centre.x(), centre.y()) - m_progressArcWidth * 0.5;
    QPainterPath path;
    if (radius <= 0)
        return path;
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    // Qt's angles run counter-clockwise from three o'clock: the top is 90 and clockwise is negative.
    path.arcMoveTo(circle, 90);
    path.arcTo(circle, 90, -fraction * 360.0);
    return path;
}

QPainterPath PLCircularProgressView::progressPath() const {
    return arcPath(m_currentProgress);
}

void PLCircularProgressView::layoutIfNeeded() {
    if (!m_layoutRequested)
        return;
    m_layoutRequested = false;
    refreshShapeLayer();
}

void PLCircularProgressView::refreshShapeLayer() {
    if (!m_arcLineWidth)
        m_arcLineWidth = m_progressArcWidth;
    m_strokeColor = m_progressColor;
    // Nothing is drawn at 0, so there is nothing to grow (and no division by 0).
    if (m_currentProgress != m_lastProgress && m_animated && m_currentProgress > 0) {
        if (m_animation) {
            m_animation->stop();
            delete m_animation.data();
        }
        auto* animation = new QVariantAnimation(this);
        animation->setDuration(qMax(0, qRound(m_duration * 1000)));
        animation->setStartValue(m_lastProgress / m_currentProgress);
        animation->setEndValue(1.0);
        m_strokeEnd = qMin(1.0, m_lastProgress / m_currentProgress);
        connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
            m_strokeEnd = qBound(0.0, value.toDouble(), 1.0);
            update();
        });
        connect(animation, &QVariantAnimation::finished, this, [this] {
            m_strokeEnd = 1.0;
            update();
            if (PLCircularProgressViewDelegate* delegate = m_delegate.get())
                delegate->progressAnimationDidStop(this, true);
        });
        m_animation = animation;
        if (PLCircularProgressViewDelegate* delegate = m_delegate.get())
            delegate->progressAnimationDidStart(this);
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else if (m_currentProgress != m_lastProgress) {
        if (m_animation)
            m_animation->stop();
        m_strokeEnd = 1.0;
    }
    m_lastProgress = m_currentProgress;
    update();
}

void PLCircularProgressView::pause() {
    if (m_currentProgress == 0 || !m_animation || m_animation->state() != QAbstractAnimation::Running)
        return;
    m_animation->pause();
}

void PLCircularProgressView::resume() {
    if (m_animation && m_animation->state() == QAbstractAnimation::Paused)
        m_animation->resume();
}

bool PLCircularProgressView::isPaused() const {
    return m_animation && m_animation->state() == QAbstractAnimation::Paused;
}

bool PLCircularProgressView::isAnimating() const {
    return m_animation && m_animation->state() != QAbstractAnimation::Stopped;
}

QRectF PLCircularProgressView::wrapperRect() const {
    const double d = m_wrapperArcWidth + 0.5;
    const QRectF inner = QRectF(rect()).adjusted(d, d, -d, -d);
    // The side is the smaller far edge of the inset square, as the ring has always been drawn.
    const double side = qMin(inner.right(), inner.bottom());
    return QRectF(inner.x() + (inner.width() - side) * 0.5, inner.y() + (inner.height() - side) * 0.5, side,
                  side);
}

void PLCircularProgressView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(m_wrapperColor, m_wrapperArcWidth));
    painter.drawEllipse(wrapperRect());
    if (m_currentProgress <= 0 || m_strokeEnd <= 0)
        return;
    painter.setPen(QPen(m_strokeColor, arcLineWidth(), Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
    // The visible part of the arc is the first strokeEnd of its length.
    painter.drawPath(arcPath(m_currentProgress * qMin(1.0, m_strokeEnd)));
}

} // namespace pelnix
