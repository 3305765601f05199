#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

namespace pelnix::platform::ui {

class ViewController;
class Window;

// Where the keyboard is, as the library's windows see it, learnt from the application's focus signal
// alone: no filter on the host's events, no grab of its keyboard.
// - Where the user works: the library window, or the container in a host's widget, that holds the
//   focus, or held it last (Window::keyWindow() prefers it). A click anywhere in one counts: the
//   library's windows and the root views of containers in a host's widget take a click's focus
//   (Qt hands it to the nearest parent that accepts it) while the focus is not already inside them.
// - An alert or sheet keeps the keyboard of what it covers: the focus moved into a covered widget
//   while it shows (a screen under it taking the keys) goes back to the alert, and that widget has
//   the keyboard once the alerts are answered.
class WindowFocus : public QObject {
    Q_OBJECT
public:
    // Follows the application's focus (once; nothing without a QApplication).
    static void install();
    // The window of the library's window or container that holds the focus or held it last, or null.
    static Window* windowOfLatestFocus();
    // The library window whose alert on top shows over `widget`, or null.
    static Window* windowCovering(const QWidget* widget);
    // The library window whose key layer (the busy overlay) shows over `widget`, or null.
    static Window* windowWithKeyLayerOver(const QWidget* widget);
    // Lets a click anywhere in `root` (a library window, or a container's root view in a host's
    // widget) give it the focus, while the focus is not inside it already. A view with a focus
    // policy of its own keeps it.
    static void catchClicks(QWidget* root);
    // Gives `root` back the focus policy it had before catchClicks.
    static void releaseClicks(QWidget* root);
    // Called before a container hides `leaving` (a page pushed over, popped, covered or replaced):
    // keys held in it go to `heir`, the page shown in its place. Left to Qt, they would move on along
    // Tab's order, often to a bar's button, which then shows a focus frame no key asked for.
    static void handOverKeys(QWidget* leaving, QWidget* heir);

    // The keys as a change of page finds them, taken before any of its appearance calls (a screen
    // takes the focus from its text as it goes): whether they are the leaving page's to hand on (in
    // it; while it shows, also on the window or container root holding it, where a click's focus
    // lands, or nowhere in its window), and the widget in it that has them.
    struct Keys {
        bool held = false;
        QPointer<QWidget> widget;
        QPointer<QWidget> leavingView;
    };
    static Keys keysOf(ViewController* leaving);
    // Called as a change of page begins, once the arriving page shows and has heard it will appear,
    // when the keys were the leaving page's or are in it now: `arriving` gets them, as `remembered` (the
    // widget it had when it was covered) while that is still in it, shown and enabled, else as its preferred
    // widget, else as its view. Keys gone meanwhile to a widget of the host's, to another container, or into
    // the arriving page itself stay where they are; under an open alert they are the arriving page's once the
    // alerts are answered. Left to Qt, keys in a view that hides move on along Tab's order, often to a
    // bar's button.
    static void passKeys(const Keys& keys, ViewController* arriving, QWidget* remembered = nullptr);
    // Hides the view of a page left (covered, popped, dismissed or replaced). The widget it last had
    // the keys in is forgotten by the widgets around it: Qt would hand the keys to that hidden widget
    // when the host turns back to a tab or page holding the container, and they would go nowhere.
    static void hideLeftPage(QWidget* view);
    // Takes `widget` out of its window (setParent(nullptr)), taking the keys from it first: a window
    // that is not active goes on remembering a widget taken out of it as its keys' widget, and once
    // that widget is deleted the window points at nothing (its next activation reads freed memory).
    static void takeOutOfWindow(QWidget* widget);
    // Takes the keys from `widget` (a field whose typing a screen ends, as a phone's return key or a tap
    // beside it closes the keyboard; a control leaving sight) and leaves them on the page holding it:
    // the field hears that editing ended, Tab goes on from there, and nothing is typed into nowhere. A
    // desktop has no keyboard to close. Without a page around it, the widget just loses them.
    static void leaveKeysToPage(QWidget* widget);
    // Set on a view being deleted with its controller: keys given to a widget of it are taken back.
    static constexpr const char* kGoingProperty = "pelnixViewGoing";
    // Whether `widget` lies in such a view: it takes no keys (a window would keep pointing at it as
    // its keys' widget once it is gone).
    static bool isGoing(const QWidget* widget);

private:
    explicit WindowFocus(QObject* parent);
    void focusChanged(QWidget* old, QWidget* now);
    void noteFocus(QWidget* widget);
    void updateClickFocus();

    QPointer<Window> m_window;
    QPointer<ViewController> m_root;
    QList<QPointer<QWidget>> m_clickCatchers;
};

} // namespace pelnix::platform::ui
