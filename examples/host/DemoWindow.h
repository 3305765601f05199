#pragma once

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Window.h"
#include "ui/shell/PLRootViewController.h"

#include <QObject>
#include <QPointer>
#include <memory>

// The demo's window, as a host application builds one: the library's root container as the window's
// root, with the host's own landing page and side drawer registered under the storyboard names the
// container reads ("SDKTest"; "Home" with "PLSideDrawerTableViewController" and the chats page).
// The drawer offers the chats, the settings and locking the app; a "Menu" button on the rooms list
// opens it.
class DemoWindow : public QObject {
    Q_OBJECT
public:
    enum Option { Chats = 0, Settings = 1, Lock = 2 };

    explicit DemoWindow(QObject* parent = nullptr);
    ~DemoWindow() override;

    // What a host that shows web pages settles before it makes its QApplication: the shared GL
    // context the browser engine draws through, and, for a process running as root (which the
    // engine refuses to run sandboxed), the engine's sandbox turned off.
    static void prepareApplication();
    // Registers the host's pages (once per process).
    static void registerHostScreens();

    // Opens the window: the landing page, then the splash, then the chats with the drawer behind.
    void show(bool visible = true);
    pelnix::platform::ui::Window* window() { return &m_window; }
    pelnix::PLRootViewController* root() const { return m_root; }
    pelnix::platform::ui::BarButtonItem* menuItem() const { return m_menu; }
    // What a drawer row does once the drawer has closed.
    void perform(Option option);

private:
    pelnix::platform::ui::Window m_window;
    QPointer<pelnix::PLRootViewController> m_root;
    QPointer<pelnix::platform::ui::BarButtonItem> m_menu;
};
