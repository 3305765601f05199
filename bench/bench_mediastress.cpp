// Reads a video's duration and first picture many times in a row, the way the library does, and
// tells whether the main thread ever stopped answering. Run on demand, best under load:
//   bench_mediastress <mode> <video> [count]
// Modes: thumbnailer (the media handler's thumbnails), probe (the screens' media probe), player (the
// viewer's player: load, show a frame, close). A main thread that makes no progress for 20 s is a
// freeze: the program writes where each thread stood to mediastress-freeze-<pid>.txt (through gdb,
// when there is one, unless MEDIASTRESS_BACKTRACE=0) and exits 3.
//
// The player mode, given more than a few loads, also tells the process's threads, open descriptors and
// resident memory after the first few loads and after the last, each once what the closed players left has
// ended, and the most threads seen while loading. Then players whose engine is stuck in its load are given up
// at their bound, their stuck calls return, and the same figures are told again. Growth past a small
// allowance is a failed check ("check failed: ..."; failed=<n> in the summary) and the run goes on. An engine
// the player gave up on its own during the loads (the media stack can deadlock in a load) keeps what
// it holds for as long as it is stuck: the growth over the loads is then told, not checked.
//   bench_mediastress --short
// makes a short video with GStreamer's tool and runs each mode for a few answers, each in a process of
// its own; it fails on a freeze, a crash, a missing picture or a failed check, and exits 77 (skipped)
// without the tool.
#include "BenchRun.h"
#include "HostileMedia.h"
#include "ProcessMemory.h"
#include "media/PLVideoThumbnailer.h"
#include "platform/ui/MediaPlayer.h"
#include "platform/ui/MediaProbe.h"
#include "platform/ui/QtMediaPlayerEngine.h"
#include "platform/ui/ThreadedMediaPlayer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSemaphore>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <unistd.h>

using namespace pelnix;
using platform::ui::MediaPlayer;

namespace {

// Answers had, and the main thread's other steps: the watch below takes either for progress.
std::atomic<int> g_progress{0};
std::atomic<int> g_steps{0};
std::atomic<int> g_mostThreads{0};
// Engines the players gave up, as their warnings tell.
std::atomic<int> g_givenUp{0};

// The process's threads: the number on the status line, read as its sizes are.
int threadCount() {
    return int(bench::statusKb("Threads:"));
}

// The process's threads, open descriptors and resident memory.
struct Resources {
    int threads = 0;
    int fds = 0;
    long rssKb = 0;

    static Resources now() {
        Resources resources;
        resources.threads = threadCount();
        resources.rssKb = bench::residentKb();
        resources.fds =
            int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size());
        return resources;
    }

    QString text() const {
        return QStringLiteral("threads=%1 fds=%2 rss=%3 MiB")
            .arg(threads)
            .arg(fds)
            .arg(rssKb / 1024.0, 0, 'f', 1);
    }
};

void watchMainThread(const char* mode) {
    std::thread([mode] {
        int last = -1;
        int stillFor = 0;
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            g_mostThreads = std::max(g_mostThreads.load(), threadCount());
            const int now = g_progress.load() + g_steps.load();
            stillFor = now == last ? stillFor + 1 : 0;
            last = now;
            if (stillFor < 200)
                continue;
            std::fprintf(stdout, "FREEZE mode=%s after %d answers\n", mode, g_progress.load());
            std::fflush(stdout);
            const QString gdb = QStandardPaths::findExecutable(QStringLiteral("gdb"));
            if (!gdb.isEmpty() && qEnvironmentVariable("MEDIASTRESS_BACKTRACE") != QLatin1String("0")) {
                const QString pid = QString::number(getpid());
                std::system(qPrintable(QStringLiteral("%1 -q -batch -p %2 -ex 'thread apply all bt' > "
                                                      "mediastress-freeze-%2.txt 2>&1")
                                           .arg(gdb, pid)));
            }
            _exit(3);
        }
    }).detach();
}

// Counts the players' warnings: each tells of an engine given up.
void countGivenUpEngines() {
    static QtMessageHandler shown = nullptr;
    shown =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (type == QtWarningMsg && context.category &&
                std::strcmp(context.category, "pelnix.ui.mediaplayer") == 0)
                ++g_givenUp;
            if (shown)
                shown(type, context, text);
        });
}

struct Tally {
    int pictures = 0;
    int missing = 0;
    int failedChecks = 0;
};

// What a process may grow by over any number of loads: a thread or descriptor some library opens at
// its first need, and the allocator's slack.
constexpr int kThreadsAllowance = 2;
constexpr int kFdsAllowance = 2;
constexpr long kRssAllowanceKb = 24 * 1024;

// Calls `then` with the process's resources once its threads and descriptors have held still for a
// second (closed players end in the background), or after ten seconds.
void whenSettled(QObject* context, std::function<void(const Resources&)> then) {
    auto last = std::make_shared<Resources>(Resources::now());
    auto still = std::make_shared<QElapsedTimer>();
    auto total = std::make_shared<QElapsedTimer>();
    still->start();
    total->start();
    auto look = std::make_shared<std::function<void()>>();
    *look = [context, last, still, total, look, then = std::move(then)] {
        ++g_steps;
        const Resources seen = Resources::now();
        if (seen.threads != last->threads || seen.fds != last->fds) {
            *last = seen;
            still->restart();
        }
        if (still->elapsed() < 1000 && total->elapsed() < 10000) {
            QTimer::singleShot(50, context, *look);
            return;
        }
        const auto done = then;
        *look = nullptr;
        done(seen);
    };
    QTimer::singleShot(50, context, *look);
}

// A failed check for each resource `after` holds beyond `before` and its allowance.
void checkFlat(Tally& tally, const QString& when, const Resources& before, const Resources& after) {
    const auto check = [&](bool ok, const char* what, const QString& from, const QString& to) {
        if (ok)
            return;
        ++tally.failedChecks;
        std::fprintf(stdout, "check failed: %s grew from %s to %s %s\n", what, qPrintable(from),
                     qPrintable(to), qPrintable(when));
    };
    check(after.threads - before.threads <= kThreadsAllowance, "threads", QString::number(before.threads),
          QString::number(after.threads));
    check(after.fds - before.fds <= kFdsAllowance, "open descriptors", QString::number(before.fds),
          QString::number(after.fds));
    check(after.rssKb - before.rssKb <= kRssAllowanceKb, "resident memory",
          QStringLiteral("%1 MiB").arg(before.rssKb / 1024.0, 0, 'f', 1),
          QStringLiteral("%1 MiB").arg(after.rssKb / 1024.0, 0, 'f', 1));
}

// The media stack's engine, caught after it set its source as in a deadlock of the stack, until let go.
class StuckEngine : public platform::ui::QtMediaPlayerEngine {
public:
    explicit StuckEngine(std::shared_ptr<QSemaphore> gate) : m_gate(std::move(gate)) {}
    void load(const QUrl& url) override {
        QtMediaPlayerEngine::load(url);
        m_gate->acquire();
    }

private:
    std::shared_ptr<QSemaphore> m_gate;
};

// Players given a stuck engine take this bound: giving up is the same at any bound.
constexpr int kStuckBoundMs = 300;
constexpr int kStuckPlayers = 3;

// One player after another whose engine is stuck in its load: each is given up at the bound, its
// engine let go, and the player closed. `done` hears how many timed out.
void abandonStuckEngines(QObject* context, const QUrl& video, int left, int timedOut,
                         const std::function<void(int)>& done) {
    if (left == 0) {
        done(timedOut);
        return;
    }
    auto gate = std::make_shared<QSemaphore>();
    auto* player = new platform::ui::ThreadedMediaPlayer([gate] { return new StuckEngine(gate); }, context,
                                                         kStuckBoundMs);
    player->videoView();
    auto ended = std::make_shared<bool>(false);
    const auto end = [=](bool timedOutNow) {
        if (std::exchange(*ended, true))
            return;
        ++g_steps;
        gate->release();
        player->deleteLater();
        QTimer::singleShot(0, context, [=] {
            abandonStuckEngines(context, video, left - 1, timedOut + (timedOutNow ? 1 : 0), done);
        });
    };
    QObject::connect(player, &MediaPlayer::errorOccurred, player,
                     [end](const PLError& error) { end(error.code == MediaPlayer::TimedOutError); });
    QObject::connect(player, &MediaPlayer::loaded, player, [end](bool ok) {
        if (ok)
            end(false);
    });
    player->load(video);
}

constexpr int kSkipped = 77;
// Loads before the first measure: by then the media stack has made what it keeps for the process.
constexpr int kFirstLoads = 5;

// The short run: each mode for a few answers on a video made here, in a child process of its own.
int runEachModeBriefly() {
    if (QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).isEmpty()) {
        std::printf("skipped: gst-launch-1.0 is not installed (gstreamer1.0-tools), no video to read\n");
        return kSkipped;
    }
    QTemporaryDir folder;
    const QString video = test::ordinaryVideo(folder.path(), QSize(320, 240));
    if (video.isEmpty()) {
        std::fprintf(stderr, "gst-launch-1.0 could not make the video\n");
        return 1;
    }
    // The children run in full, not short again.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("PELNIX_BENCH_SHORT"));
    int failures = 0;
    // The player loads enough to tell growth from its first loads.
    for (const auto& [mode, count] :
         {std::pair{"thumbnailer", 5}, {"probe", 5}, {"player", 4 * kFirstLoads}}) {
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QLatin1String(mode), video, QString::number(count)});
        const bool ended = child.waitForFinished(120000);
        const QByteArray out = child.readAllStandardOutput();
        std::fputs(out.constData(), stdout);
        const bool answered = out.contains(QStringLiteral(" answers=%1 ").arg(count).toLatin1());
        const bool pictures = out.contains(" missing=0 ");
        const bool ok = ended && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                        answered && pictures && out.contains(" failed=0 ");
        if (!ok) {
            std::fprintf(stderr, "failed: mode %s (%s)\n", mode,
                         !ended                                       ? "no end within 120 s"
                         : child.exitStatus() != QProcess::NormalExit ? "crashed"
                         : child.exitCode() == 3                      ? "froze"
                         : child.exitCode() != 0                      ? "exit code not 0"
                         : !answered || !pictures                     ? "an answer without a picture"
                                                                      : "a check failed");
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

// The player mode's measures, from the first few loads to the stuck engines.
struct PlayerMeasures {
    Resources first;
    Resources last;
};

void measureStuckEngines(QApplication& app, const QString& video, const PlayerMeasures& measures,
                         Tally& tally) {
    abandonStuckEngines(&app, QUrl::fromLocalFile(video), kStuckPlayers, 0, [&](int timedOut) {
        whenSettled(&app, [&, timedOut](const Resources& after) {
            std::fprintf(stdout,
                         "%d engines stuck in a load and given up: before %s, once their calls returned %s\n",
                         kStuckPlayers, qPrintable(measures.last.text()), qPrintable(after.text()));
            if (timedOut != kStuckPlayers) {
                ++tally.failedChecks;
                std::fprintf(stdout, "check failed: %d of %d stuck engines timed out\n", timedOut,
                             kStuckPlayers);
            }
            checkFlat(tally, QStringLiteral("by engines given up once their calls returned"), measures.last,
                      after);
            app.quit();
        });
    });
}

void measureLoads(QApplication& app, const QString& video, int count, PlayerMeasures& measures,
                  Tally& tally) {
    whenSettled(&app, [&, count](const Resources& seen) {
        measures.last = seen;
        const int givenUp = g_givenUp;
        std::fprintf(stdout, "after %d loads: %s; after %d loads: %s; most threads while loading: %d\n",
                     kFirstLoads, qPrintable(measures.first.text()), count, qPrintable(measures.last.text()),
                     g_mostThreads.load());
        if (givenUp > 0)
            std::fprintf(stdout, "%d engines given up while loading: growth told, not checked\n", givenUp);
        else
            checkFlat(tally, QStringLiteral("from load %1 to load %2").arg(kFirstLoads).arg(count),
                      measures.first, measures.last);
        measureStuckEngines(app, video, measures, tally);
    });
}

} // namespace

int main(int argc, char** argv) {
    bench::takeShortArgument(argc, argv);
    QApplication app(argc, argv);
    if (bench::shortRun())
        return runEachModeBriefly();
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s thumbnailer|probe|player <video> [count]\n", argv[0]);
        return 2;
    }
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString video = QString::fromLocal8Bit(argv[2]);
    const int count = argc > 3 ? atoi(argv[3]) : 600;
    const bool playerMode = mode == QLatin1String("player");
    watchMainThread(argv[1]);
    countGivenUpEngines();
    Tally tally;
    PlayerMeasures measures;
    QElapsedTimer clock;
    clock.start();
    qint64 loadingMs = 0;

    std::function<void()> next;
    auto answered = [&](bool picture) {
        (picture ? tally.pictures : tally.missing)++;
        const int answers = ++g_progress;
        if (answers >= count) {
            loadingMs = clock.elapsed();
            // Runs of a few loads, as the script makes with one answer a run, measure nothing.
            if (playerMode && count > kFirstLoads)
                measureLoads(app, video, count, measures, tally);
            else
                app.quit();
            return;
        }
        if (playerMode && answers == kFirstLoads) {
            whenSettled(&app, [&](const Resources& seen) {
                measures.first = seen;
                QTimer::singleShot(0, &app, next);
            });
            return;
        }
        QTimer::singleShot(0, &app, next);
    };
    next = [&] {
        if (mode == QLatin1String("thumbnailer")) {
            PLVideoThumbnailer::thumbnailAndDuration(
                video, [&](const QImage& picture, qint64) { answered(!picture.isNull()); });
        } else if (mode == QLatin1String("probe")) {
            platform::ui::MediaProbe::probe(
                QUrl::fromLocalFile(video), &app,
                [&](const platform::ui::MediaInfo& info) { answered(!info.thumbnail.isNull()); });
        } else {
            auto* player = MediaPlayer::create(&app);
            player->videoView();
            auto done = std::make_shared<bool>(false);
            auto finish = [&, player, done](bool ok) {
                if (std::exchange(*done, true))
                    return;
                player->deleteLater();
                answered(ok);
            };
            QObject::connect(player, &MediaPlayer::loaded, player, [player, finish](bool ok) {
                if (!ok)
                    finish(false);
                else
                    player->pause();
            });
            QObject::connect(player, &MediaPlayer::playbackStateChanged, player,
                             [finish](bool) { finish(true); });
            QObject::connect(player, &MediaPlayer::errorOccurred, player,
                             [finish](const PLError&) { finish(false); });
            player->load(QUrl::fromLocalFile(video));
        }
    };
    QTimer::singleShot(0, &app, next);
    app.exec();
    std::fprintf(stdout, "mode=%s answers=%d pictures=%d missing=%d failed=%d in %lld ms\n", qPrintable(mode),
                 g_progress.load(), tally.pictures, tally.missing, tally.failedChecks,
                 loadingMs ? loadingMs : clock.elapsed());
    return 0;
}
