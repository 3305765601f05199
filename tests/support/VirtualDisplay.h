#pragma once

#include <QString>
#include <sys/types.h>

namespace pelnix::test {

// A private X server (Xvfb) for tests that must see what a real display composes: GL-composed
// widgets look right offscreen and wrong only there. The server picks a free display number itself
// (-displayfd), listens on no TCP port and ends with this object. Start it before QApplication.
class VirtualDisplay {
public:
    VirtualDisplay() = default;
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // Starts the server and points DISPLAY and Qt's platform (xcb) at it; false, with the reason in
    // error(), when no server could start (none installed, or it failed), and nothing is changed.
    bool start();
    // ":N" while it runs.
    QString name() const { return m_name; }
    QString error() const { return m_error; }

private:
    void stop();

    pid_t m_pid = -1;
    QString m_name;
    QString m_error;
};

} // namespace pelnix::test
