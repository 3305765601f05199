#include "VirtualDisplay.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

extern char** environ;

namespace pelnix::test {

namespace {

// Runs `argv` with `envp` (the current environment when null), its output going nowhere; `keepFd`
// stays open across exec. Everything the child runs is prepared by the caller: after fork only
// async-signal-safe calls are made.
pid_t spawn(const char* const* argv, char* const* envp, int keepFd = -1) {
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    if (keepFd >= 0)
        fcntl(keepFd, F_SETFD, 0);
    // A test that dies takes what it started with it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
    }
    execve(argv[0], const_cast<char* const*>(argv), envp ? envp : environ);
    _exit(127);
}

void end(pid_t& pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
}

// Whether the root window names a window manager's check window (EWMH), which it sets once it
// manages the screen.
bool rootNamesWindowManager(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t check) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
    const bool named = reply && xcb_get_property_value_length(reply) > 0;
    free(reply);
    return named;
}

} // namespace

VirtualDisplay::VirtualDisplay() = default;

VirtualDisplay::~VirtualDisplay() {
    stop();
}

bool VirtualDisplay::start() {
    if (m_pid > 0)
        return true;
    const QByteArray program = QStandardPaths::findExecutable(QStringLiteral("Xvfb")).toLocal8Bit();
    if (program.isEmpty()) {
        m_error = QStringLiteral("no Xvfb installed");
        return false;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        m_error = QStringLiteral("no pipe");
        return false;
    }
    // The write end is where the server tells its number.
    const QByteArray fd = QByteArray::number(fds[1]);
    const char* const argv[] = {program.constData(), "-displayfd", fd.constData(), "-nolisten", "tcp",
                                "-screen",           "0",          "1280x900x24",  nullptr};
    const pid_t pid = spawn(argv, nullptr, fds[1]);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        m_error = QStringLiteral("fork failed");
        return false;
    }
    m_pid = pid;
    // The server writes its number once it accepts clients; a server that fails closes the pipe.
    QByteArray number;
    char c = 0;
    for (;;) {
        const ssize_t n = read(fds[0], &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    bool ok = false;
    number.toInt(&ok);
    if (!ok) {
        stop();
        m_error = QStringLiteral("Xvfb did not start");
        return false;
    }
    m_name = QStringLiteral(":") + QString::fromLatin1(number);
    qputenv("DISPLAY", m_name.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

bool VirtualDisplay::startWindowManager() {
    if (m_windowManagerPid > 0)
        return true;
    if (m_pid <= 0) {
        m_error = QStringLiteral("no display to manage");
        return false;
    }
    const QByteArray program = QStandardPaths::findExecutable(QStringLiteral("openbox")).toLocal8Bit();
    if (program.isEmpty()) {
        m_error = QStringLiteral("no openbox installed");
        return false;
    }
    // Its configuration, cache and session files stay in a folder of its own, gone with it.
    m_windowManagerHome = std::make_unique<QTemporaryDir>();
    if (!m_windowManagerHome->isValid()) {
        m_error = QStringLiteral("no folder for the window manager");
        return false;
    }
    const QByteArray home = m_windowManagerHome->path().toLocal8Bit();
    QList<QByteArray> variables{"DISPLAY=" + m_name.toLocal8Bit(), "HOME=" + home,
                                "XDG_CONFIG_HOME=" + home + "/config", "XDG_CACHE_HOME=" + home + "/cache",
                                "XDG_DATA_HOME=" + home + "/data"};
    for (char** variable = environ; *variable; ++variable) {
        const QByteArray entry(*variable);
        const QByteArray key = entry.left(entry.indexOf('=') + 1);
        if (key != "DISPLAY=" && key != "HOME=" && !key.startsWith("XDG_") && key != "SESSION_MANAGER=")
            variables << entry;
    }
    QList<char*> envp;
    for (QByteArray& variable : variables)
        envp << variable.data();
    envp << nullptr;
    const char* const argv[] = {program.constData(), "--sm-disable", nullptr};
    m_windowManagerPid = spawn(argv, envp.data());
    if (m_windowManagerPid < 0) {
        m_error = QStringLiteral("fork failed");
        return false;
    }
    if (!waitForWindowManager()) {
        stopWindowManager();
        return false;
    }
    return true;
}

// Until the root window names the manager's check window: each change of the root's properties is
// heard, and the manager's end.
bool VirtualDisplay::waitForWindowManager() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(m_name.toLocal8Bit().constData(), &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        m_error = QStringLiteral("no connection to the display");
        return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    static const char kCheck[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof kCheck - 1, kCheck), nullptr);
    const xcb_atom_t check = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(atom);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    const QDeadlineTimer deadline(10000);
    bool managed = false;
    bool ended = false;
    while (!(managed = rootNamesWindowManager(connection, root, check))) {
        if (waitpid(m_windowManagerPid, nullptr, WNOHANG) == m_windowManagerPid) {
            m_windowManagerPid = -1;
            ended = true;
            break;
        }
        if (deadline.hasExpired())
            break;
        // A property change wakes the wait; the manager's end is looked for at least every 100 ms.
        pollfd watched{xcb_get_file_descriptor(connection), POLLIN, 0};
        poll(&watched, 1, int(qMin<qint64>(100, deadline.remainingTime())));
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection))
            free(event);
    }
    xcb_disconnect(connection);
    if (!managed)
        m_error = ended ? QStringLiteral("openbox ended at its start")
                        : QStringLiteral("openbox did not manage the display within 10 s");
    return managed;
}

void VirtualDisplay::stopWindowManager() {
    end(m_windowManagerPid);
    m_windowManagerHome.reset();
}

void VirtualDisplay::stop() {
    stopWindowManager();
    end(m_pid);
    m_name.clear();
}

} // namespace pelnix::test
