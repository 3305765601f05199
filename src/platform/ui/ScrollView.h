#pragma once

#include <QAbstractScrollArea>
#include <QEasingCurve>
#include <QMargins>
#include <QPointF>
#include <QPointer>
#include <QSizeF>

class QVariantAnimation;

namespace pelnix::platform::ui {

class ScrollIndicators;

// A scroll view with UIKit's geometry: content size, content offset and content insets. The offset of
// the top-left corner may be negative (the top inset), and may be set outside the scrollable range by
// code. Dragging with the mouse scrolls like a finger and, let go while moving, decelerates; the wheel
// scrolls as usual. Dragging callbacks come from a finger (mouse) drag, a burst of wheel or trackpad
// scrolling and a drag of a scroll bar alike; trackpad momentum and a flung drag decelerate.
//
// In place of desktop scroll bars the view shows thin overlay indicators while the user scrolls it (or
// an animated scroll runs), and fades them out after; placing the content by code shows none.
class ScrollView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ScrollView(QWidget* parent = nullptr);

    QSizeF contentSize() const { return m_contentSize; }
    void setContentSize(const QSizeF& size);
    QPointF contentOffset() const { return m_offset; }
    void setContentOffset(const QPointF& offset, bool animated = false);
    QMargins contentInset() const { return m_inset; }
    void setContentInset(const QMargins& inset);
    QPointF minimumContentOffset() const;
    QPointF maximumContentOffset() const;
    // The visible area in content coordinates.
    QRectF visibleContentRect() const;
    void scrollRectToVisible(const QRectF& rect, bool animated);

    bool isDragging() const { return m_dragging; }
    bool isDecelerating() const { return m_decelerating; }
    // Stops a deceleration where it is.
    void stopDecelerating();
    // Paging: a drag let go settles on a whole page (the viewport's size), the next one when flung.
    bool isPagingEnabled() const { return m_pagingEnabled; }
    void setPagingEnabled(bool enabled) { m_pagingEnabled = enabled; }
    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; }
    qreal zoomScale() const { return m_zoomScale; }
    void setZoomScale(qreal scale);

    bool showsVerticalScrollIndicator() const;
    void setShowsVerticalScrollIndicator(bool shows);
    bool showsHorizontalScrollIndicator() const;
    void setShowsHorizontalScrollIndicator(bool shows);
    QMargins scrollIndicatorInsets() const;
    void setScrollIndicatorInsets(const QMargins& insets);
    // Shows the indicators of the directions that scroll for a moment.
    void flashScrollIndicators();
    ScrollIndicators* scrollIndicators() const { return m_indicators; }

    // A plain content view, moved with the offset; its size is the content size unless one is set.
    void setContentWidget(QWidget* widget);
    QWidget* contentWidget() const { return m_contentWidget; }

signals:
    void didScroll();
    void willBeginDragging();
    void didEndDragging(bool willDecelerate);
    void willBeginDecelerating();
    void didEndDecelerating();

protected:
    // Places the content for the current offset and size.
    virtual void layoutContent();
    // A press and release without drag at a viewport point.
    virtual void tapped(const QPointF& viewportPoint) { Q_UNUSED(viewportPoint); }
    // A mostly horizontal drag that started at a viewport point; dx < 0 is towards the left.
    virtual void swiped(const QPointF& viewportPoint, qreal dx) {
        Q_UNUSED(viewportPoint);
        Q_UNUSED(dx);
    }

    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void updateScrollBars();

private:
    void beginDragging();
    void endDragging(bool willDecelerate);
    void decelerate(const QPointF& velocity);
    void settleOnPage(const QPointF& velocity);
    void animateDeceleration(const QPointF& target, int durationMs, QEasingCurve::Type curve);
    void beginDecelerating();
    void endDecelerating();
    // The indicators stay while a finger or a deceleration moves the content.
    void holdIndicators();
    // Ends a wheel burst once the wheel has been still for a moment.
    void armWheelQuietTimer();
    QPointF clampedOffset(const QPointF& offset) const;

    QSizeF m_contentSize;
    QPointF m_offset;
    QMargins m_inset;
    QPointer<QWidget> m_contentWidget;
    bool m_contentSizeSet = false;
    bool m_syncing = false;
    bool m_scrollEnabled = true;
    bool m_pressed = false;
    bool m_dragging = false;
    bool m_swiping = false;
    QPointF m_pressPoint;
    QPointF m_pressOffset;
    qreal m_zoomScale = 1.0;
    bool m_decelerating = false;
    bool m_pagingEnabled = false;
    bool m_wheelDragging = false;
    quint64 m_wheelQuietTimer = 0;
    QPointF m_lastMovePoint;
    QPointF m_velocity; // points per millisecond, from the last moves of a drag
    quint64 m_lastMoveTime = 0;
    QPointer<QVariantAnimation> m_deceleration;
    ScrollIndicators* m_indicators = nullptr;
    int m_offsetAnimations = 0;
};

} // namespace pelnix::platform::ui
