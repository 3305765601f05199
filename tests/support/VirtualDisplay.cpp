#include "VirtualDisplay.h"

#include <QByteArray>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pelnix::test {

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
    // Everything the child runs is prepared here: after fork only async-signal-safe calls are made.
    const QByteArray fd = QByteArray::number(fds[1]);
    const char* const argv[] = {program.constData(), "-displayfd", fd.constData(), "-nolisten", "tcp",
                                "-screen",           "0",          "1280x900x24",  nullptr};
    const pid_t pid = fork();
    if (pid == 0) {
        // The write end stays open across exec (it is where the server tells its number); its
        // chatter goes nowhere.
        fcntl(fds[1], F_SETFD, 0);
        // A test that dies takes its server with it.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execv(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
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

void VirtualDisplay::stop() {
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    m_name.clear();
}

} // namespace pelnix::test
