#include "TestSandbox.h"
#include "platform/ui/MediaPlayerEngine.h"
#include "platform/ui/ThreadedMediaPlayer.h"
#include "platform/ui/VideoView.h"

#include <QApplication>
#include <QMutex>
#include <QProcess>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QVideoFrameFormat>

#include <atomic>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

// What the engines of one test did, shared with engines that may outlive the test's player.
struct EngineLog {
    QMutex mutex;
    QStringList calls;
    // The first engine made stops in its load until the gate opens, as the media stack did.
    bool firstBlocks = false;
    QSemaphore gate;
    std::atomic<bool> blocked{false};
    std::atomic<bool> openedInTime{true};
    std::atomic<int> made{0};
    std::atomic<int> endedOffTheMainThread{0};

    void record(const QString& call) {
        QMutexLocker locker(&mutex);
        calls << call;
    }
    QStringList recorded() {
        QMutexLocker locker(&mutex);
        return calls;
    }
};

// Answers every call at once, except a blocking engine's load.
class ScriptedEngine : public MediaPlayerEngine {
public:
    static constexpr qint64 kDuration = 3000;

    ScriptedEngine(std::shared_ptr<EngineLog> log, bool blocks) : m_log(std::move(log)), m_blocks(blocks) {}
    ~ScriptedEngine() override {
        if (QThread::currentThread() != qApp->thread())
            ++m_log->endedOffTheMainThread;
    }

    void start() override { m_log->record(QStringLiteral("start")); }
    void load(const QUrl& url) override {
        m_log->record(QStringLiteral("load ") + url.fileName());
        if (m_blocks) {
            m_log->blocked = true;
            // Long past any bound: an engine still here then was waited for by nobody but the caller.
            m_log->openedInTime = m_log->gate.tryAcquire(1, 20000);
        }
        emit durationChanged(kDuration);
        emit loaded(true, kDuration);
    }
    void play() override { turn(QStringLiteral("play"), true); }
    void pause() override { turn(QStringLiteral("pause"), false); }
    void stop() override { turn(QStringLiteral("stop"), false); }
    void setPosition(qint64 ms) override {
        m_log->record(QStringLiteral("position %1").arg(ms));
        emit positionChanged(ms);
    }
    void setRate(qreal rate) override { m_log->record(QStringLiteral("rate %1").arg(rate)); }
    void showVideo() override {
        m_log->record(QStringLiteral("video"));
        emit frameChanged(QVideoFrame(QVideoFrameFormat(QSize(4, 2), QVideoFrameFormat::Format_BGRA8888)));
    }

private:
    void turn(const QString& call, bool playing) {
        m_log->record(call);
        emit playbackStateChanged(playing);
    }

    std::shared_ptr<EngineLog> m_log;
    bool m_blocks;
};

ThreadedMediaPlayer::EngineMaker makerFor(const std::shared_ptr<EngineLog>& log) {
    return [log] { return new ScriptedEngine(log, log->made++ == 0 && log->firstBlocks); };
}

const QUrl kVideo = QUrl::fromLocalFile(QStringLiteral("/videos/clip.webm"));

// This test program, run with this argument, ends with a player alive whose engine takes a moment to
// close (as the media stack does), and tells when it has closed.
constexpr char kEndWithAPlayer[] = "--end-with-a-player";

int endWithAPlayer(int argc, char** argv) {
    QApplication app(argc, argv);
    struct SlowToClose : ScriptedEngine {
        using ScriptedEngine::ScriptedEngine;
        ~SlowToClose() override {
            QThread::msleep(300);
            std::puts("closed");
            std::fflush(stdout);
        }
    };
    new ThreadedMediaPlayer([] { return new SlowToClose(std::make_shared<EngineLog>(), false); }, &app);
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}

} // namespace

class TestMediaPlayer : public QObject {
    Q_OBJECT
private slots:
    void theEngineHearsEachCallInOrderAndItsAnswersReachTheScreen() {
        auto log = std::make_shared<EngineLog>();
        auto player = std::make_unique<ThreadedMediaPlayer>(makerFor(log));
        auto* view = qobject_cast<VideoView*>(player->videoView());
        QVERIFY(view);
        QSignalSpy loaded(player.get(), &MediaPlayer::loaded);
        QSignalSpy playing(player.get(), &MediaPlayer::playbackStateChanged);
        // What the player tells at each answer is already what the answer says.
        qint64 durationAtLoad = -1;
        connect(player.get(), &MediaPlayer::loaded, this, [&] { durationAtLoad = player->duration(); });
        player->load(kVideo);
        player->play();
        player->setPosition(-20);
        player->setPosition(1500);
        player->setRate(0);
        player->setRate(-1);
        player->setRate(1.5);
        QCOMPARE(player->rate(), 1.5);
        QTRY_COMPARE(player->position(), 1500);
        QCOMPARE(loaded, QList<QList<QVariant>>{{true}});
        QCOMPARE(durationAtLoad, ScriptedEngine::kDuration);
        QVERIFY(player->isPlaying());
        player->pause();
        player->stop();
        QTRY_COMPARE(playing.size(), 3);
        QVERIFY(!player->isPlaying());
        QTRY_COMPARE(view->currentFrame().size(), QSize(4, 2));
        QCOMPARE(log->recorded(), QStringList({"start", "video", "load clip.webm", "play", "position 0",
                                               "position 1500", "rate 1.5", "pause", "stop"}));
        player.reset();
        QTRY_COMPARE(log->endedOffTheMainThread.load(), 1);
    }

    void anEngineStuckInALoadCostsTheCallerNothing() {
        auto log = std::make_shared<EngineLog>();
        log->firstBlocks = true;
        ThreadedMediaPlayer player(makerFor(log), nullptr, 100);
        QSignalSpy loaded(&player, &MediaPlayer::loaded);
        QSignalSpy errors(&player, &MediaPlayer::errorOccurred);
        QTest::ignoreMessage(QtWarningMsg,
                             "the media engine did not answer in time; a new one serves the next load");
        player.load(kVideo);
        player.play();
        QTRY_VERIFY(log->blocked);
        // Given up after the bound: the screen hears that the load failed, and the player is stopped.
        QTRY_COMPARE(errors.size(), 1);
        const auto error = errors.first().first().value<PLError>();
        QCOMPARE(error.domain, QString::fromLatin1(MediaPlayer::ErrorDomain));
        QCOMPARE(error.code, int(MediaPlayer::TimedOutError));
        QCOMPARE(loaded, QList<QList<QVariant>>{{false}});
        QVERIFY(!player.isPlaying());
        // The stuck engine's late answer is heard by nobody; it ends on its own thread.
        log->gate.release();
        QTRY_COMPARE(log->endedOffTheMainThread.load(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(errors.size(), 1);
        QVERIFY(log->openedInTime);
        // The next load has a new engine.
        player.load(kVideo);
        QTRY_COMPARE(loaded.size(), 2);
        QCOMPARE(loaded.last().first().toBool(), true);
        QCOMPARE(player.duration(), ScriptedEngine::kDuration);
        QCOMPARE(log->made.load(), 2);
    }

    void closingAPlayerWhoseEngineIsStuckReturnsAtOnce() {
        auto log = std::make_shared<EngineLog>();
        log->firstBlocks = true;
        auto player = std::make_unique<ThreadedMediaPlayer>(makerFor(log));
        player->videoView()->show();
        QSignalSpy errors(player.get(), &MediaPlayer::errorOccurred);
        player->load(kVideo);
        QTRY_VERIFY(log->blocked);
        player->stop();
        player.reset();
        log->gate.release();
        QTRY_COMPARE(log->endedOffTheMainThread.load(), 1);
        QVERIFY(log->openedInTime);
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
