#pragma once

class QWidget;

namespace pelnix::platform::ui {

// A top-level widget whose window was closed (QWidget::close(), or the window manager's close button)
// keeps its QWindow without a native window. Reparented so, that QWindow goes along as a child of the
// new window's own, and is deleted with it when that window is made again (as a window is when a view
// ready for pages joins it after it was shown): the widget still points at it, and its next show
// crashes in QWidget::create. Forgotten first, the widget joins its new window as one never shown.
class ClosedWindowHandle {
public:
    // Deletes the QWindow `widget` keeps from a closed window of its own, if it keeps one.
    static void forget(QWidget* widget);
};

} // namespace pelnix::platform::ui
