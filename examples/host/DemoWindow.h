#pragma once

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Window.h"
#include "ui/shell/PLRootViewController.h"

#include <QAction>
#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <memory>

// The demo's window, as a host application builds one: its own top-level window with a menu bar,
// holding the library's window with the root container as its root, and the host's own landing page
// and side drawer registered under the storyboard names the container reads ("SDKTest"; "Home" with
// "PLSideDrawerTableViewController" and the chats page). The drawer offers the chats, the settings
// and locking the app; a "Menu" button on the rooms list opens it. The menu bar's "Sign out" ends the
// session and shows the library's login container; a sign-up there brings the new user's rooms back.
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
    // The host's own window, and the library's window inside it.
    QMainWindow* hostWindow() { return &m_host; }
    pelnix::platform::ui::Window* window() { return m_window; }
    // The root container while a session shows (null while the login container does).
    pelnix::PLRootViewController* root() const { return m_root; }
    pelnix::platform::ui::BarButtonItem* menuItem() const { return m_menu; }
    QAction* signOutAction() const { return m_signOut; }
    // What a drawer row does once the drawer has closed.
    void perform(Option option);
    // Ends the session and shows the login container in its place.
    void signOut();

private:
    void openRootContainer();
    void showLogin();
    void startLibraryAfterLogin();

    QMainWindow m_host;
    QPointer<pelnix::platform::ui::Window> m_window; // owned by m_host
    QPointer<pelnix::PLRootViewController> m_root;
    QPointer<pelnix::platform::ui::BarButtonItem> m_menu;
    QPointer<QAction> m_signOut;
};
