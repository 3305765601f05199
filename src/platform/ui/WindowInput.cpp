#include "WindowInput.h"

#include "AlertView.h"
#include "HostedWindow.h"
#include "ViewController.h"
#include "Window.h"

#include <QApplication>
#include <QKeyEvent>

namespace pelnix::platform::ui {

namespace {
QPointer<WindowInput> g_input;

bool hasShortcutModifier(const QKeyEvent* key) {
    return key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}
} // namespace

WindowInput::WindowInput(QObject* parent) : QObject(parent) {}

void WindowInput::install() {
    if (g_input)
        return;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    g_input = new WindowInput(app);
    app->installEventFilter(g_input);
}

Window* WindowInput::windowOfLatestInput() {
    if (!g_input)
        return nullptr;
    if (g_input->m_window)
        return g_input->m_window;
    ViewController* root = g_input->m_root;
    return root && !root->parentViewController() ? root->window() : nullptr;
}

Window* WindowInput::windowCovering(const QWidget* widget) {
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

// The library's window, or else the container in the host's widget (the outermost controller's view
// above the widget), that the press or key went to; elsewhere (the host's own widgets) nothing changes.
void WindowInput::noteInput(QWidget* widget) {
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

bool WindowInput::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::KeyPress && type != QEvent::KeyRelease &&
        type != QEvent::ShortcutOverride)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    if (type == QEvent::MouseButtonPress || type == QEvent::KeyPress)
        noteInput(widget);
    if (type == QEvent::MouseButtonPress)
        return false;
    // Only a key as it arrives, at the widget with the keyboard: not one a widget passed on to its
    // parents (a field's Return that opened the alert is not the alert's answer).
    const QWidget* focus = widget->window()->focusWidget();
    if (focus ? focus != widget : !widget->isWindow())
        return false;
    Window* covering = windowCovering(widget);
    if (!covering)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::ShortcutOverride) {
        // A plain key is the alert's (it comes next as a key press); a shortcut stays the program's.
        key->setAccepted(!hasShortcutModifier(key));
        return true;
    }
    if (m_redirecting)
        return false; // the alert's own key, on its way up from the alert
    AlertView* alert = covering->topAlert();
    alert->takeKeyboard();
    m_redirecting = true;
    QCoreApplication::sendEvent(alert->keyboardTarget(), key);
    m_redirecting = false;
    key->accept();
    return true;
}

} // namespace pelnix::platform::ui
