#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QRect;
class QWidget;

namespace pelnix::platform::ui {

class ViewController;
class Window;

// The window of a root controller whose view the host placed in a widget of its own (a container in
// the host's QMainWindow, under the host's widgets): a Window laid over that view, shown only while it
// holds an alert, a presented controller or the busy overlay and the view shows. Alerts and sheets
// then show where the host put the container, and the host's own widgets beside it keep their clicks.
// It is a child of the view itself, never of the host's widget: a host's QSplitter makes every child
// a pane of its own, and nothing the library shows may change the host's layout. So it goes where the
// view goes (moved, clipped, hidden and raised with it) and keeps its place on top of the view's own
// children. It covers the part of the view that shows (the view clipped by the widgets that hold it),
// not the whole view, so that what it holds stays in sight in a scroll area that shows part of the
// view, and follows that part as the host scrolls or resizes: while it shows, it hears the moves and
// resizes of the view and of the widgets that hold it, and of nothing else of the host's. A view the
// host takes out of its widget (QScrollArea::takeWidget) keeps its window: hidden while the view has
// no parent, shown over it again in its new place, with whatever it held still waiting for an answer.
// A view the host shows as a window of its own (a pane it detaches) is such a place too.
class HostedWindow : public QObject {
    Q_OBJECT
public:
    ~HostedWindow() override;

    // The window over `root`'s view, made on first use; null while the view is in no widget and no
    // window the host showed (unless it had one before), or lies in one of the library's windows.
    static Window* forRoot(const ViewController* root);
    // The window over the container's view `rootView` when one was made, else null.
    static Window* existingFor(const QWidget* rootView);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit HostedWindow(QWidget* rootView);
    void watchViewChild(QObject* child);
    void keepOnTop();
    void scheduleUpdate();
    void updateVisibility();
    // Hears the widgets that hold the view, up to its window, while `watch`; none otherwise.
    void watchHolders(bool watch);
    // Lays the window over the part of the view that shows.
    void place();
    QRect shownPart() const;

    QPointer<QWidget> m_rootView;
    QPointer<Window> m_window;
    QList<QPointer<QWidget>> m_holders;
    bool m_updateScheduled = false;
};

} // namespace pelnix::platform::ui
