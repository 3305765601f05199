#pragma once

#include <QAbstractScrollArea>
#include <QMargins>
#include <QPointF>
#include <QPointer>
#include <QSizeF>

namespace pelnix::platform::ui {

// A scroll view with UIKit's geometry: content size, content offset and content insets. The offset of
// the top-left corner may be negative (the top inset), and may be set outside the scrollable range by
// code. Dragging with the mouse scrolls like a finger; the wheel scrolls as usual.
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
    bool isDecelerating() const { return false; }
    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; }
    qreal zoomScale() const { return m_zoomScale; }
    void setZoomScale(qreal scale);

    // A plain content view, moved with the offset; its size is the content size unless one is set.
    void setContentWidget(QWidget* widget);
    QWidget* contentWidget() const { return m_contentWidget; }

signals:
    void didScroll();
    void willBeginDragging();
    void didEndDragging(bool willDecelerate);

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
    void updateScrollBars();

private:
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
};

} // namespace pelnix::platform::ui
