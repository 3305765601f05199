// Reads a video's duration and first picture many times in a row, the way the library does, and
// tells whether the main thread ever stopped answering. Run on demand, best under load:
//   bench_mediastress <mode> <video> [count]
// Modes: thumbnailer (the media handler's thumbnails), probe (the screens' media probe), player (the
// viewer's player: load, show a frame, close). A main thread that makes no progress for 20 s is a
// freeze: the program writes where each thread stood to mediastress-freeze-<pid>.txt (through gdb,
// when there is one, unless MEDIASTRESS_BACKTRACE=0) and exits 3.
//   bench_mediastress --short
// makes a short video with GStreamer's tool and runs each mode for a few answers, each in a process of
// its own; it fails on a freeze, a crash or a missing picture, and exits 77 (skipped) without the tool.
#include "BenchRun.h"
#include "HostileMedia.h"
#include "media/PLVideoThumbnailer.h"
#include "platform/ui/MediaPlayer.h"
#include "platform/ui/MediaProbe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <cstdio>
#include <thread>
#include <unistd.h>

using namespace pelnix;

namespace {

std::atomic<int> g_progress{0};

void watchMainThread(const char* mode) {
    std::thread([mode] {
        int last = -1;
        int stillFor = 0;
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const int now = g_progress.load();
            stillFor = now == last ? stillFor + 1 : 0;
            last = now;
            if (stillFor < 200)
                continue;
            std::fprintf(stdout, "FREEZE mode=%s after %d answers\n", mode, now);
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

struct Tally {
    int pictures = 0;
    int missing = 0;
};

constexpr int kSkipped = 77;

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
    for (const char* mode : {"thumbnailer", "probe", "player"}) {
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QLatin1String(mode), video, QStringLiteral("5")});
        const bool ended = child.waitForFinished(120000);
        const QByteArray out = child.readAllStandardOutput();
        std::fputs(out.constData(), stdout);
        const bool ok = ended && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                        out.contains(" answers=5 ") && out.contains(" missing=0 ");
        if (!ok) {
            std::fprintf(stderr, "failed: mode %s (%s)\n", mode,
                         !ended                                       ? "no end within 120 s"
                         : child.exitStatus() != QProcess::NormalExit ? "crashed"
                         : child.exitCode() == 3                      ? "froze"
                         : child.exitCode() != 0                      ? "exit code not 0"
                                                                      : "an answer without a picture");
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
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
    watchMainThread(argv[1]);
    Tally tally;
    QElapsedTimer clock;
    clock.start();

    std::function<void()> next;
    auto answered = [&](bool picture) {
        (picture ? tally.pictures : tally.missing)++;
        if (++g_progress >= count) {
            app.quit();
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
            auto* player = platform::ui::MediaPlayer::create(&app);
            player->videoView();
            auto done = std::make_shared<bool>(false);
            auto finish = [&, player, done](bool ok) {
                if (std::exchange(*done, true))
                    return;
                player->deleteLater();
                answered(ok);
            };
            QObject::connect(player, &platform::ui::MediaPlayer::loaded, player, [player, finish](bool ok) {
                if (!ok)
                    finish(false);
                else
                    player->pause();
            });
            QObject::connect(player, &platform::ui::MediaPlayer::playbackStateChanged, player,
                             [finish](bool) { finish(true); });
            QObject::connect(player, &platform::ui::MediaPlayer::errorOccurred, player,
                             [finish](const PLError&) { finish(false); });
            player->load(QUrl::fromLocalFile(video));
        }
    };
    QTimer::singleShot(0, &app, next);
    app.exec();
    std::fprintf(stdout, "mode=%s answers=%d pictures=%d missing=%d in %lld ms\n", qPrintable(mode),
                 g_progress.load(), tally.pictures, tally.missing, clock.elapsed());
    return 0;
}
