#pragma once

#include <QString>
#include <memory>
#include <sys/types.h>

class QTemporaryDir;

namespace pelnix::test {

// A private X server (Xvfb) for tests that must see what a real display composes: GL-composed
// widgets look right offscreen and wrong only there. The server picks a free display number itself
// (-displayfd), listens on no TCP port and ends with this object. Start it before QApplication.
//
// A window manager (openbox) may run on it too: the life of a window (minimised, closed from its
// title bar, a floating dock) only shows with one. It keeps its files in a folder of its own and ends
// before the server.
class VirtualDisplay {
public:
    VirtualDisplay();
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // Starts the server and points DISPLAY and Qt's platform (xcb) at it; false, with the reason in
    // error(), when no server could start (none installed, or it failed), and nothing is changed.
    bool start();
    // Starts the window manager on the running server and returns once it manages windows; false,
    // with the reason in error(), when none is installed or it did not come up.
    bool startWindowManager();
    bool hasWindowManager() const { return m_windowManagerPid > 0; }
    // ":N" while it runs.
    QString name() const { return m_name; }
    QString error() const { return m_error; }

private:
    bool waitForWindowManager();
    void stopWindowManager();
    void stop();

    pid_t m_pid = -1;
    pid_t m_windowManagerPid = -1;
    std::unique_ptr<QTemporaryDir> m_windowManagerHome;
    QString m_name;
    QString m_error;
};

} // namespace pelnix::test
