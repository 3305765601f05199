// The player on the media stack itself, used for one source after another as a viewer uses it.
#include "HostileMedia.h"
#include "TestSandbox.h"
#include "platform/ui/MediaPlayer.h"
#include "platform/ui/QtMediaPlayerEngine.h"
#include "platform/ui/ThreadedMediaPlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

using Answers = QList<QList<QVariant>>;

// A WebM of `frames` tenths of a second in the sandbox; empty when GStreamer's tool cannot make it.
QString makeVideo(const test::TestSandbox& sandbox, const QString& name, int frames, const QString& pattern) {
    const QString path = sandbox.path(name);
    const bool made = test::runGst(
        QStringLiteral(
            "videotestsrc num-buffers=%1 pattern=%2 ! video/x-raw,width=160,height=120,framerate=10/1 "
            "! vp8enc ! webmmux ! filesink location=%3")
            .arg(frames)
            .arg(pattern, path)
            .split(QLatin1Char(' ')));
    return made ? path : QString();
}

// Bytes no demuxer takes for a container, under a video's name.
QString makeGarbage(const test::TestSandbox& sandbox) {
    const QString path = sandbox.path(QStringLiteral("garbage.webm"));
    QByteArray bytes(4096, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919 + 13) & 0xff);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

// The first `bytes` of `video` under `name`: a download cut short.
QString makeTruncated(const test::TestSandbox& sandbox, const QString& video, const QString& name,
                      qint64 bytes) {
    QFile whole(video);
    QFile cut(sandbox.path(name));
    if (!whole.open(QIODevice::ReadOnly) || !cut.open(QIODevice::WriteOnly))
        return {};
    return cut.write(whole.read(bytes)) == bytes ? cut.fileName() : QString();
}

// The media stack's engine, timed on the engine's thread: how long its latest load call took, and
// when it ended. The times are shared with the test, which an engine may outlive.
class TimedEngine : public QtMediaPlayerEngine {
public:
    struct Times {
        QElapsedTimer clock;
        std::atomic<qint64> loadMs{-1};
        std::atomic<qint64> endedAtMs{-1};
    };

    explicit TimedEngine(std::shared_ptr<Times> times) : m_times(std::move(times)) {
        connect(
            this, &QObject::destroyed, qApp, [times = m_times] { times->endedAtMs = times->clock.elapsed(); },
            Qt::DirectConnection);
    }
    void load(const QUrl& url) override {
        QElapsedTimer took;
        took.start();
        QtMediaPlayerEngine::load(url);
        m_times->loadMs = took.elapsed();
    }

private:
    std::shared_ptr<Times> m_times;
};

// A player on a timed engine, driven as a screen drives one: each answer is acted on as it comes, which
// the polling of QTRY would do later. `step` is called with the player and the answers so far; the
// loop ends when it returns false, or after 20 s.
void driveAsAScreen(const std::shared_ptr<TimedEngine::Times>& times,
                    const std::function<bool(ThreadedMediaPlayer*, const QStringList&)>& step) {
    QEventLoop loop;
    times->clock.start();
    auto* player = new ThreadedMediaPlayer([times] { return new TimedEngine(times); });
    player->videoView();
    auto heard = std::make_shared<QStringList>();
    const auto hear = [&, player, heard](const QString& answer) {
        *heard << answer;
        if (!step(player, *heard))
            loop.quit();
    };
    QObject::connect(player, &MediaPlayer::loaded, player,
                     [hear](bool ok) { hear(ok ? "loaded" : "failed"); });
    QObject::connect(player, &MediaPlayer::playbackStateChanged, player,
                     [hear](bool playing) { hear(playing ? "playing" : "paused"); });
    step(player, *heard);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
}

bool everPlayed(const QSignalSpy& playing, qsizetype from) {
    return std::any_of(playing.begin() + from, playing.end(),
                       [](const QList<QVariant>& told) { return told.first().toBool(); });
}

} // namespace

class TestQtMediaPlayerEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        m_video = makeVideo(m_sandbox, QStringLiteral("three.webm"), 30, QStringLiteral("red"));
        m_shortVideo = makeVideo(m_sandbox, QStringLiteral("one.webm"), 10, QStringLiteral("blue"));
        QVERIFY2(!m_video.isEmpty() && !m_shortVideo.isEmpty(),
                 "gst-launch-1.0 with vp8enc and webmmux is needed to make the test videos");
        m_garbage = makeGarbage(m_sandbox);
        QVERIFY(!m_garbage.isEmpty());
        m_truncated = makeTruncated(m_sandbox, m_video, QStringLiteral("cut.webm"), 100);
        QVERIFY(!m_truncated.isEmpty());
    }

    // A viewer plays what it loads at once: the player tells it plays only once the file has opened.
    void aFileThatFailsPlayedAtOnceNeverClaimsToPlay_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("not a container") << QStringLiteral("garbage");
        QTest::newRow("missing") << QStringLiteral("missing");
        QTest::newRow("cut after its header") << QStringLiteral("truncated");
    }
    void aFileThatFailsPlayedAtOnceNeverClaimsToPlay() {
        QFETCH(QString, file);
        const QString path = file == QLatin1String("garbage")   ? m_garbage
                             : file == QLatin1String("missing") ? m_sandbox.path(QStringLiteral("gone.webm"))
                                                                : m_truncated;
        std::unique_ptr<MediaPlayer> player(MediaPlayer::create());
        QSignalSpy loaded(player.get(), &MediaPlayer::loaded);
        QSignalSpy errors(player.get(), &MediaPlayer::errorOccurred);
        QSignalSpy playing(player.get(), &MediaPlayer::playbackStateChanged);
        bool claimed = false;
        connect(player.get(), &MediaPlayer::playbackStateChanged, this,
                [&] { claimed |= player->isPlaying(); });
        player->load(QUrl::fromLocalFile(path));
        player->play();
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, ThreadedMediaPlayer::kBoundMs + 2000);
        QCOMPARE(loaded, Answers{{false}});
        QVERIFY(!everPlayed(playing, 0));
        QVERIFY(!claimed);
        QVERIFY(!player->isPlaying());
    }

    void aGoodFilePlayedAtOnceTellsItPlaysThenItsEnd() {
        std::unique_ptr<MediaPlayer> player(MediaPlayer::create());
        QStringList told;
        connect(player.get(), &MediaPlayer::loaded, this,
                [&](bool ok) { told << (ok ? QStringLiteral("loaded") : QStringLiteral("failed")); });
        connect(player.get(), &MediaPlayer::playbackStateChanged, this, [&](bool playing) {
            told << (playing ? QStringLiteral("playing") : QStringLiteral("stopped"));
            QCOMPARE(player->isPlaying(), playing);
        });
        connect(player.get(), &MediaPlayer::finished, this, [&] { told << QStringLiteral("finished"); });
        player->load(QUrl::fromLocalFile(m_shortVideo));
        player->play();
        QTRY_VERIFY_WITH_TIMEOUT(told.contains(QStringLiteral("finished")), 10000);
        QCOMPARE(told.mid(0, 2), QStringList({"loaded", "playing"}));
        QVERIFY(!told.contains(QStringLiteral("failed")));
    }

    // The unreadable file fails again when it was told to play, after the valid one was set: that
    // failure is not the valid file's answer.
    void aValidFileAfterAnUnplayableOneToldToPlayPlays_data() {
        QTest::addColumn<int>("delayMs");
        for (const int delayMs : {10, 100, 300, 1000})
            QTest::addRow("%d ms after", delayMs) << delayMs;
    }
    void aValidFileAfterAnUnplayableOneToldToPlayPlays() {
        QFETCH(int, delayMs);
        std::unique_ptr<MediaPlayer> player(MediaPlayer::create());
        QSignalSpy loaded(player.get(), &MediaPlayer::loaded);
        QSignalSpy errors(player.get(), &MediaPlayer::errorOccurred);
        QSignalSpy playing(player.get(), &MediaPlayer::playbackStateChanged);
        player->load(QUrl::fromLocalFile(m_garbage));
        player->play();
        QTest::qWait(delayMs);
        const qsizetype answersBefore = loaded.size();
        const qsizetype errorsBefore = errors.size();
        const qsizetype playingBefore = playing.size();
        player->load(QUrl::fromLocalFile(m_video));
        player->play();
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), answersBefore + 1, 10000);
        QCOMPARE(loaded.mid(answersBefore), Answers{{true}});
        QTRY_VERIFY(everPlayed(playing, playingBefore));
        QVERIFY(player->isPlaying());
        QCOMPARE(errors.size(), errorsBefore);
    }

    void aSecondLoadAfterPlayingAnswersItsOwnDuration() {
        std::unique_ptr<MediaPlayer> player(MediaPlayer::create());
        player->load(QUrl::fromLocalFile(m_video));
        player->play();
        QTRY_VERIFY_WITH_TIMEOUT(player->position() > 200, 10000);
        QVERIFY(qAbs(player->duration() - 3000) <= 150);

        QList<qint64> told;
        qint64 atTheAnswer = -1;
        connect(player.get(), &MediaPlayer::durationChanged, this, [&](qint64 ms) { told << ms; });
        connect(player.get(), &MediaPlayer::loaded, this, [&] { atTheAnswer = player->duration(); });
        player->load(QUrl::fromLocalFile(m_shortVideo));
        QTRY_VERIFY_WITH_TIMEOUT(atTheAnswer >= 0, 10000);
        // Unknown yet, or its own; never the first file's.
        QVERIFY2(atTheAnswer == 0 || qAbs(atTheAnswer - 1000) <= 150,
                 qPrintable(QString::number(atTheAnswer)));
        QTRY_VERIFY(qAbs(player->duration() - 1000) <= 150);
        for (const qint64 ms : std::as_const(told))
            QVERIFY2(ms == 0 || qAbs(ms - 1000) <= 150, qPrintable(QString::number(ms)));
    }

    // Closing a player and loading anew on one each put its media stack down. The engine's thread also
    // hands the video's pictures over: a stop() first, which waits for the stack to settle, waited 300 ms
    // for a picture as the stack opened. Both are timed as the first picture comes.
    void aViewerClosedAsItShowsThePictureEndsAtOnce() {
        auto times = std::make_shared<TimedEngine::Times>();
        qint64 closedAtMs = -1;
        driveAsAScreen(times, [&](ThreadedMediaPlayer* player, const QStringList& heard) {
            if (heard.isEmpty())
                player->load(QUrl::fromLocalFile(m_video));
            else if (heard.last() == QLatin1String("loaded"))
                player->pause();
            else if (heard.last() == QLatin1String("paused") && closedAtMs < 0) {
                closedAtMs = times->clock.elapsed();
                player->deleteLater();
            }
            return closedAtMs < 0;
        });
        QVERIFY(closedAtMs >= 0);
        QTRY_VERIFY(times->endedAtMs >= 0);
        // A few milliseconds; the wait took 300.
        QVERIFY2(times->endedAtMs - closedAtMs < 150,
                 qPrintable(QString::number(times->endedAtMs - closedAtMs)));
    }

    void aLoadMadeAsThePictureComesBeginsAtOnce() {
        auto times = std::make_shared<TimedEngine::Times>();
        driveAsAScreen(times, [&](ThreadedMediaPlayer* player, const QStringList& heard) {
            if (heard.isEmpty())
                player->load(QUrl::fromLocalFile(m_video));
            else if (heard == QStringList{"loaded"})
                player->pause();
            else if (heard == QStringList({"loaded", "paused"}))
                player->load(QUrl::fromLocalFile(m_shortVideo));
            if (heard.count(QStringLiteral("loaded")) < 2)
                return true;
            player->deleteLater();
            return false;
        });
        QVERIFY2(times->loadMs >= 0 && times->loadMs < 150, qPrintable(QString::number(times->loadMs)));
        QTRY_VERIFY(times->endedAtMs >= 0);
    }

private:
    test::TestSandbox m_sandbox;
    QString m_video;
    QString m_shortVideo;
    QString m_garbage;
    QString m_truncated;
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestQtMediaPlayerEngine t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_qtmediaplayerengine.moc"
