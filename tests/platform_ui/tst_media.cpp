#include "TestSandbox.h"
#include "platform/ui/MediaPlayer.h"
#include "platform/ui/MediaProbe.h"
#include "platform/ui/SystemSounds.h"
#include "platform/ui/VideoView.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
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

// A three-second red WebM made by GStreamer's command-line tool.
QString makeRedVideo(const test::TestSandbox& sandbox) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    if (tool.isEmpty())
        return {};
    const QString path = sandbox.path(QStringLiteral("red.webm"));
    QProcess gst;
    gst.start(tool, {QStringLiteral("-q"), QStringLiteral("videotestsrc"), QStringLiteral("num-buffers=30"),
                     QStringLiteral("pattern=red"), QStringLiteral("!"),
                     QStringLiteral("video/x-raw,width=160,height=120,framerate=10/1"), QStringLiteral("!"),
                     QStringLiteral("vp8enc"), QStringLiteral("!"), QStringLiteral("webmmux"),
                     QStringLiteral("!"), QStringLiteral("filesink"), QStringLiteral("location=") + path});
    if (!gst.waitForFinished(60000) || gst.exitCode() != 0)
        return {};
    return path;
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
        QTest::newRow("missing file") << "gone.wav" << QByteArray() << false;
        QTest::newRow("not a media file")
            << "notes.webm" << QByteArray("just some text, no container") << true;
        QTest::newRow("empty file") << "empty.wav" << QByteArray() << true;
    }
    void failuresReachTheScreenAsErrors() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        test::TestSandbox sandbox;
        const QString path = sandbox.path(name);
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
        QTRY_COMPARE(errors.size(), 1);
        QCOMPARE(errors.first().first().value<PLError>().domain, QStringLiteral("PLMediaErrorDomain"));
        QCOMPARE(loaded, QList<QList<QVariant>>{{false}});
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
