#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;

namespace pelnix::platform::ui {

class BarButtonItem;
class PopoverOverlay;
class Window;

// The popover layer of one Window: popover bubbles float over the screens and presented controllers,
// each above its own overlay, and below the alerts and the busy layer. The host places nothing: the
// popover's owner sizes and moves its bubble, and decides what an outside touch does (the overlay's
// touched() signal). One host per window, made on first use and owned by the window.
class PopoverHost : public QObject {
    Q_OBJECT
public:
    // The size of the library's face that a bubble without a font of its own gives what it shows.
    static constexpr int kContentPixelSize = 15;

    static PopoverHost* forWindow(Window* window);
    Window* window() const;

    // Puts a new overlay over the whole window and `bubble` above it; answers the overlay. A bubble with
    // no font of its own gets the library's face (kContentPixelSize), never the host program's font.
    PopoverOverlay* addPopover(QWidget* bubble);
    // Takes the overlay and the bubble off the window and deletes both (later).
    void removePopover(PopoverOverlay* overlay, QWidget* bubble);
    QList<QWidget*> bubbles() const;

    // A rectangle of `view` in window coordinates; the rectangle as it is when `view` is null.
    QRect rectInWindow(const QWidget* view, const QRect& rect) const;
    // The widget a bar shows for `item` now (popovers anchor to it), or null.
    static QWidget* viewForBarButtonItem(const BarButtonItem* item);

private:
    explicit PopoverHost(Window* window);
    void raiseTopLayers();

    QList<std::pair<QPointer<PopoverOverlay>, QPointer<QWidget>>> m_popovers;
};

} // namespace pelnix::platform::ui
