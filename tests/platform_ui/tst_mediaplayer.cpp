#include "TestSandbox.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ThreadedMediaPlayer.h"
#include "platform/ui/VideoView.h"
#include "platform/ui/testing/FakeMediaPlayerEngine.h"

#include <QApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

using Engine = FakeMediaPlayerEngine;
using Answer = FakeMediaPlayerEngine::Answer;
using Answers = QList<QList<QVariant>>;

ThreadedMediaPlayer::EngineMaker makerFor(const std::shared_ptr<Engine::Script>& script) {
    return [script] { return new Engine(script); };
}

QUrl video(const QString& name) {
    return QUrl::fromLocalFile(QStringLiteral("/videos/") + name);
}

// Returns once the engine has run every call posted to it, and the player has heard what it said.
void settle(Engine* engine) {
    QVERIFY(engine);
    QVERIFY(QMetaObject::invokeMethod(
        engine, [] {}, Qt::BlockingQueuedConnection));
    QCoreApplication::processEvents();
}

// The player's bounds run on the scheduler's clock: tests move it by hand.
struct VirtualClock {
    VirtualClock() { Scheduler::shared()->setVirtualClock(true); }
    ~VirtualClock() { Scheduler::shared()->setVirtualClock(false); }
    static void advance(qint64 ms) { Scheduler::shared()->advance(ms); }
};

bool everPlayed(const QSignalSpy& playing) {
    return std::any_of(playing.begin(), playing.end(),
                       [](const QList<QVariant>& told) { return told.first().toBool(); });
}

const QString kGivenUp = QStringLiteral("the media engine did not answer in time; a new one takes over");

// This test program, run with this argument, ends with a player alive whose engine takes a moment to
// close (as the media stack does), and tells when it has closed.
constexpr char kEndWithAPlayer[] = "--end-with-a-player";

int endWithAPlayer(int argc, char** argv) {
    QApplication app(argc, argv);
    struct SlowToClose : Engine {
        using Engine::Engine;
        ~SlowToClose() override {
            QThread::msleep(300);
            std::puts("closed");
            std::fflush(stdout);
        }
    };
    new ThreadedMediaPlayer([] { return new SlowToClose(std::make_shared<Engine::Script>()); }, &app);
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}

} // namespace

class TestMediaPlayer : public QObject {
    Q_OBJECT
private slots:
    void theEngineHearsEachCallInOrderAndItsAnswersReachTheScreen() {
        auto script = std::make_shared<Engine::Script>();
        auto player = std::make_unique<ThreadedMediaPlayer>(makerFor(script));
        auto* view = qobject_cast<VideoView*>(player->videoView());
        QVERIFY(view);
        QSignalSpy loaded(player.get(), &MediaPlayer::loaded);
        QSignalSpy playing(player.get(), &MediaPlayer::playbackStateChanged);
        // What the player tells at each answer is already what the answer says.
        qint64 durationAtLoad = -1;
        connect(player.get(), &MediaPlayer::loaded, this, [&] { durationAtLoad = player->duration(); });
        player->load(video(QStringLiteral("clip.webm")));
        player->play();
        player->setPosition(-20);
        player->setPosition(1500);
        player->setRate(0);
        player->setRate(-1);
        player->setRate(1.5);
        QCOMPARE(player->rate(), 1.5);
        QTRY_COMPARE(player->position(), 1500);
        QCOMPARE(loaded, Answers{{true}});
        QCOMPARE(durationAtLoad, Engine::kDuration);
        QVERIFY(player->isPlaying());
        player->pause();
        player->stop();
        QTRY_COMPARE(playing.size(), 3);
        QVERIFY(!player->isPlaying());
        QTRY_COMPARE(view->currentFrame().size(), QSize(4, 2));
        QCOMPARE(script->recorded(), QStringList({"start", "video", "load clip.webm", "play", "position 0",
                                                  "position 1500", "rate 1.5", "pause", "stop"}));
        player.reset();
        QTRY_COMPARE(script->endedOffTheMainThread.load(), 1);
    }

    // A user flicking through a gallery's videos while the engine is busy with the first: the engine
    // hears the first and the last, and the screen hears only of the last.
    void loadsMadeWhileTheEngineIsBusyGiveWayToTheLast() {
        auto script = std::make_shared<Engine::Script>();
        script->answers.insert(QStringLiteral("first.webm"), Answer::Blocks);
        script->durations.insert(QStringLiteral("first.webm"), 1000);
        script->durations.insert(QStringLiteral("chosen.webm"), 7000);
        ThreadedMediaPlayer player(makerFor(script));
        QSignalSpy loaded(&player, &MediaPlayer::loaded);
        QSignalSpy durations(&player, &MediaPlayer::durationChanged);
        player.load(video(QStringLiteral("first.webm")));
        player.play();
        QTRY_VERIFY(script->blocked);
        for (int i = 0; i < 300; ++i) {
            player.load(video(QStringLiteral("flicked%1.webm").arg(i)));
            if (i == 150) {
                player.play();
                player.setPosition(100);
            }
        }
        player.load(video(QStringLiteral("chosen.webm")));
        player.play();
        player.setPosition(500);
        script->gate.release();
        QTRY_COMPARE(player.position(), 500);
        settle(script->engines.last());
        QCOMPARE(script->recorded(),
                 QStringList({"start", "load first.webm", "load chosen.webm", "play", "position 500"}));
        QVERIFY(player.isPlaying());
        QCOMPARE(loaded, Answers{{true}});
        QCOMPARE(durations, Answers{{qint64(7000)}});
        QCOMPARE(player.duration(), 7000);
    }

    void aLoadTheEngineNeverSettlesIsAnsweredWithinTheBound() {
        VirtualClock clock;
        auto script = std::make_shared<Engine::Script>();
        script->answers.insert(QStringLiteral("half.mp4"), Answer::NeverSettles);
        ThreadedMediaPlayer player(makerFor(script));
        QSignalSpy loaded(&player, &MediaPlayer::loaded);
        QSignalSpy errors(&player, &MediaPlayer::errorOccurred);
        player.load(video(QStringLiteral("half.mp4")));
        player.play();
        settle(script->engines.last());
        clock.advance(ThreadedMediaPlayer::kBoundMs - 1);
        QCOMPARE(loaded.size(), 0);
        clock.advance(1);
        QCOMPARE(errors.size(), 1);
        const auto error = errors.first().first().value<PLError>();
        QCOMPARE(error.domain, QString::fromLatin1(MediaPlayer::ErrorDomain));
        QCOMPARE(error.code, int(MediaPlayer::TimedOutError));
        QCOMPARE(loaded, Answers{{false}});
        QVERIFY(!player.isPlaying());
        // The engine stops the source it could not settle, and nothing plays it later.
        player.play();
        settle(script->engines.last());
        QVERIFY(!player.isPlaying());
        QCOMPARE(script->recorded(), QStringList({"start", "load half.mp4", "play", "stop"}));
        // The engine still serves the next load.
        player.load(video(QStringLiteral("whole.mp4")));
        QTRY_COMPARE(loaded.size(), 2);
        QCOMPARE(loaded.last(), QList<QVariant>{true});
        QCOMPARE(errors.size(), 1);
        QCOMPARE(script->made.load(), 1);
    }

    void aFailedLoadPlaysNothing_data() {
        QTest::addColumn<bool>("playAskedWithTheLoad");
        QTest::newRow("play asked after the answer") << false;
        QTest::newRow("play asked with the load") << true;
    }
    void aFailedLoadPlaysNothing() {
        QFETCH(bool, playAskedWithTheLoad);
        auto script = std::make_shared<Engine::Script>();
        script->answers.insert(QStringLiteral("garbage.webm"), Answer::Fails);
        ThreadedMediaPlayer player(makerFor(script));
        QSignalSpy loaded(&player, &MediaPlayer::loaded);
        QSignalSpy errors(&player, &MediaPlayer::errorOccurred);
        QSignalSpy playing(&player, &MediaPlayer::playbackStateChanged);
        player.load(video(QStringLiteral("garbage.webm")));
        if (playAskedWithTheLoad)
            player.play();
        QTRY_COMPARE(loaded, Answers{{false}});
        player.play();
        settle(script->engines.last());
        QVERIFY(!player.isPlaying());
        QVERIFY(!everPlayed(playing));
        QCOMPARE(errors.size(), 1);
    }

    // The engine says it plays as soon as it is asked, before its source has opened, and fails a source
    // it cannot open: the screen hears of playing only once the source has opened.
    void playAskedWithTheLoadIsToldOnceTheSourceOpens_data() {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("pausedFirst");
        QTest::addColumn<bool>("loadedAnew");
        QTest::addColumn<QStringList>("told");
        QTest::newRow("opens") << true << false << false << QStringList({"loaded true", "playing true"});
        QTest::newRow("paused before it opens")
            << true << true << false << QStringList({"playing false", "loaded true"});
        QTest::newRow("never opens") << false << false << false << QStringList({"error", "loaded false"});
        // The play belonged to the load the screen replaced on hearing it opened.
        QTest::newRow("loaded anew as it opens")
            << true << false << true << QStringList({"loaded true", "loaded true"});
    }
    void playAskedWithTheLoadIsToldOnceTheSourceOpens() {
        QFETCH(bool, opens);
        QFETCH(bool, pausedFirst);
        QFETCH(bool, loadedAnew);
        QFETCH(QStringList, told);
        VirtualClock clock;
        auto script = std::make_shared<Engine::Script>();
        script->answers.insert(QStringLiteral("slow.webm"), Answer::NeverSettles);
        ThreadedMediaPlayer player(makerFor(script));
        QStringList heard;
        connect(&player, &MediaPlayer::loaded, this, [&](bool ok) {
            heard << QStringLiteral("loaded ") + QVariant(ok).toString();
            if (loadedAnew && heard.size() == 1)
                player.load(video(QStringLiteral("next.webm")));
        });
        connect(&player, &MediaPlayer::playbackStateChanged, this, [&](bool playing) {
            QCOMPARE(player.isPlaying(), playing);
            heard << QStringLiteral("playing ") + QVariant(playing).toString();
        });
        connect(&player, &MediaPlayer::errorOccurred, this, [&] { heard << QStringLiteral("error"); });
        player.load(video(QStringLiteral("slow.webm")));
        player.play();
        if (pausedFirst)
            player.pause();
        Engine* engine = script->engines.last();
        settle(engine);
        QVERIFY(!player.isPlaying());
        if (opens)
            QVERIFY(QMetaObject::invokeMethod(
                engine, [engine] { engine->settle(); }, Qt::BlockingQueuedConnection));
        else
            clock.advance(ThreadedMediaPlayer::kBoundMs);
        settle(engine);
        QTRY_COMPARE(heard, told);
        settle(engine);
        QCOMPARE(heard, told);
        QCOMPARE(player.isPlaying(), opens && !pausedFirst && !loadedAnew);
    }

    // Given up a bound after the call it is stuck in, whatever it answered before; a load made later
    // has a new engine.
    void anEngineStuckInALoadIsGivenUpABoundAfterIt() {
        VirtualClock clock;
        auto script = std::make_shared<Engine::Script>();
        script->answers.insert(QStringLiteral("stuck.webm"), Answer::Blocks);
        script->durations.insert(QStringLiteral("after.webm"), 4000);
        ThreadedMediaPlayer player(makerFor(script));
        QSignalSpy loaded(&player, &MediaPlayer::loaded);
        QSignalSpy errors(&player, &MediaPlayer::errorOccurred);
        player.load(video(QStringLiteral("first.webm")));
        QTRY_COMPARE(loaded.size(), 1);
        clock.advance(3000);
        player.load(video(QStringLiteral("stuck.webm")));
        player.play();
        QTRY_VERIFY(script->blocked);
        const QPointer<QThread> stuckThread = script->engines.last()->thread();
        clock.advance(ThreadedMediaPlayer::kBoundMs - 1);
        QCOMPARE(errors.size(), 0);
        QTest::ignoreMessage(QtWarningMsg, qPrintable(kGivenUp));
        clock.advance(1);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.first().first().value<PLError>().code, int(MediaPlayer::TimedOutError));
        QCOMPARE(loaded, (Answers{{true}, {false}}));
        QVERIFY(!player.isPlaying());

        player.load(video(QStringLiteral("after.webm")));
        QTRY_COMPARE(loaded.size(), 3);
        QCOMPARE(loaded.last(), QList<QVariant>{true});
        QCOMPARE(player.duration(), 4000);
        QCOMPARE(script->made.load(), 2);
        // The stuck engine's late answer is heard by nobody, it runs nothing more, and it ends on its
        // own thread, which ends with it.
        QVERIFY(stuckThread && stuckThread->isRunning());
        script->gate.release();
        QTRY_COMPARE(script->endedOffTheMainThread.load(), 1);
        QTRY_VERIFY(!stuckThread);
        QCoreApplication::processEvents();
        QCOMPARE(loaded.size(), 3);
        QCOMPARE(errors.size(), 1);
        QVERIFY(script->openedInTime);
        QCOMPARE(script->recorded(),
                 QStringList({"start", "load first.webm", "load stuck.webm", "start", "load after.webm"}));
    }

    // The user chose another video while the engine was stuck on the one before: the chosen one
    // begins on a new engine, with the calls made for it, and only the stuck one is given up. Once:
    // stuck again there, it fails.
    void aLoadBehindAStuckEngineBeginsOnANewOne_data() {
        QTest::addColumn<qint64>("madeAfterMs");
        QTest::addColumn<bool>("stuckAgain");
        QTest::newRow("made at once") << qint64(0) << false;
        QTest::newRow("made just before the bound") << qint64(ThreadedMediaPlayer::kBoundMs - 1) << false;
        QTest::newRow("stuck on the new engine too") << qint64(0) << true;
    }
    void aLoadBehindAStuckEngineBeginsOnANewOne() {
        QFETCH(qint64, madeAfterMs);
        QFETCH(bool, stuckAgain);
        VirtualClock clock;
        auto script = std::make_shared<Engine::Script>();
        script->answers.insert(QStringLiteral("stuck.webm"), Answer::Blocks);
        script->answers.insert(QStringLiteral("chosen.webm"), stuckAgain ? Answer::Blocks : Answer::Loads);
        script->durations.insert(QStringLiteral("chosen.webm"), 6000);
        ThreadedMediaPlayer player(makerFor(script));
        QSignalSpy loaded(&player, &MediaPlayer::loaded);
        QSignalSpy errors(&player, &MediaPlayer::errorOccurred);
        player.setRate(1.5);
        player.load(video(QStringLiteral("stuck.webm")));
        player.play();
        QTRY_VERIFY(script->blocked);
        clock.advance(madeAfterMs);
        player.load(video(QStringLiteral("chosen.webm")));
        player.play();
        player.setPosition(700);
        clock.advance(ThreadedMediaPlayer::kBoundMs - madeAfterMs - 1);
        QCOMPARE(script->made.load(), 1);
        QTest::ignoreMessage(QtWarningMsg, qPrintable(kGivenUp));
        clock.advance(1);
        QCOMPARE(script->made.load(), 2);
        QCOMPARE(errors.size(), 0);
        if (stuckAgain) {
            QTRY_VERIFY(script->recorded().contains(QStringLiteral("load chosen.webm")));
            // The moved load has a bound of its own, from its move.
            clock.advance(ThreadedMediaPlayer::kBoundMs - 1);
            QCOMPARE(loaded.size(), 0);
            QTest::ignoreMessage(QtWarningMsg, qPrintable(kGivenUp));
            clock.advance(1);
            QCOMPARE(errors.size(), 1);
            QCOMPARE(errors.first().first().value<PLError>().code, int(MediaPlayer::TimedOutError));
            QCOMPARE(loaded, Answers{{false}});
            QCOMPARE(script->made.load(), 2);
            script->gate.release(2);
            QTRY_COMPARE(script->endedOffTheMainThread.load(), 2);
            return;
        }
        QTRY_COMPARE(player.position(), 700);
        QCOMPARE(loaded, Answers{{true}});
        QVERIFY(player.isPlaying());
        QCOMPARE(player.duration(), 6000);
        // What the stuck engine says when it comes back is heard by nobody.
        script->gate.release();
        QTRY_COMPARE(script->endedOffTheMainThread.load(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(loaded, Answers{{true}});
        QCOMPARE(errors.size(), 0);
        QVERIFY(player.isPlaying());
        QCOMPARE(script->recorded(), QStringList({"start", "rate 1.5", "load stuck.webm", "start", "rate 1.5",
                                                  "load chosen.webm", "play", "position 700"}));
    }

    void closingAPlayerWhoseEngineIsStuckReturnsAtOnce() {
        auto script = std::make_shared<Engine::Script>();
        script->answers.insert(QStringLiteral("stuck.webm"), Answer::Blocks);
        auto player = std::make_unique<ThreadedMediaPlayer>(makerFor(script));
        player->videoView()->show();
        QSignalSpy errors(player.get(), &MediaPlayer::errorOccurred);
        player->load(video(QStringLiteral("stuck.webm")));
        QTRY_VERIFY(script->blocked);
        player->stop();
        player.reset();
        script->gate.release();
        QTRY_COMPARE(script->endedOffTheMainThread.load(), 1);
        QVERIFY(script->openedInTime);
        QCOMPARE(errors.size(), 0);
    }

    void anApplicationEndsAfterItsPlayersEnginesHaveClosed() {
        QProcess program;
        program.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kEndWithAPlayer)});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(), QByteArray("closed\n"));
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    if (argc == 2 && qstrcmp(argv[1], kEndWithAPlayer) == 0)
        return endWithAPlayer(argc, argv);
    QApplication app(argc, argv);
    TestMediaPlayer t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_mediaplayer.moc"
