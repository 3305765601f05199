#include "smart/XSLTWorkerPool.h"

#include "platform/HelperProgram.h"
#include "smart/SmartLog.h"
#include "smart/XSLTWorkerProtocol.h"

#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pelnix {

using namespace xsltworker;

namespace {

constexpr char kProgramName[] = "pelnix-xslt-worker";
// Loading the program and its libraries; not the transform's time.
constexpr qint64 kStartTimeoutMs = 10000;
// Idle workers kept beyond this many are ended.
const int kMaxIdle = qMax(2, QThread::idealThreadCount());

} // namespace

struct XSLTWorkerPool::Worker {
    pid_t pid = -1;
    int fd = -1;
    // Ends the process: at once when `kill`, else by closing its socket (it then exits by itself).
    void end(bool kill) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        if (pid > 0) {
            if (kill)
                ::kill(pid, SIGKILL);
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        pid = -1;
    }
    ~Worker() { end(true); }
};

XSLTWorkerPool& XSLTWorkerPool::shared() {
    static XSLTWorkerPool pool;
    return pool;
}

XSLTWorkerPool::~XSLTWorkerPool() {
    for (auto& worker : m_idle)
        worker->end(false);
}

QStringList XSLTWorkerPool::candidates() {
#ifdef PELNIX_XSLT_WORKER_BUILD_PATH
    const QString buildPath = QStringLiteral(PELNIX_XSLT_WORKER_BUILD_PATH);
#else
    const QString buildPath;
#endif
    return platform::HelperProgram(QLatin1String(kProgramName), "PELNIX_XSLT_WORKER", buildPath).candidates();
}

bool XSLTWorkerPool::isAvailable() {
    QMutexLocker lock(&m_mutex);
    if (!m_program) {
        m_program = QString();
        for (const QString& path : candidates()) {
            const QFileInfo file(path);
            if (file.isFile() && file.isExecutable()) {
                m_program = file.absoluteFilePath();
                break;
            }
        }
        if (m_program->isEmpty())
            qCCritical(lcSmart).noquote()
                << "no transform worker found: stylesheets run in this process, where one XPath"
                   " evaluation can outlast the time bound; looked for"
                << candidates().join(QStringLiteral(", "));
    }
    return !m_program->isEmpty();
}

qint64 XSLTWorkerPool::graceMs(const PLXSLTStylesheet::Limits& limits) {
    return qMax<qint64>(250, limits.timeMs / 4);
}

int XSLTWorkerPool::startedCount() const {
    QMutexLocker lock(&m_mutex);
    return m_started;
}

int XSLTWorkerPool::killedCount() const {
    QMutexLocker lock(&m_mutex);
    return m_killed;
}

std::unique_ptr<XSLTWorkerPool::Worker> XSLTWorkerPool::start(QString* error) {
    if (!isAvailable()) {
        *error = QStringLiteral("no transform worker program");
        return nullptr;
    }
    const QByteArray program = QFile::encodeName(*m_program);
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        *error = QStringLiteral("no socket for a transform worker: %1").arg(qt_error_string(errno));
        return nullptr;
    }
    // The worker reads and writes its socket as standard input and output, writes nothing on the
    // host's standard error, and inherits no other descriptor.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], 0);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    char* argv[] = {const_cast<char*>(program.constData()), nullptr};
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(sockets[1]);
    auto worker = std::make_unique<Worker>();
    worker->fd = sockets[0];
    if (failed) {
        *error = QStringLiteral("transform worker did not start: %1").arg(qt_error_string(failed));
        return nullptr;
    }
    worker->pid = pid;
    char ready = 0;
    if (!readFully(worker->fd, &ready, 1, nowMs() + kStartTimeoutMs) || ready != kReady) {
        *error = QStringLiteral("transform worker did not start");
        return nullptr;
    }
    QMutexLocker lock(&m_mutex);
    ++m_started;
    return worker;
}

std::unique_ptr<XSLTWorkerPool::Worker> XSLTWorkerPool::take(QString* error) {
    {
        QMutexLocker lock(&m_mutex);
        if (!m_idle.empty()) {
            std::unique_ptr<Worker> worker = std::move(m_idle.back());
            m_idle.pop_back();
            return worker;
        }
    }
    return start(error);
}

void XSLTWorkerPool::giveBack(std::unique_ptr<Worker> worker) {
    QMutexLocker lock(&m_mutex);
    if (int(m_idle.size()) < kMaxIdle)
        m_idle.push_back(std::move(worker));
    else
        worker->end(false);
}

std::optional<QString> XSLTWorkerPool::transform(const QByteArray& xslt, const PLXMLDocument& input,
                                                 const PLXSLTStylesheet::Limits& limits, QString* error) {
    QString failure;
    const QByteArray document = input.toXMLData();
    if (xslt.size() > kMaxFrameBytes || document.size() > kMaxFrameBytes) {
        if (error)
            *error = QStringLiteral("stylesheet or input too large to transform");
        return std::nullopt;
    }
    std::unique_ptr<Worker> worker = take(&failure);
    if (!worker) {
        if (error)
            *error = failure;
        return std::nullopt;
    }
    // The time bound counts from the request on, sending it included.
    const qint64 deadline = nowMs() + qMax(0, limits.timeMs) + graceMs(limits);
    const QByteArray request = encode(Request{limits, xslt, document});
    bool timedOut = false;
    std::optional<Reply> reply;
    if (writeFully(worker->fd, request.constData(), request.size(), deadline, &timedOut))
        reply = readReply(worker->fd, deadline, &timedOut);
    if (!reply) {
        worker->end(true);
        {
            QMutexLocker lock(&m_mutex);
            ++m_killed;
        }
        if (error)
            *error = timedOut ? QStringLiteral("stopped after the time bound of %1 ms: its worker was ended")
                                    .arg(limits.timeMs)
                              : QStringLiteral("its transform worker ended without an answer");
        return std::nullopt;
    }
    giveBack(std::move(worker));
    if (!reply->ok) {
        if (error)
            *error = reply->text;
        return std::nullopt;
    }
    return reply->text;
}

} // namespace pelnix
