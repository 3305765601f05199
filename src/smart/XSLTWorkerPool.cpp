#include "smart/XSLTWorkerPool.h"

#include "platform/HelperProgram.h"
#include "smart/SmartLog.h"
#include "smart/XSLTWorkerProtocol.h"

#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <latch>
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

XSLTWorkerPool::XSLTWorkerPool() : m_maxWorkers(qBound(1, QThread::idealThreadCount(), kMaxWorkers)) {}

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

int XSLTWorkerPool::maxWorkers() const {
    QMutexLocker lock(&m_mutex);
    return m_maxWorkers;
}

void XSLTWorkerPool::setMaxWorkers(int count) {
    QMutexLocker lock(&m_mutex);
    m_maxWorkers = qMax(1, count);
    // Idle workers beyond the new number go at once; busy ones as they come back.
    while (m_live > m_maxWorkers && !m_idle.empty()) {
        m_idle.back()->end(false);
        m_idle.pop_back();
        --m_live;
    }
    m_freed.wakeAll();
}

int XSLTWorkerPool::workerCount() const {
    QMutexLocker lock(&m_mutex);
    return m_live;
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
        for (;;) {
            if (!m_idle.empty()) {
                std::unique_ptr<Worker> worker = std::move(m_idle.back());
                m_idle.pop_back();
                return worker;
            }
            if (m_live < m_maxWorkers)
                break;
            m_freed.wait(&m_mutex);
        }
        // The place is held while the worker starts, outside the lock.
        ++m_live;
    }
    std::unique_ptr<Worker> worker = start(error);
    if (!worker) {
        QMutexLocker lock(&m_mutex);
        --m_live;
        m_freed.wakeOne();
    }
    return worker;
}

void XSLTWorkerPool::giveBack(std::unique_ptr<Worker> worker) {
    QMutexLocker lock(&m_mutex);
    if (m_live <= m_maxWorkers) {
        m_idle.push_back(std::move(worker));
    } else {
        worker->end(false);
        --m_live;
    }
    m_freed.wakeOne();
}

void XSLTWorkerPool::retire(std::unique_ptr<Worker> worker, bool killed) {
    worker->end(killed);
    QMutexLocker lock(&m_mutex);
    --m_live;
    if (killed)
        ++m_killed;
    m_freed.wakeOne();
}

std::optional<QString> XSLTWorkerPool::transform(const QByteArray& xslt, const PLXMLDocument& input,
                                                 const PLXSLTStylesheet::Limits& limits, QString* error) {
    const QList<Result> results =
        transform(xslt, {Input{Input::Kind::Document, input.toXMLData(), {}}}, limits);
    if (!results.first().html && error)
        *error = results.first().error;
    return results.first().html;
}

QList<XSLTWorkerPool::Result> XSLTWorkerPool::transform(const QByteArray& xslt, const QList<Input>& inputs,
                                                        const PLXSLTStylesheet::Limits& limits) {
    // The batch is shared among as many workers as may live, a few inputs each at least; the
    // calling thread runs the first share itself.
    const qsizetype shares = std::clamp<qsizetype>(
        (inputs.size() + kMinInputsPerWorker - 1) / kMinInputsPerWorker, 1, maxWorkers());
    if (shares == 1)
        return transformInTurn(xslt, inputs, limits);
    QList<Result> results(inputs.size());
    Result* const out = results.data();
    const qsizetype share = (inputs.size() + shares - 1) / shares;
    std::latch helped((inputs.size() - 1) / share);
    for (qsizetype from = share; from < inputs.size(); from += share)
        m_helpers.start([&, from] {
            const QList<Result> done = transformInTurn(xslt, inputs.mid(from, share), limits);
            std::move(done.begin(), done.end(), out + from);
            helped.count_down();
        });
    const QList<Result> first = transformInTurn(xslt, inputs.mid(0, share), limits);
    std::move(first.begin(), first.end(), out);
    helped.wait();
    return results;
}

QList<XSLTWorkerPool::Result> XSLTWorkerPool::transformInTurn(const QByteArray& xslt,
                                                              const QList<Input>& inputs,
                                                              const PLXSLTStylesheet::Limits& limits) {
    QList<Result> results(inputs.size());
    const qint64 bound = qMax(0, limits.timeMs) + graceMs(limits);
    qsizetype next = 0;
    while (next < inputs.size()) {
        // As many of the inputs left as one request carries.
        Request request{limits, xslt, {}};
        qint64 size = encodedSize(request);
        qsizetype end = next;
        while (end < inputs.size() && end - next < qsizetype(kMaxBatch) &&
               size + encodedSize(inputs.at(end)) <= kMaxFrameBytes)
            size += encodedSize(inputs.at(end++));
        request.inputs = inputs.mid(next, end - next);
        if (end == next) {
            results[next++] =
                Result{std::nullopt, QStringLiteral("stylesheet or input too large to transform")};
            continue;
        }
        QString failure;
        std::unique_ptr<Worker> worker = take(&failure);
        if (!worker) {
            for (; next < inputs.size(); ++next)
                results[next] = Result{std::nullopt, failure, false};
            break;
        }
        // Each input's time bound counts from its request on (sending it included), or from the
        // answer before it.
        qint64 deadline = nowMs() + bound;
        const QByteArray bytes = encode(request);
        bool timedOut = false;
        bool sent = writeFully(worker->fd, bytes.constData(), bytes.size(), deadline, &timedOut);
        for (; sent && next < end; ++next) {
            std::optional<Reply> reply = readReply(worker->fd, deadline, &timedOut);
            if (!reply)
                break;
            results[next] = reply->ok ? Result{reply->text, {}} : Result{std::nullopt, reply->text};
            deadline = nowMs() + bound;
        }
        if (next == end) {
            giveBack(std::move(worker));
            continue;
        }
        // The input being worked on is ended with its worker; the ones after it go to another.
        retire(std::move(worker), true);
        results[next++] = Result{
            std::nullopt, timedOut ? QStringLiteral("stopped after the time bound of %1 ms: its worker "
                                                    "was ended")
                                         .arg(limits.timeMs)
                                   : QStringLiteral("its transform worker ended without an answer")};
    }
    return results;
}

} // namespace pelnix
