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

Window* WindowFocus::windowWithKeyLayerOver(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* window = qobject_cast<Window*>(const_cast<QWidget*>(w)))
            return window->keyLayerOver(widget) ? window : nullptr;
        if (Window* hosted = HostedWindow::existingFor(w); hosted && hosted->keyLayerOver(widget))
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

namespace {
// Where the keys of `widget`'s window are: its focus widget; while an alert of the library holds
// them, the widget under it that gets them back once the alerts are answered, else the alerts' window.
QWidget* keysHolderNear(const QWidget* widget) {
    QWidget* focus = widget->window()->focusWidget();
    Window* covering = focus ? WindowFocus::windowCovering(widget) : nullptr;
    if (covering && covering->alertLayer()->isAncestorOf(focus))
        return covering->focusAfterAlerts() ? covering->focusAfterAlerts() : covering;
    return focus;
}

bool isPageOrWindow(const QWidget* widget) {
    return ViewController::controllerForView(widget) || qobject_cast<const Window*>(widget);
}

// The page or window `widget` belongs to: the nearest controller's view or library window holding it,
// or null for the host's own widgets.
QWidget* ownerOf(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (isPageOrWindow(w))
            return w;
    return nullptr;
}

// The library's outermost widget holding `widget`: its window, or the root view of the container the
// host placed it in.
QWidget* libraryRootOf(QWidget* widget) {
    QWidget* root = nullptr;
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (isPageOrWindow(w))
            root = w;
    return root;
}

bool holds(const QWidget* outer, const QWidget* inner) {
    return outer == inner || outer->isAncestorOf(inner);
}
} // namespace

WindowFocus::Keys WindowFocus::keysOf(ViewController* leaving) {
    if (!leaving || !leaving->isViewLoaded())
        return {};
    QWidget* view = leaving->view();
    QWidget* holder = keysHolderNear(view);
    QWidget* owner = ownerOf(holder);
    if (owner && holds(view, owner))
        return {true, holder != view && !qobject_cast<Window*>(holder) ? holder : nullptr, view};
    // A page under another (a presented one) holds no keys but its own.
    const auto appearance = leaving->appearance();
    const bool shows = appearance == ViewController::Appearance::Appeared ||
                       appearance == ViewController::Appearance::Appearing;
    // Nowhere (nobody's to lose), or on the window or container root (a click's focus) or the bar of
    // the stack the page is in; not in the host's own widgets.
    const bool held = shows && (!holder || (owner && owner->isAncestorOf(view)));
    return {held, nullptr, view};
}

void WindowFocus::passKeys(const Keys& keys, ViewController* arriving, QWidget* remembered) {
    if (!arriving || !arriving->isViewLoaded())
        return;
    QWidget* view = arriving->view();
    QWidget* holder = keysHolderNear(view);
    const bool inLeaving = holder && keys.leavingView && holds(keys.leavingView, holder);
    if (!keys.held && !inLeaving)
        return;
    // Keys still in the leaving page are handed on, also where that page lies inside the arriving
    // view (a page presented over a container in a host's widget lies in the container's own view):
    // left there, they would move on along Tab's order into the host's widgets as the page hides.
    if (holder && !inLeaving) {
        if (holder != view && view->isAncestorOf(holder) && !qobject_cast<Window*>(holder))
            return; // the page put them where it wants them as it appeared, or the user did
        QWidget* root = libraryRootOf(holder);
        if (!root || root != libraryRootOf(view))
            return; // the host's own widget, or another container, took them meanwhile
    }
    QWidget* target = nullptr;
    if (remembered && remembered != view && view->isAncestorOf(remembered) && remembered->isVisibleTo(view) &&
        remembered->isEnabled())
        target = remembered;
    if (!target)
        target = arriving->preferredFocusWidget();
    Window::giveKeyboardTo(target ? target : view, Qt::OtherFocusReason);
}

bool WindowFocus::isGoing(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (w->property(kGoingProperty).toBool())
            return true;
    return false;
}

void WindowFocus::takeOutOfWindow(QWidget* widget) {
    if (!widget)
        return;
    QWidget* focus = widget->window()->focusWidget();
    if (focus && (focus == widget || widget->isAncestorOf(focus)))
        focus->clearFocus();
    widget->setParent(nullptr);
}

void WindowFocus::hideLeftPage(QWidget* view) {
    if (!view)
        return;
    view->hide();
    if (QWidget* last = view->focusWidget(); last && !last->hasFocus())
        last->clearFocus();
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
    // A view being deleted takes no keys: they would stay with a widget that is gone.
    if (isGoing(now)) {
        now->clearFocus();
        return;
    }
    // A hidden widget of the library's given the keys (a host's tab or stacked page turned back gives
    // them to the widget that had them there, shown or not since): the page around it that shows
    // takes them, rather than a widget nobody sees.
    if (!now->isVisible() && libraryRootOf(now)) {
        for (QWidget* w = now->parentWidget(); w; w = w->parentWidget())
            if (isPageOrWindow(w) && w->isVisible()) {
                w->setFocus(Qt::OtherFocusReason);
                return;
            }
    }
    // A screen under an open alert took the keys: they stay the alert's, and go to that screen once
    // the alert is answered. The alert's own focus change follows.
    if (Window* covering = windowCovering(now)) {
        covering->topAlert()->takeKeyboard();
        return;
    }
    // Under the busy overlay the keys wait on it; they go to this widget once it goes.
    if (Window* layered = windowWithKeyLayerOver(now)) {
        layered->keepKeysOnLayer(now);
        return;
    }
    noteFocus(now);
}

void WindowFocus::leaveKeysToPage(QWidget* widget) {
    if (!widget || widget->window()->focusWidget() != widget)
        return;
    if (isGoing(widget)) {
        widget->clearFocus();
        return;
    }
    for (QWidget* w = widget->parentWidget(); w; w = w->parentWidget())
        if (isPageOrWindow(w)) {
            if (w->isVisible()) {
                w->setFocus(Qt::OtherFocusReason);
                return;
            }
            break;
        }
    widget->clearFocus();
}

} // namespace pelnix::platform::ui
