#include "ContainerKeys.h"

#include "HostedRoots.h"
#include "ViewController.h"
#include "Window.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace pelnix::platform::ui {

namespace {
QPointer<ContainerKeys> g_keys;

bool inAlertLayer(const QWidget* widget) {
    const Window* window = Window::libraryWindowOf(widget);
    return window && window->alertLayer() && window->alertLayer()->isAncestorOf(widget);
}
} // namespace

void ContainerKeys::watch(QWidget* view) {
    if (!view)
        return;
    if (!g_keys) {
        auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
        if (!app)
            return;
        g_keys = new ContainerKeys(app);
    }
    view->installEventFilter(g_keys);
}

bool ContainerKeys::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::ParentAboutToChange) {
        auto* view = static_cast<QWidget*>(watched);
        leaving(view);
        // A window that is not active remembers its keys' widget; taken out of it (setParent(nullptr)),
        // the view would leave it pointing at a widget of the view, and at nothing once that is deleted.
        QWidget* remembered = view->window()->focusWidget();
        if (remembered && remembered != QApplication::focusWidget() && view->isAncestorOf(remembered))
            remembered->clearFocus();
    } else if (type == QEvent::Hide && !event->spontaneous()) {
        leaving(static_cast<QWidget*>(watched));
    } else if ((type == QEvent::Show && !event->spontaneous()) || type == QEvent::ParentChange)
        arrived(static_cast<QWidget*>(watched));
    return false;
}

void ContainerKeys::leaving(QWidget* view) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !view->isAncestorOf(focus) || inAlertLayer(focus) ||
        !HostedRoots::isHostedRoot(ViewController::controllerForView(view)))
        return;
    m_away.removeIf([view](const Away& away) { return !away.view || away.view == view; });
    m_away << Away{view, focus, nullptr, true};
    if (!m_focusWatch)
        m_focusWatch = connect(qApp, &QApplication::focusChanged, this,
                               [this](QWidget*, QWidget* now) { focusChanged(now); });
    // Where Qt puts them as the view leaves is known by the end of this turn of the event loop.
    QMetaObject::invokeMethod(
        this,
        [this] {
            for (Away& away : m_away)
                away.settling = false;
        },
        Qt::QueuedConnection);
}

void ContainerKeys::focusChanged(QWidget* now) {
    for (Away& away : m_away)
        if (away.settling)
            away.wentTo = now;
}

// The page on top of the container `view` is the root view of: its preferred widget, else its view.
QWidget* ContainerKeys::pageKeysWidget(QWidget* view) {
    ViewController* top = ViewController::controllerForView(view);
    while (top && top->presentedViewController())
        top = top->presentedViewController();
    if (!top)
        return nullptr;
    QWidget* preferred = top->preferredFocusWidget();
    return preferred ? preferred : top->view();
}

void ContainerKeys::arrived(QWidget* view) {
    if (!view->isVisible())
        return;
    const auto it =
        std::find_if(m_away.begin(), m_away.end(), [view](const Away& away) { return away.view == view; });
    if (it == m_away.end()) {
        // A container shown in a window where nothing has the keys (the host put a new one where the
        // user worked, or its first page appears) has them on its page: typed keys land there.
        if (!view->window()->focusWidget() &&
            HostedRoots::isHostedRoot(ViewController::controllerForView(view)))
            if (QWidget* target = pageKeysWidget(view))
                Window::giveKeyboardTo(target);
        return;
    }
    const Away away = *it;
    m_away.erase(it);
    if (m_away.isEmpty())
        disconnect(std::exchange(m_focusWatch, {}));
    // The user put them somewhere else meanwhile: they stay there.
    QWidget* focus = QApplication::focusWidget();
    if (focus && !away.settling && focus != away.wentTo)
        return;
    QWidget* target =
        away.had && view->isAncestorOf(away.had) && away.had->isVisible() && away.had->isEnabled()
            ? away.had.data()
            : pageKeysWidget(view);
    if (!target)
        return;
    Window::giveKeyboardTo(target);
    // Moved into a window of its own (a dock floated, a pane detached) while the user typed in it: the
    // keys are the user's there, so that window is the one typed into.
    QWidget* window = view->window();
    if (window != QApplication::activeWindow() && QApplication::activeWindow())
        window->activateWindow();
}

} // namespace pelnix::platform::ui
