#include "WindowFocus.h"

#include "AlertView.h"
#include "HostedWindow.h"
#include "KeyboardMonitor.h"
#include "ViewController.h"
#include "Window.h"

#include <QApplication>

namespace pelnix::platform::ui {

namespace {
QPointer<WindowFocus> g_focus;
// Set on a view whose click focus is the library's doing (its own policy was none).
const char* const kCatchesClicks = "pelnixCatchesClicks";
} // namespace

WindowFocus::WindowFocus(QObject* parent) : QObject(parent) {}

void WindowFocus::install() {
    if (g_focus)
        return;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    // The keyboard's watcher hears each change first: when an alert takes the focus back from a
    // screen under it, the watcher learns of the screen's focus before the alert's.
    KeyboardMonitor::shared();
    g_focus = new WindowFocus(app);
    connect(app, &QApplication::focusChanged, g_focus, &WindowFocus::focusChanged);
}

Window* WindowFocus::windowOfLatestFocus() {
    if (!g_focus)
        return nullptr;
    if (g_focus->m_window)
        return g_focus->m_window;
    ViewController* root = g_focus->m_root;
    return root && !root->parentViewController() ? root->window() : nullptr;
}

Window* WindowFocus::windowCovering(const QWidget* widget) {
    const auto covers = [widget](Window* window) {
        AlertView* alert = window ? window->topAlert() : nullptr;
        return alert && alert->isVisible() && window->coversWidget(widget);
    };
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* window = qobject_cast<Window*>(const_cast<QWidget*>(w)))
            return covers(window) ? window : nullptr;
        // A container's view in the host's widget, with the window laid over it.
        if (Window* hosted = HostedWindow::existingFor(w); covers(hosted))
            return hosted;
    }
    return nullptr;
}

void WindowFocus::catchClicks(QWidget* root) {
    if (!g_focus || !root)
        return;
    if (!root->property(kCatchesClicks).toBool()) {
        if (root->focusPolicy() != Qt::NoFocus)
            return;
        root->setProperty(kCatchesClicks, true);
        g_focus->m_clickCatchers << root;
    }
    g_focus->updateClickFocus();
}

void WindowFocus::releaseClicks(QWidget* root) {
    if (!g_focus || !root || !root->property(kCatchesClicks).toBool())
        return;
    root->setProperty(kCatchesClicks, QVariant());
    root->setFocusPolicy(Qt::NoFocus);
    g_focus->m_clickCatchers.removeAll(root);
}

void WindowFocus::handOverKeys(QWidget* leaving, QWidget* heir) {
    if (!leaving || !heir || !heir->isVisible() || heir->window() != leaving->window())
        return;
    const QWidget* focus = leaving->window()->focusWidget();
    if (focus && (focus == leaving || leaving->isAncestorOf(focus)))
        heir->setFocus(Qt::OtherFocusReason);
}

// A click in a window or container that holds the focus already changes nothing (a field in it
// keeps the keys); elsewhere the click's focus lands on its root, which tells where the user works.
void WindowFocus::updateClickFocus() {
    m_clickCatchers.removeAll(nullptr);
    for (const auto& root : std::as_const(m_clickCatchers)) {
        const QWidget* focus = root->window()->focusWidget();
        const bool inside = focus && focus != root && root->isAncestorOf(focus);
        root->setFocusPolicy(inside ? Qt::NoFocus : Qt::ClickFocus);
    }
}

// The library's window, or else the container in the host's widget (the outermost controller's view
// above the widget), that has the focus; elsewhere (the host's own widgets) nothing changes.
void WindowFocus::noteFocus(QWidget* widget) {
    if (Window* window = Window::libraryWindowOf(widget)) {
        m_window = window;
        m_root = nullptr;
        return;
    }
    ViewController* outermost = nullptr;
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (ViewController* controller = ViewController::controllerForView(w))
            outermost = controller;
    if (outermost) {
        m_root = outermost->rootAncestor();
        m_window = nullptr;
    }
}

void WindowFocus::focusChanged(QWidget*, QWidget* now) {
    updateClickFocus();
    if (!now)
        return;
    // A screen under an open alert took the keys: they stay the alert's, and go to that screen once
    // the alert is answered. The alert's own focus change follows.
    if (Window* covering = windowCovering(now)) {
        covering->topAlert()->takeKeyboard();
        return;
    }
    noteFocus(now);
}

} // namespace pelnix::platform::ui
