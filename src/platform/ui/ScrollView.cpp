#include "ScrollView.h"

#include "Animator.h"
#include "Scheduler.h"
#include "ScrollFocusRing.h"
#include "ScrollIndicators.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QVariantAnimation>
#include <QWheelEvent>
#include <cmath>

namespace pelnix::platform::ui {

namespace {
constexpr qreal kDragThreshold = 8;
constexpr int kScrollAnimationMs = 250;
// UIKit's normal deceleration: the speed keeps this share of itself every millisecond.
constexpr qreal kDecelerationRate = 0.998;
// Slower than this when let go (points per millisecond), a drag just stops.
constexpr qreal kMinimumFlingSpeed = 0.1;
// A drag that rested this long before it was let go does not fling.
constexpr quint64 kFlingWindowMs = 100;
// A wheel burst ends after this long without a wheel event.
constexpr qint64 kWheelQuietMs = 150;
} // namespace

ScrollView::ScrollView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    m_indicators = new ScrollIndicators(this, ScrollIndicators::Reveal::OnRequest);
    new ScrollFocusRing(this);
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
        connect(bar, &QScrollBar::sliderPressed, this, &ScrollView::beginDragging);
        connect(bar, &QScrollBar::sliderReleased, this, [this] { endDragging(false); });
    }
}

void ScrollView::setContentSize(const QSizeF& size) {
    m_contentSizeSet = true;
    if (m_contentSize == size)
        return;
    m_contentSize = size;
    updateScrollBars();
    layoutContent();
}

void ScrollView::setContentInset(const QMargins& inset) {
    m_inset = inset;
    updateScrollBars();
    layoutContent();
}

QPointF ScrollView::minimumContentOffset() const {
    return {-qreal(m_inset.left()), -qreal(m_inset.top())};
}

QPointF ScrollView::maximumContentOffset() const {
    const QPointF min = minimumContentOffset();
    const QSize view = viewport()->size();
    return {qMax(min.x(), m_contentSize.width() + m_inset.right() - view.width()),
            qMax(min.y(), m_contentSize.height() + m_inset.bottom() - view.height())};
}

QRectF ScrollView::visibleContentRect() const {
    return QRectF(m_offset, QSizeF(viewport()->size()));
}

void ScrollView::setContentOffset(const QPointF& offset, bool animated) {
    if (animated && !Animator::isInstant()) {
        const QPointF start = m_offset;
        ++m_offsetAnimations;
        Animator::run(
            this, kScrollAnimationMs, Animator::Curve::EaseOut,
            [this, start, offset](qreal p) { setContentOffset(start + (offset - start) * p, false); },
            [this](bool) { --m_offsetAnimations; });
        return;
    }
    if (m_offset == offset)
        return;
    m_offset = offset;
    m_syncing = true;
    horizontalScrollBar()->setValue(qRound(offset.x()));
    verticalScrollBar()->setValue(qRound(offset.y()));
    m_syncing = false;
    // A scroll the user sees happen shows the indicators; content placed by code does not.
    if (animated || m_dragging || m_decelerating || m_offsetAnimations > 0)
        m_indicators->reveal();
    layoutContent();
    emit didScroll();
}

void ScrollView::scrollRectToVisible(const QRectF& rect, bool animated) {
    const QRectF visible = visibleContentRect();
    QPointF target = m_offset;
    if (rect.top() < visible.top())
        target.setY(rect.top());
    else if (rect.bottom() > visible.bottom())
        target.setY(rect.bottom() - visible.height());
    const QPointF min = minimumContentOffset();
    const QPointF max = maximumContentOffset();
    target.setY(qBound(min.y(), target.y(), max.y()));
    setContentOffset(target, animated);
}

void ScrollView::setZoomScale(qreal scale) {
    m_zoomScale = scale > 0 ? scale : 1.0;
    layoutContent();
}

bool ScrollView::showsVerticalScrollIndicator() const {
    return m_indicators->showsVertical();
}

void ScrollView::setShowsVerticalScrollIndicator(bool shows) {
    m_indicators->setShowsVertical(shows);
}

bool ScrollView::showsHorizontalScrollIndicator() const {
    return m_indicators->showsHorizontal();
}

void ScrollView::setShowsHorizontalScrollIndicator(bool shows) {
    m_indicators->setShowsHorizontal(shows);
}

QMargins ScrollView::scrollIndicatorInsets() const {
    return m_indicators->insets();
}

void ScrollView::setScrollIndicatorInsets(const QMargins& insets) {
    m_indicators->setInsets(insets);
}

void ScrollView::flashScrollIndicators() {
    m_indicators->flash();
}

void ScrollView::setContentWidget(QWidget* widget) {
    if (m_contentWidget == widget)
        return;
    delete m_contentWidget.data();
    m_contentWidget = widget;
    if (widget) {
        widget->setParent(viewport());
        widget->show();
        if (!m_contentSizeSet)
            m_contentSize = widget->size();
    }
    updateScrollBars();
    layoutContent();
}

void ScrollView::layoutContent() {
    if (m_contentWidget)
        m_contentWidget->move((-m_offset).toPoint());
}

void ScrollView::updateScrollBars() {
    const QPointF min = minimumContentOffset();
    const QPointF max = maximumContentOffset();
    m_syncing = true;
    horizontalScrollBar()->setRange(qFloor(min.x()), qCeil(max.x()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(qFloor(min.y()), qCeil(max.y()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setValue(qRound(m_offset.x()));
    verticalScrollBar()->setValue(qRound(m_offset.y()));
    m_syncing = false;
}

void ScrollView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (m_contentWidget && !m_contentSizeSet)
        m_contentSize = m_contentWidget->size();
    updateScrollBars();
    layoutContent();
}

void ScrollView::scrollContentsBy(int, int) {
    if (m_syncing)
        return;
    // The wheel, the keys or a scroll bar: always the user.
    m_offset = QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    m_indicators->reveal();
    layoutContent();
    emit didScroll();
}

void ScrollView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    // A finger on a decelerating list stops it.
    stopDecelerating();
    m_pressed = true;
    m_dragging = false;
    m_swiping = false;
    m_pressPoint = event->position();
    m_pressOffset = m_offset;
    m_lastMovePoint = m_pressPoint;
    m_lastMoveTime = event->timestamp();
    m_velocity = {};
    event->accept();
}

void ScrollView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed)
        return;
    const QPointF delta = event->position() - m_pressPoint;
    const QPointF min = minimumContentOffset();
    const QPointF max = maximumContentOffset();
    const bool scrollsAcross = max.x() > min.x();
    if (!m_dragging && !m_swiping) {
        const bool across = qAbs(delta.x()) > kDragThreshold && qAbs(delta.x()) > 2 * qAbs(delta.y());
        if (across && !(m_scrollEnabled && scrollsAcross))
            m_swiping = true;
        else if (m_scrollEnabled && (across || qAbs(delta.y()) > kDragThreshold))
            beginDragging();
    }
    if (m_dragging) {
        const quint64 elapsed = event->timestamp() - m_lastMoveTime;
        if (elapsed > 0)
            m_velocity = (m_lastMovePoint - event->position()) / qreal(elapsed);
        m_lastMovePoint = event->position();
        m_lastMoveTime = event->timestamp();
        setContentOffset(clampedOffset(QPointF(scrollsAcross ? m_pressOffset.x() - delta.x() : m_offset.x(),
                                               m_pressOffset.y() - delta.y())));
    }
}

void ScrollView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_pressed)
        return;
    m_pressed = false;
    const QPointF delta = event->position() - m_pressPoint;
    if (m_dragging) {
        const bool rested = event->timestamp() - m_lastMoveTime > kFlingWindowMs;
        const QPointF velocity = rested ? QPointF() : m_velocity;
        if (m_pagingEnabled) {
            settleOnPage(velocity);
            return;
        }
        const bool fling = std::hypot(velocity.x(), velocity.y()) >= kMinimumFlingSpeed &&
                           clampedOffset(m_offset + velocity) != m_offset;
        endDragging(fling);
        if (fling)
            decelerate(velocity);
    } else if (m_swiping) {
        m_swiping = false;
        swiped(m_pressPoint, delta.x());
    } else {
        tapped(event->position());
    }
}

void ScrollView::wheelEvent(QWheelEvent* event) {
    switch (event->phase()) {
    case Qt::ScrollBegin:
    case Qt::ScrollUpdate:
        if (!m_dragging)
            beginDragging();
        m_wheelDragging = true;
        break;
    case Qt::ScrollEnd:
        if (m_wheelDragging) {
            m_wheelDragging = false;
            endDragging(false);
        }
        break;
    case Qt::ScrollMomentum:
        // The trackpad's own fling: the list decelerates until the wheel goes quiet.
        if (!m_decelerating)
            beginDecelerating();
        armWheelQuietTimer();
        break;
    case Qt::NoScrollPhase:
        // A mouse wheel has no phases: a burst of notches counts as one drag.
        if (!m_dragging) {
            beginDragging();
            m_wheelDragging = true;
        }
        armWheelQuietTimer();
        break;
    }
    if (m_scrollEnabled)
        QAbstractScrollArea::wheelEvent(event);
    else
        event->ignore();
}

void ScrollView::armWheelQuietTimer() {
    auto* scheduler = Scheduler::shared();
    if (m_wheelQuietTimer)
        scheduler->cancel(m_wheelQuietTimer);
    m_wheelQuietTimer = scheduler->performAfter(this, kWheelQuietMs, [this] {
        m_wheelQuietTimer = 0;
        if (m_wheelDragging) {
            m_wheelDragging = false;
            endDragging(false);
        }
        if (m_decelerating && !m_deceleration)
            endDecelerating();
    });
}

void ScrollView::beginDragging() {
    stopDecelerating();
    if (m_dragging)
        return;
    m_dragging = true;
    holdIndicators();
    emit willBeginDragging();
}

void ScrollView::endDragging(bool willDecelerate) {
    if (!m_dragging)
        return;
    m_dragging = false;
    holdIndicators();
    emit didEndDragging(willDecelerate);
}

QPointF ScrollView::clampedOffset(const QPointF& offset) const {
    const QPointF min = minimumContentOffset();
    const QPointF max = maximumContentOffset();
    return {qBound(min.x(), offset.x(), max.x()), qBound(min.y(), offset.y(), max.y())};
}

void ScrollView::decelerate(const QPointF& velocity) {
    // The distance of a speed decaying by the rate every millisecond, and the time until it is below
    // one point per second.
    const qreal speed = std::hypot(velocity.x(), velocity.y());
    const qreal travel = kDecelerationRate / (1 - kDecelerationRate);
    const QPointF target = clampedOffset(m_offset + velocity * travel);
    const int durationMs = int(std::log(0.001 / speed) / std::log(kDecelerationRate));
    beginDecelerating();
    animateDeceleration(target, durationMs, QEasingCurve::OutQuad);
}

void ScrollView::settleOnPage(const QPointF& velocity) {
    const QSizeF page(qMax(1, viewport()->width()), qMax(1, viewport()->height()));
    // The page the drag started on, then one further in the direction of a fling, else the nearest.
    const auto settle = [](qreal from, qreal now, qreal speed, qreal size) {
        const qreal start = std::round(from / size);
        if (speed >= kMinimumFlingSpeed)
            return (start + 1) * size;
        if (speed <= -kMinimumFlingSpeed)
            return (start - 1) * size;
        return std::round(now / size) * size;
    };
    const QPointF target =
        clampedOffset(QPointF(settle(m_pressOffset.x(), m_offset.x(), velocity.x(), page.width()),
                              settle(m_pressOffset.y(), m_offset.y(), velocity.y(), page.height())));
    const bool moves = target != m_offset;
    endDragging(moves);
    if (!moves)
        return;
    beginDecelerating();
    animateDeceleration(target, kScrollAnimationMs, QEasingCurve::OutCubic);
}

void ScrollView::animateDeceleration(const QPointF& target, int durationMs, QEasingCurve::Type curve) {
    if (Animator::isInstant() || durationMs <= 0) {
        setContentOffset(target);
        endDecelerating();
        return;
    }
    const QPointF start = m_offset;
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setDuration(durationMs);
    animation->setEasingCurve(curve);
    connect(animation, &QVariantAnimation::valueChanged, this, [this, start, target](const QVariant& value) {
        setContentOffset(start + (target - start) * value.toReal());
    });
    connect(animation, &QVariantAnimation::finished, this, &ScrollView::endDecelerating);
    m_deceleration = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void ScrollView::beginDecelerating() {
    m_decelerating = true;
    holdIndicators();
    emit willBeginDecelerating();
}

void ScrollView::endDecelerating() {
    if (!m_decelerating)
        return;
    m_decelerating = false;
    holdIndicators();
    emit didEndDecelerating();
}

void ScrollView::holdIndicators() {
    m_indicators->setHeld(m_dragging || m_decelerating);
}

void ScrollView::stopDecelerating() {
    if (m_deceleration) {
        // Stopping deletes it; finished() is not emitted for a stop.
        m_deceleration->stop();
    }
    endDecelerating();
}

} // namespace pelnix::platform::ui
