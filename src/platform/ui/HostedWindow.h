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
// It follows the view's place and size, its visibility (hidden with it, as when the host shows a
// panel of its own in its place) and its stacking (raised with it, as when a QStackedWidget turns
// back to its page).
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
    HostedWindow(QWidget* rootView, QWidget* host);
    void followRootView();
    void scheduleUpdate();
    void updateVisibility();

    QPointer<QWidget> m_rootView;
    QPointer<Window> m_window;
    bool m_updateScheduled = false;
};

} // namespace pelnix::platform::ui
