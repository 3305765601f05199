#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace pelnix::platform::ui {

class ViewController;
class Window;

// What the user's presses and keys mean to the library's windows, seen through one filter on the
// application that only reads presses and keys:
// - where the user works: the library window, or the container in a host's widget, last pressed or
//   typed in (Window::keyWindow() prefers it);
// - an alert or sheet takes the keys of what it covers: a key meant for a widget under it goes to the
//   alert instead, so that typing, Tab and Space never reach the screen behind an open alert.
// Keys to the host's own widgets, and shortcuts with Ctrl, Alt or Meta, are left alone.
class WindowInput : public QObject {
    Q_OBJECT
public:
    // Installs the filter on the application (once; nothing without a QApplication).
    static void install();
    // The window of the latest press or key in the library's windows or containers, or null.
    static Window* windowOfLatestInput();
    // The library window whose alert on top lies over `widget`, or null.
    static Window* windowCovering(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowInput(QObject* parent);
    void noteInput(QWidget* widget);

    QPointer<Window> m_window;
    QPointer<ViewController> m_root;
    bool m_redirecting = false;
};

} // namespace pelnix::platform::ui
