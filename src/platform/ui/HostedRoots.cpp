#include "HostedRoots.h"

#include "ClosedWindowHandle.h"
#include "ViewController.h"
#include "WebView.h"
#include "Window.h"
#include "WindowFocus.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <algorithm>

namespace pelnix::platform::ui {

namespace {
QPointer<HostedRoots> g_roots;
} // namespace

void HostedRoots::watch(QWidget* view) {
    if (!g_roots) {
        auto* app = QCoreApplication::instance();
        if (!app)
            return;
        g_roots = new HostedRoots(app);
        // Which container the user works in is known from the first one on.
        WindowFocus::install();
    }
    view->installEventFilter(g_roots);
}

bool HostedRoots::isHostedRoot(const ViewController* controller) {
    if (!controller || !controller->isViewLoaded() || controller->parentViewController() ||
        controller->presentingViewController() || controller->hasLeftForGood())
        return false;
    // In a host's widget, or a window of its own (as a view with no parent is to Qt, shown or not).
    return !Window::libraryWindowOf(const_cast<ViewController*>(controller)->view());
}

ViewController* HostedRoots::firstOnScreen() {
    return firstRoot(false);
}

ViewController* HostedRoots::firstShown() {
    return firstRoot(true);
}

bool HostedRoots::wasShown(const ViewController* root) {
    return g_roots && root &&
           std::any_of(g_roots->m_everShown.cbegin(), g_roots->m_everShown.cend(),
                       [root](const QPointer<ViewController>& shown) { return shown == root; });
}

ViewController* HostedRoots::lastShown() {
    ViewController* root = g_roots ? g_roots->m_lastShown.data() : nullptr;
    return isHostedRoot(root) ? root : nullptr;
}

ViewController* HostedRoots::firstRoot(bool evenMinimised) {
    if (!g_roots)
        return nullptr;
    for (const auto& root : g_roots->m_shown)
        if (root && isHostedRoot(root) && root->view()->isVisible() &&
            (evenMinimised || !root->view()->window()->isMinimized()))
            return root;
    return nullptr;
}

// A hidden GL widget in the view when its window's native window is made has that one made for pages;
// one added after would have the window made again at once, as the first page would.
void HostedRoots::viewMoved(QWidget* view) {
    // A view the user closed as a window of its own, now in a widget: the QWindow it kept goes before
    // its new window is made again for the pages it shows.
    ClosedWindowHandle::forget(view);
    if (!view->window()->windowHandle() && isHostedRoot(ViewController::controllerForView(view)))
        WebView::prepareWindowForPages(view);
}

bool HostedRoots::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::ParentChange)
        viewMoved(static_cast<QWidget*>(watched));
    if ((type != QEvent::Show && type != QEvent::Hide) || event->spontaneous())
        return false;
    auto* view = static_cast<QWidget*>(watched);
    ViewController* root = ViewController::controllerForView(view);
    if (!isHostedRoot(root)) {
        // Now a screen in a library window or in another controller: a click on it is the screen's.
        WindowFocus::releaseClicks(view);
        return false;
    }
    const bool shown = type == QEvent::Show;
    // A click anywhere in the container tells that the user works in it.
    if (shown)
        WindowFocus::catchClicks(view);
    m_shown.removeAll(nullptr);
    if (!shown)
        m_shown.removeAll(root);
    else if (!m_shown.contains(root))
        m_shown << root;
    if (shown) {
        m_lastShown = root;
        m_everShown.removeAll(nullptr);
        if (!m_everShown.contains(root))
            m_everShown << root;
    }
    // What the user sees of it: the top of what it presents, as a window tells its root.
    ViewController* top = root->topStayingController();
    top->beginAppearanceTransition(shown, false);
    top->endAppearanceTransition();
    return false;
}

} // namespace pelnix::platform::ui
