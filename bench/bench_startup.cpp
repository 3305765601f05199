// Start-up of a host with a large store: a child process opens a store of 1,000 rooms and 100,000
// messages (or the size given) through the facade's start-up and builds the rooms list's rows. It prints the
// time from its own process start to the rows in hand and its memory then: its own (RssAnon, which the memory
// target counts), apart from the pages of the files it maps (RssFile: the store's file, mapped whole,
// and the libraries), and its peak resident set so far (VmHWM, both together); the parent then prints
// the peak resident set of the child's whole life, exit included (wait4's ru_maxrss). Then, each in a
// fresh process as a host shows it after start-up: the rooms list screen from being made to its first
// painted frame, beside the plain rooms query (the rooms alone) in a fresh process of its own and, in the
// same process afterwards, the plain rooms query and the screen made again; and the core's rooms query
// with every row's values in a process of its own (the same work without a screen).
//
//   bench_startup [--rooms N] [--messages-per-room M]
//                             seeds a store of N rooms of M messages (1,000 of 100) in a temporary
//                             sandbox, then runs and reports the children
//   bench_startup --seed D    (child) seeds the sandbox root D
//   bench_startup --open D    (child) starts up on D and reports
//   bench_startup --screen D  (child) starts up on D, shows the rooms list and reports its first frame
//   bench_startup --query D   (child) starts up on D and reports the rooms query with the rows' values
//   bench_startup --plain D   (child) starts up on D and reports the plain rooms query
// The children take the sizes too (the parent passes them on). A short run (--short) seeds 50 rooms of
// 10 messages unless told otherwise and runs each child once.
#include "BenchRun.h"
#include "ProcessMemory.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/session/PelnixInfo.h"
#include "foundation/persistence/PLPersistence.h"

#include "interface/Pelnix.h"
#include "platform/Sandbox.h"

#include "platform/ui/NavigationController.h"
#include "platform/ui/Window.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <memory>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <utility>

extern char** environ;

using namespace pelnix;

namespace {

// The store's size: --rooms and --messages-per-room.
int g_rooms = bench::sized(1000, 50);
int g_messagesPerRoom = bench::sized(100, 10);
constexpr double kTargetMs = 300;
constexpr double kTargetMiB = 60; // of the process's own memory (RssAnon)
constexpr double kFirstFrameTargetMs = 50;

// Milliseconds since this process started, from the kernel's record of the start.
double msSinceProcessStart() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble(); // field 22 of the whole line
    const double upSeconds = uptime.readAll().split(' ').value(0).toDouble();
    return (upSeconds - startTicks / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

void signIn() {
    Pelnix::setUserEmailID(QStringLiteral("bench@acme.test"));
    Pelnix::setUserID(QStringLiteral("7"));
    Pelnix::setAuthenticationCode(QStringLiteral("token"));
}

int seed() {
    // Nothing listens there: the stream's attempts fail at once and do not disturb the measurement.
    Pelnix::setHostURL(QStringLiteral("http://127.0.0.1:9/"));
    signIn();
    qint64 date = 1'700'000'000'000;
    for (int r = 0; r < g_rooms; ++r) {
        auto room = ChatRoom::PS_createEntity();
        room->setRoomId(QStringLiteral("room-%1").arg(r));
        room->setName(QStringLiteral("Room %1").arg(r));
        room->setType(QStringLiteral("2"));
        for (int m = 0; m < g_messagesPerRoom; ++m) {
            auto message = Message::PS_createEntity();
            message->setMessageId(QStringLiteral("m-%1-%2").arg(r).arg(m));
            message->setText(QStringLiteral("Message %1 in room %2 of ordinary length.").arg(m).arg(r));
            message->setDate(date + qint64(m) * g_rooms + r);
            message->setUpdateCount(m % 10 == 0 ? 1 : 0);
            room->addMessagesObject(message);
            room->updateLatestMessage(message);
        }
    }
    PLPersistence::PS_defaultContext()->save();
    for (const auto& room : ChatRoom::PS_findAll())
        room->unreadMessagesCount();
    PLPersistence::PS_defaultContext()->save();
    // What a finished first start leaves: the downloads done, and the set-up state for the next process.
    const auto account = CurrentUserInfo::currentUserInfo();
    account->setStyleSheetsUpdated(true);
    account->setFormJSONsUpdated(true);
    account->setRoomsFetched(true);
    account->save();
    const auto info = PelnixInfo::sharedInstance();
    info->setSessionState(2);
    info->save();
    return ChatRoom::PS_countOfEntities() == g_rooms ? 0 : 1;
}

struct RoomRow {
    QString name;
    QString text;
    qint64 date = 0;
    qint64 unread = 0;
};

int open() {
    int exitCode = 1;
    Pelnix::initWithCompletionHandler([&exitCode](bool success, const PLOptionalError&, const QString&) {
        QList<RoomRow> rows;
        if (success) {
            for (const auto& room : ChatRoom::allChatRoomsWithLatestMessages()) {
                const auto latest = room->latestMessageSummary();
                rows.append({room->name(), latest ? latest->displayText : QString(),
                             latest ? latest->date : 0, room->unreadMessagesCount()});
            }
        }
        const double ms = msSinceProcessStart();
        const bench::OwnMemory memory = bench::OwnMemory::now();
        std::printf(
            "rows %lld, time from process start %.0f ms (target %.0f); own memory (RssAnon) %.1f MiB "
            "(target < %.0f MiB, counting RssAnon), mapped file pages (RssFile: the store, libraries) "
            "%.1f MiB, peak resident set so far (VmHWM) %.1f MiB\n",
            static_cast<long long>(rows.size()), ms, kTargetMs, bench::mib(memory.anonKb), kTargetMiB,
            bench::mib(memory.fileKb), bench::mib(bench::statusKb("VmHWM:")));
        std::fflush(stdout);
        exitCode = rows.size() == g_rooms ? 0 : 1;
        QCoreApplication::exit(exitCode);
    });
    QCoreApplication::exec();
    return exitCode;
}

// Paints of a widget, as they reach it.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The end of the window's first frame: the window paints first, its children after it within the
// same frame, so a call queued at its paint runs once the whole frame is painted and before the work
// a screen puts off until after that frame.
class PaintWatcher : public QObject {
public:
    explicit PaintWatcher(QElapsedTimer clock) : m_clock(clock) {}
    bool painted = false;
    double frameMs = 0;
    double frameCpuMs = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    frameMs = m_clock.nsecsElapsed() / 1e6;
                    frameCpuMs = threadCpuMs();
                    painted = true;
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    QElapsedTimer m_clock;
    bool m_seen = false;
};

// What a child after start-up measures: the rooms list to its first painted frame, the rooms query with
// the values of its rows alone, or the plain rooms query.
enum class Measured { Screen, Query, Plain };

// After start-up, the rooms list made and shown as a host does, to its first painted frame; or a query.
int firstFrame(Measured measured) {
    int exitCode = 1;
    Pelnix::initWithCompletionHandler([&exitCode, measured](bool success, const PLOptionalError&,
                                                            const QString&) {
        if (!success) {
            QCoreApplication::exit(1);
            return;
        }
        QElapsedTimer clock;
        clock.start();
        if (measured == Measured::Plain) {
            // The rooms are let go after the time is taken, as the screen's are.
            const auto rooms = ChatRoom::allChatRooms();
            std::printf("  the plain rooms query, fresh process: %.1f ms\n", clock.nsecsElapsed() / 1e6);
            exitCode = rooms.size() == g_rooms ? 0 : 1;
            QCoreApplication::exit(exitCode);
            return;
        }
        if (measured == Measured::Query) {
            QList<RoomRow> rows;
            for (const auto& room : ChatRoom::allChatRoomsWithLatestMessages()) {
                const auto latest = room->latestMessageSummary();
                rows.append({room->displayName(), latest ? latest->displayText : QString(),
                             latest ? latest->date : 0, room->unreadMessagesCount()});
            }
            std::printf("  rooms query with the rows' values, fresh process: %.1f ms\n",
                        clock.nsecsElapsed() / 1e6);
            exitCode = rows.size() == g_rooms ? 0 : 1;
            QCoreApplication::exit(exitCode);
            return;
        }
        // The screen made and shown, to its first painted frame: that frame's time and the main thread's
        // own share of it, and whether every room is listed.
        struct Frame {
            double ms = 0, cpuMs = 0;
            bool filled = false;
        };
        const auto showList = [] {
            QElapsedTimer frameClock;
            frameClock.start();
            const double cpuAtStart = threadCpuMs();
            auto* window = new platform::ui::Window;
            window->resize(320, 568);
            auto* list = new PLChatRoomsTableViewController;
            window->setRootViewController(new platform::ui::NavigationController(list));
            auto* watcher = new PaintWatcher(frameClock);
            window->installEventFilter(watcher);
            window->show();
            // Painted by the window system's next frame, as on a screen.
            while (!watcher->painted && frameClock.elapsed() < 10000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const Frame frame{watcher->frameMs, watcher->frameCpuMs - cpuAtStart,
                              watcher->painted && list->chatRooms().size() == g_rooms};
            delete window;
            watcher->deleteLater();
            PLPersistence::PS_defaultContext()->reset();
            return frame;
        };
        const Frame first = showList();
        // The plain rooms query (the rooms alone, no latest message) in the same process, from a
        // context that holds nothing, as the screen's read started; then the screen again, each on
        // the memory the one before let go (a fresh process's first read pays for new pages).
        double plainMs = 0;
        bool plainFilled = false;
        {
            QElapsedTimer plainClock;
            plainClock.start();
            const auto plainRooms = ChatRoom::allChatRooms();
            plainMs = plainClock.nsecsElapsed() / 1e6;
            plainFilled = plainRooms.size() == g_rooms;
        }
        PLPersistence::PS_defaultContext()->reset();
        const Frame again = showList();
        // The main thread's own time tells its work from waiting on a loaded machine.
        std::printf("  rooms list, fresh process: screen made to first painted frame %.1f ms (target < %.0f "
                    "ms), main thread busy %.1f ms of it; then in the same process the plain rooms query "
                    "%.1f ms and the screen again %.1f ms (%.2fx)\n",
                    first.ms, kFirstFrameTargetMs, first.cpuMs, plainMs, again.ms, again.ms / plainMs);
        exitCode = first.filled && again.filled && plainFilled ? 0 : 1;
        QCoreApplication::exit(exitCode);
    });
    QCoreApplication::exec();
    return exitCode;
}

// Runs this program with `mode` and `root` (output shared) and waits for it; `peakKiB` gets its
// peak resident memory over its whole life.
int runChild(const QString& mode, const QString& root, long* peakKiB = nullptr) {
    const QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
    QByteArray modeArg = mode.toLocal8Bit(), rootArg = root.toLocal8Bit();
    QByteArray roomsArg = QByteArray::number(g_rooms), perRoomArg = QByteArray::number(g_messagesPerRoom);
    char roomsFlag[] = "--rooms", perRoomFlag[] = "--messages-per-room";
    char* argv[] = {const_cast<char*>(program.constData()),
                    modeArg.data(),
                    rootArg.data(),
                    roomsFlag,
                    roomsArg.data(),
                    perRoomFlag,
                    perRoomArg.data(),
                    nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.constData(), nullptr, nullptr, argv, environ) != 0)
        return 1;
    int status = 0;
    rusage usage{};
    pid_t waited = -1;
    do
        waited = wait4(pid, &status, 0, &usage);
    while (waited < 0 && errno == EINTR);
    if (waited != pid)
        return 1;
    if (peakKiB)
        *peakKiB = usage.ru_maxrss; // KiB on Linux
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// Takes "--rooms N" and "--messages-per-room M" out of `args`; false for a size that is not a positive
// number.
bool takeSizes(QStringList& args) {
    const std::pair<const char*, int*> sizes[] = {{"--rooms", &g_rooms},
                                                  {"--messages-per-room", &g_messagesPerRoom}};
    for (const auto& [flag, size] : sizes) {
        const qsizetype at = args.indexOf(QLatin1String(flag));
        if (at < 0)
            continue;
        bool ok = false;
        *size = args.value(at + 1).toInt(&ok);
        if (!ok || *size <= 0)
            return false;
        args.remove(at, 2);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bench::takeShortArgument(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Only the child that shows a screen pays for widgets.
    const bool screen = argc >= 3 && qstrcmp(argv[1], "--screen") == 0;
    std::unique_ptr<QCoreApplication> app =
        screen ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QStringList args = app->arguments();
    if (!takeSizes(args)) {
        std::fprintf(stderr, "usage: bench_startup [--rooms N] [--messages-per-room M]\n");
        return 2;
    }
    if (args.size() == 3) {
        platform::Sandbox::setRoot(args.at(2));
        if (args.at(1) == QLatin1String("--seed"))
            return seed();
        if (args.at(1) == QLatin1String("--open"))
            return open();
        if (args.at(1) == QLatin1String("--screen"))
            return firstFrame(Measured::Screen);
        if (args.at(1) == QLatin1String("--query"))
            return firstFrame(Measured::Query);
        if (args.at(1) == QLatin1String("--plain"))
            return firstFrame(Measured::Plain);
        return 2;
    }
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: bench_startup [--rooms N] [--messages-per-room M]\n");
        return 2;
    }
    QTemporaryDir root;
    std::printf("seeding %d rooms and %lld messages...\n", g_rooms, qint64(g_rooms) * g_messagesPerRoom);
    std::fflush(stdout);
    // Each child's exit code tells whether it read every room.
    const auto failed = [](const char* mode) {
        std::fprintf(stderr, "the child %s failed\n", mode);
        return 1;
    };
    if (runChild(QStringLiteral("--seed"), root.path()) != 0)
        return failed("--seed");
    const int runs = bench::sized(3, 1);
    for (int run = 0; run < runs; ++run) {
        long peakKiB = 0;
        if (runChild(QStringLiteral("--open"), root.path(), &peakKiB) != 0)
            return failed("--open");
        std::printf("  whole process: peak resident set (own memory and mapped file pages) %.1f MiB\n",
                    bench::mib(peakKiB));
        std::fflush(stdout);
    }
    for (int run = 0; run < runs; ++run) {
        for (const char* mode : {"--plain", "--query", "--screen"})
            if (runChild(QLatin1String(mode), root.path()) != 0)
                return failed(mode);
        std::fflush(stdout);
    }
    return 0;
}
