#pragma once

#include <QColor>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace pelnix::platform::ui {

// The layer under a popover that covers its window. A press on it reports touched() (the popover's
// owner decides whether to dismiss), except on a pass-through view or any view inside one: those
// presses, and the moves and release that follow, go to the view underneath as if the overlay were
// not there.
class PopoverOverlay : public QWidget {
    Q_OBJECT
public:
    explicit PopoverOverlay(QWidget* parent = nullptr);

    QList<QWidget*> passthroughViews() const;
    void setPassthroughViews(const QList<QWidget*>& views);
    // True for a pass-through view or a view inside one; false for null.
    bool isPassthroughView(const QWidget* view) const;

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

    // The view the overlay hides at `point` (its parent's coordinates), the overlay itself excluded.
    QWidget* viewUnderneath(const QPoint& point) const;

signals:
    void touched();
    // The window changed size and the overlay with it, after the window's screens were laid out
    // again (the overlay lies above them): the moment for the popover's owner to place it again.
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool forward(QMouseEvent* event);

    QList<QPointer<QWidget>> m_passthrough;
    QPointer<QWidget> m_forwardTarget;
    QColor m_color = Qt::transparent;
};

} // namespace pelnix::platform::ui
