#include "KeyboardMonitor.h"

#include "TextInput.h"
#include "Window.h"

#include "platform/NotificationCenter.h"

#include <QApplication>

namespace pelnix::platform::ui {

namespace {
Window* libraryWindowOf(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* window = qobject_cast<Window*>(w))
            return window;
    return nullptr;
}
} // namespace

KeyboardMonitor* KeyboardMonitor::shared() {
    static KeyboardMonitor* monitor = new KeyboardMonitor(qApp);
    return monitor;
}

KeyboardMonitor::KeyboardMonitor(QObject* parent) : QObject(parent) {
    // The focus signal, not an event filter: nothing of the host's event flow is touched.
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        connect(app, &QApplication::focusChanged, this, &KeyboardMonitor::focusChanged);
}

void KeyboardMonitor::focusChanged(QWidget*, QWidget* now) {
    Window* window = libraryWindowOf(now);
    if (window && TextInput::acceptsTyping(now)) {
        if (!m_visible)
            show(0, window);
    } else if (m_visible && m_frame.height() == 0) {
        hide();
    }
}

void KeyboardMonitor::show(int height, QWidget* window) {
    if (!window)
        window = Window::keyWindow();
    m_window = window;
    const int width = window ? window->width() : 0;
    const int bottom = window ? window->height() : 0;
    const QRect begin(0, bottom, width, qMax(0, height));
    const QRect end(0, bottom - qMax(0, height), width, qMax(0, height));
    m_visible = true;
    m_frame = end;
    post(kWillShow, begin, end);
    post(kDidShow, begin, end);
}

void KeyboardMonitor::hide() {
    if (!m_visible)
        return;
    const QRect begin = m_frame;
    const QRect end(begin.x(), begin.y() + begin.height(), begin.width(), begin.height());
    m_visible = false;
    m_frame = QRect();
    post(kWillHide, begin, end);
    post(kDidHide, begin, end);
}

void KeyboardMonitor::post(const QString& name, const QRect& begin, const QRect& end) {
    NotificationCenter::defaultCenter()->post(
        name, {}, {{kFrameBeginKey, begin}, {kFrameEndKey, end}, {kDurationKey, 0.25}, {kCurveKey, 7}});
}

} // namespace pelnix::platform::ui
