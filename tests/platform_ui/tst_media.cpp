#include "HostileMedia.h"
#include "TestSandbox.h"
#include "platform/ui/MediaPlayer.h"
#include "platform/ui/MediaProbe.h"
#include "platform/ui/SystemSounds.h"
#include "platform/ui/ThreadedMediaPlayer.h"
#include "platform/ui/VideoView.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

// A mono 16-bit PCM WAV of a quiet tone.
void writeWav(const QString& path, int milliseconds) {
    const int rate = 8000;
    const int samples = rate * milliseconds / 1000;
    QByteArray data(samples * 2, Qt::Uninitialized);
    for (int i = 0; i < samples; ++i)
        qToLittleEndian<qint16>(qint16((i / 8) % 2 ? 2000 : -2000), data.data() + i * 2);
    QByteArray wav("RIFF");
    auto put32 = [&wav](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        wav.append(b, 4);
    };
    auto put16 = [&wav](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        wav.append(b, 2);
    };
    put32(36 + data.size());
    wav += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(1);
    put32(rate);
    put32(rate * 2);
    put16(2);
    put16(16);
    wav += "data";
    put32(data.size());
    wav += data;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(wav);
}

// Runs GStreamer's command-line tool on `pipeline` into the sandbox's file `name`; empty when it cannot.
QString encode(const test::TestSandbox& sandbox, const QString& name, const QString& pipeline) {
    const QString path = sandbox.path(name);
    const QStringList sink{QStringLiteral("!"), QStringLiteral("filesink"),
                           QStringLiteral("location=") + path};
    return test::runGst(pipeline.split(QLatin1Char(' ')) + sink) ? path : QString();
}

// A three-second red WebM.
QString makeRedVideo(const test::TestSandbox& sandbox) {
    return encode(sandbox, QStringLiteral("red.webm"),
                  QStringLiteral("videotestsrc num-buffers=30 pattern=red ! "
                                 "video/x-raw,width=160,height=120,framerate=10/1 ! vp8enc ! webmmux"));
}

// A short MP4 written as a recorder writes it, its index after the media data ("whole.mp4"),
// and its first half as a download that stopped there, with no index ("cut.mp4"; returned).
QString makeCutMp4(const test::TestSandbox& sandbox) {
    const QString whole = encode(sandbox, QStringLiteral("whole.mp4"),
                                 QStringLiteral("videotestsrc num-buffers=30 ! "
                                                "video/x-raw,width=160,height=120,framerate=10/1 ! "
                                                "avenc_mpeg4 ! mp4mux"));
    QFile file(whole);
    if (whole.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    // The top-level boxes: each a 32-bit size, then its type.
    QByteArrayList boxes;
    for (qsizetype at = 0; at + 8 <= data.size();) {
        const quint32 size = qFromBigEndian<quint32>(data.constData() + at);
        if (size < 8)
            return {};
        boxes << data.mid(at + 4, 4);
        at += size;
    }
    if (boxes.indexOf("mdat") < 0 || boxes.indexOf("moov") < boxes.indexOf("mdat"))
        return {};
    const QString cut = sandbox.path(QStringLiteral("cut.mp4"));
    QFile half(cut);
    if (!half.open(QIODevice::WriteOnly) || half.write(data.left(data.size() / 2)) != data.size() / 2)
        return {};
    return cut;
}

bool everPlayed(const QSignalSpy& playing) {
    return std::any_of(playing.begin(), playing.end(),
                       [](const QList<QVariant>& told) { return told.first().toBool(); });
}

bool isRed(QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

} // namespace

class TestMedia : public QObject {
    Q_OBJECT
private slots:
    void aWavPlaysToItsEndWithDurationAndPosition() {
        test::TestSandbox sandbox;
        const QString wav = sandbox.path(QStringLiteral("tone.wav"));
        writeWav(wav, 2000);
        std::unique_ptr<MediaPlayer> player(MediaPlayer::create());
        QSignalSpy loaded(player.get(), &MediaPlayer::loaded);
        QSignalSpy duration(player.get(), &MediaPlayer::durationChanged);
        QSignalSpy position(player.get(), &MediaPlayer::positionChanged);
        QSignalSpy finished(player.get(), &MediaPlayer::finished);
        QSignalSpy errors(player.get(), &MediaPlayer::errorOccurred);
        player->load(QUrl::fromLocalFile(wav));
        QTRY_COMPARE(loaded.size(), 1);
        QCOMPARE(loaded.first().first().toBool(), true);
        QVERIFY(qAbs(player->duration() - 2000) <= 50);
        QVERIFY(!duration.isEmpty());
        player->setRate(0); // ignored
        QCOMPARE(player->rate(), 1.0);
        player->play();
        QTRY_VERIFY(player->isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(finished.size() == 1, 20000);
        QVERIFY(position.size() >= 2);
        QVERIFY(position.last().first().toLongLong() >= 1500);
        QVERIFY(!player->isPlaying());
        QCOMPARE(errors.size(), 0);
    }

    void failuresReachTheScreenAsErrors_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        // When not negative, the content is this many first bytes of a video.
        QTest::addColumn<int>("headOfAVideo");
        QTest::newRow("missing file") << "gone.wav" << QByteArray() << false << -1;
        QTest::newRow("not a media file")
            << "notes.webm" << QByteArray("just some text, no container") << true << -1;
        QTest::newRow("header only") << "head.webm" << QByteArray() << true << 100;
        QTest::newRow("empty file") << "empty.wav" << QByteArray() << true << -1;
    }
    void failuresReachTheScreenAsErrors() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        QFETCH(int, headOfAVideo);
        test::TestSandbox sandbox;
        const QString path = sandbox.path(name);
        if (headOfAVideo >= 0) {
            QFile video(makeRedVideo(sandbox));
            QVERIFY(video.open(QIODevice::ReadOnly));
            content = video.read(headOfAVideo);
        }
        if (create) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        std::unique_ptr<MediaPlayer> player(MediaPlayer::create());
        QSignalSpy loaded(player.get(), &MediaPlayer::loaded);
        QSignalSpy errors(player.get(), &MediaPlayer::errorOccurred);
        player->load(QUrl::fromLocalFile(path));
        player->play();
        // The backend may never settle a file it cannot read: then the player answers at its bound.
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, ThreadedMediaPlayer::kBoundMs + 2000);
        QCOMPARE(errors.first().first().value<PLError>().domain, QStringLiteral("PLMediaErrorDomain"));
        QCOMPARE(loaded, QList<QList<QVariant>>{{false}});
        QVERIFY(!player->isPlaying());
        // A failed load plays nothing when asked again. What came of asking is heard before the
        // answer to the next load.
        QSignalSpy playing(player.get(), &MediaPlayer::playbackStateChanged);
        player->play();
        const QString wav = sandbox.path(QStringLiteral("tone.wav"));
        writeWav(wav, 500);
        player->load(QUrl::fromLocalFile(wav));
        QTRY_COMPARE(loaded.size(), 2);
        QVERIFY(!everPlayed(playing));
        QVERIFY(!player->isPlaying());

        std::optional<MediaInfo> info;
        MediaProbe::probe(QUrl::fromLocalFile(path), this, [&](const MediaInfo& read) { info = read; });
        QTRY_VERIFY(info);
        QVERIFY(info->error);
        QCOMPARE(info->duration, 0);
        QVERIFY(info->thumbnail.isNull());
    }

    void theProbeReadsDurationAndAFrameWithoutPlaying() {
        test::TestSandbox sandbox;
        const QString video = makeRedVideo(sandbox);
        QVERIFY2(!video.isEmpty(), "gst-launch-1.0 with vp8enc and webmmux is needed to make the test video");
        std::optional<MediaInfo> info;
        MediaProbe::probe(QUrl::fromLocalFile(video), this, [&](const MediaInfo& read) { info = read; });
        QTRY_VERIFY(info);
        QVERIFY2(!info->error, qPrintable(info->error ? info->error->localizedDescription : QString()));
        QVERIFY(info->hasVideo);
        QVERIFY(qAbs(info->duration - 3000) <= 150);
        QCOMPARE(info->thumbnail.size(), QSize(160, 120));
        QVERIFY(isRed(info->thumbnail.pixel(80, 60)));

        const QString wav = sandbox.path(QStringLiteral("tone.wav"));
        writeWav(wav, 700);
        info.reset();
        MediaProbe::probe(QUrl::fromLocalFile(wav), this, [&](const MediaInfo& read) { info = read; });
        QTRY_VERIFY(info);
        QVERIFY(!info->error);
        QVERIFY(!info->hasVideo);
        QVERIFY2(qAbs(info->duration - 700) <= 50, qPrintable(QString::number(info->duration)));
        QVERIFY(info->thumbnail.isNull());

        // A caller that went away hears nothing.
        bool called = false;
        auto* gone = new QObject;
        MediaProbe::probe(QUrl::fromLocalFile(wav), gone, [&](const MediaInfo&) { called = true; });
        delete gone;
        std::optional<MediaInfo> after;
        MediaProbe::probe(QUrl::fromLocalFile(wav), this, [&](const MediaInfo& read) { after = read; });
        QTRY_VERIFY(after);
        QVERIFY(!called);
    }

    void theVideoViewPaintsTheFrames() {
        test::TestSandbox sandbox;
        const QString video = makeRedVideo(sandbox);
        QVERIFY(!video.isEmpty());
        std::unique_ptr<MediaPlayer> player(MediaPlayer::create());
        auto* view = qobject_cast<VideoView*>(player->videoView());
        QVERIFY(view);
        view->resize(320, 120); // wider than the picture: bars left and right
        view->show();
        QSignalSpy shown(view, &VideoView::frameShown);
        player->load(QUrl::fromLocalFile(video));
        player->play();
        QTRY_VERIFY(!shown.isEmpty());
        player->pause();
        const QImage grab = view->grab().toImage();
        QVERIFY(isRed(grab.pixel(160, 60)));
        QCOMPARE(QColor(grab.pixel(10, 60)), QColor(Qt::black));
        QCOMPARE(player->videoView(), view);
    }

    // Each load of a file the backend may never settle is answered within the player's bound, as a
    // user retrying would load it.
    void aCutMp4IsAnsweredEachTimeItIsLoaded() {
        test::TestSandbox sandbox;
        const QString cut = makeCutMp4(sandbox);
        QVERIFY2(!cut.isEmpty(),
                 "gst-launch-1.0 with avenc_mpeg4 and mp4mux is needed to make the test video");
        std::unique_ptr<MediaPlayer> player(MediaPlayer::create());
        QSignalSpy loaded(player.get(), &MediaPlayer::loaded);
        QSignalSpy errors(player.get(), &MediaPlayer::errorOccurred);
        QSignalSpy playing(player.get(), &MediaPlayer::playbackStateChanged);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            player->load(QUrl::fromLocalFile(cut));
            player->play();
            QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), attempt, ThreadedMediaPlayer::kBoundMs + 2000);
            QCOMPARE(loaded.last(), QList<QVariant>{false});
            QCOMPARE(errors.size(), attempt);
            QVERIFY(!player->isPlaying());
        }
        // The whole file plays on the same player.
        playing.clear();
        player->load(QUrl::fromLocalFile(sandbox.path(QStringLiteral("whole.mp4"))));
        player->play();
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 3, 10000);
        QCOMPARE(loaded.last(), QList<QVariant>{true});
        QTRY_VERIFY(everPlayed(playing));
        QCOMPARE(errors.size(), 2);
    }

    // Loads made in a row, as a user flicking through a gallery makes them: only the last one is
    // answered and played.
    void loadsMadeInARowGiveWayToTheLast() {
        test::TestSandbox sandbox;
        const QString video = makeRedVideo(sandbox);
        QVERIFY(!video.isEmpty());
        const QString other = sandbox.path(QStringLiteral("other.webm"));
        QVERIFY(QFile::copy(video, other));
        const QList<QUrl> flicked{QUrl::fromLocalFile(video), QUrl::fromLocalFile(other)};
        const QString chosen = sandbox.path(QStringLiteral("chosen.wav"));
        writeWav(chosen, 2000);
        std::unique_ptr<MediaPlayer> player(MediaPlayer::create());
        player->videoView()->show();
        QSignalSpy loaded(player.get(), &MediaPlayer::loaded);
        QSignalSpy errors(player.get(), &MediaPlayer::errorOccurred);
        for (int i = 0; i < 20; ++i)
            player->load(flicked[i % 2]);
        player->load(QUrl::fromLocalFile(chosen));
        player->play();
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 10000);
        QTRY_VERIFY(player->isPlaying());
        QCOMPARE(loaded, QList<QList<QVariant>>{{true}});
        QVERIFY(qAbs(player->duration() - 2000) <= 50);
        QCOMPARE(errors.size(), 0);
    }

    void systemSoundsAreBundled() {
        for (const int id :
             {SystemSounds::KeyPressClick, SystemSounds::MessageSent, SystemSounds::MessageReceived}) {
            const QUrl file = SystemSounds::fileForSound(id);
            QFile sound(QLatin1Char(':') + file.path());
            QVERIFY2(sound.open(QIODevice::ReadOnly), qPrintable(file.toString()));
            QVERIFY(sound.read(12).startsWith("RIFF"));
        }
        QVERIFY(SystemSounds::fileForSound(SystemSounds::Vibrate).isEmpty());
        QSignalSpy played(SystemSounds::shared(), &SystemSounds::played);
        SystemSounds::shared()->play(SystemSounds::KeyPressClick);
        SystemSounds::shared()->play(SystemSounds::Vibrate); // no motor here: nothing to hear, no failure
        QCOMPARE(played.size(), 2);
        QCOMPARE(played.last().first().toInt(), SystemSounds::Vibrate);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestMedia t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_media.moc"
