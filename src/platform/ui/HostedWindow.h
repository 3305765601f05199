#pragma once

#include <QObject>
#include <QPointer>

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
// view goes (moved, clipped, hidden and raised with it) and only keeps its size and its place on top
// of the view's own children.
class HostedWindow : public QObject {
    Q_OBJECT
public:
    ~HostedWindow() override;

    // The window over `root`'s view, made on first use; null while the view is in no widget, or lies
    // in one of the library's windows already.
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

    QPointer<QWidget> m_rootView;
    QPointer<Window> m_window;
    bool m_updateScheduled = false;
};

} // namespace pelnix::platform::ui
