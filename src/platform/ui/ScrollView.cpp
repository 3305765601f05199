#include "ScrollView.h"

#include "Animator.h"

#include <QMouseEvent>
#include <QScrollBar>

namespace pelnix::platform::ui {

namespace {
constexpr qreal kDragThreshold = 8;
constexpr int kScrollAnimationMs = 250;
} // namespace

ScrollView::ScrollView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
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
        Animator::run(this, kScrollAnimationMs, Animator::Curve::EaseOut, [this, start, offset](qreal p) {
            setContentOffset(start + (offset - start) * p, false);
        });
        return;
    }
    if (m_offset == offset)
        return;
    m_offset = offset;
    m_syncing = true;
    horizontalScrollBar()->setValue(qRound(offset.x()));
    verticalScrollBar()->setValue(qRound(offset.y()));
    m_syncing = false;
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
    m_offset = QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    layoutContent();
    emit didScroll();
}

void ScrollView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_dragging = false;
    m_swiping = false;
    m_pressPoint = event->position();
    m_pressOffset = m_offset;
    event->accept();
}

void ScrollView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed)
        return;
    const QPointF delta = event->position() - m_pressPoint;
    if (!m_dragging && !m_swiping) {
        if (qAbs(delta.x()) > kDragThreshold && qAbs(delta.x()) > 2 * qAbs(delta.y())) {
            m_swiping = true;
        } else if (m_scrollEnabled && qAbs(delta.y()) > kDragThreshold) {
            m_dragging = true;
            emit willBeginDragging();
        }
    }
    if (m_dragging) {
        const QPointF min = minimumContentOffset();
        const QPointF max = maximumContentOffset();
        const qreal y = qBound(min.y(), m_pressOffset.y() - delta.y(), max.y());
        setContentOffset(QPointF(m_offset.x(), y));
    }
}

void ScrollView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_pressed)
        return;
    m_pressed = false;
    const QPointF delta = event->position() - m_pressPoint;
    if (m_dragging) {
        m_dragging = false;
        emit didEndDragging(false);
    } else if (m_swiping) {
        m_swiping = false;
        swiped(m_pressPoint, delta.x());
    } else {
        tapped(event->position());
    }
}

} // namespace pelnix::platform::ui
