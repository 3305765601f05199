#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

namespace pelnix::platform::ui {

class ViewController;

// Root controllers whose views the host placed in widgets of its own (or shows as windows of their
// own). No library window tells them when they show: they appear as their views show and disappear as
// they hide (the top of what they present, as a window does for its root), and the ones on screen are
// known, oldest first, for the key window.
//
// The window such a view joins is made ready for web pages (WebView::prepareWindowForPages) while it
// has no native window yet, so that the first page does not make it again: the view carries the ready
// mark into whatever window the host builds around it. A window that is made already when the view
// joins it is left as it is: readied now, it would be made again at once.
class HostedRoots : public QObject {
    Q_OBJECT
public:
    // Follows `view`, a controller's own view, from now on (one filter for every view).
    static void watch(QWidget* view);
    // The first root still on screen in a host's widget (shown, in a window not minimised), or null.
    static ViewController* firstOnScreen();
    // The first root shown, its window minimised or not, or null.
    static ViewController* firstShown();
    // The root that showed last, hidden since or not (the host turned to another tab, or closed the
    // window it was), while it is still a root in a host's widget or window; else null.
    static ViewController* lastShown();
    // Whether `root`'s view has shown as a root in a host's widget or window at some time.
    static bool wasShown(const ViewController* root);
    // A controller with no parent whose view lies in a host's widget or is a window of its own, in no
    // library window.
    static bool isHostedRoot(const ViewController* controller);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
    void viewMoved(QWidget* view);
    static ViewController* firstRoot(bool evenMinimised);

    QList<QPointer<ViewController>> m_shown;
    QPointer<ViewController> m_lastShown;
    QList<QPointer<ViewController>> m_everShown;
};

} // namespace pelnix::platform::ui
