// The media viewer screen and its viewers: caption strip rules and timing, titles, the picture's zoom
// rules, the audio player's texts and states (recording player), the document fallbacks, done, and one
// real video played through Qt Multimedia with its frame on screen.
#include "MediaSamples.h"
#include "MirroredGeometry.h"
#include "SmartScreensTestWorld.h"

#include "platform/ui/DocumentPreview.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ImageViewWebCache.h"
#include "platform/ui/MediaPlayer.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/TextView.h"
#include "platform/ui/VideoView.h"
#include "platform/ui/testing/FakeMediaPlayer.h"
#include "ui/conversation/PLCenteringZoomView.h"
#include "ui/conversation/PLDownloadViewerController.h"
#include "ui/conversation/PLDownloadedAudioViewer.h"
#include "ui/conversation/PLDownloadedDocumentViewer.h"
#include "ui/conversation/PLDownloadedImageViewer.h"
#include "ui/conversation/PLDownloadedVideoViewer.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::FakeMediaPlayer;
using platform::ui::MediaPlayer;

namespace {

const QString kShortCaption = QStringLiteral("Lake at dawn");
const QString kLongCaption = QStringLiteral(
    "The north shore of the lake at dawn, taken from the old boat house before the fog lifted; the "
    "hills behind are the ones we walked on the second day, and the path runs along the water.");

// A tap counter standing in for the screen.
class TapCounter : public PLDownloadedViewerDelegate {
public:
    void downloadViewerDidDetectTap() override { ++taps; }
    int taps = 0;
};

void click(QWidget* widget, QPoint at) {
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

} // namespace

class TestMediaViewers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        world = std::make_unique<SmartScreensWorld>();
        room = world->importRoom(QStringLiteral("room1"));
        message = world->importMessage(room, QStringLiteral("m1"), 1000, QStringLiteral("A picture"), kBob);
        QVERIFY(message);
        message->setDisplayName(QStringLiteral("Bob Baker"));
        host = world->showHost(room);
        picture = folder.filePath(QStringLiteral("lake.jpg"));
        QFile file(picture);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(samples::stripesJpeg(QSize(400, 300), {Qt::red, Qt::green, Qt::blue}));
    }
    void init() {
        MediaPlayer::setMaker([this](QObject* parent) {
            auto* player = new FakeMediaPlayer(parent);
            player->fakeDuration = 75400;
            players << player;
            return player;
        });
    }
    void cleanup() {
        MediaPlayer::setMaker({});
        players.clear();
        if (host->presentedViewController())
            host->dismissViewController(false);
        world->settle();
    }
    void cleanupTestCase() { world.reset(); }

    void timeTextsRoundTheWholeFirst_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::addRow("zero") << 0.0 << QStringLiteral("00:00");
        QTest::addRow("five") << 5.0 << QStringLiteral("00:05");
        QTest::addRow("75.4") << 75.4 << QStringLiteral("01:15");
        QTest::addRow("ten minutes") << 600.0 << QStringLiteral("10:00");
        QTest::addRow("hour and a half") << 5400.0 << QStringLiteral("90:00");
        QTest::addRow("59.4 rounds down") << 59.4 << QStringLiteral("00:59");
        QTest::addRow("59.6 carries into the minute") << 59.6 << QStringLiteral("01:00");
        QTest::addRow("119.5 carries") << 119.5 << QStringLiteral("02:00");
        QTest::addRow("negative") << -3.0 << QStringLiteral("00:00");
        QTest::addRow("not a number") << std::nan("") << QStringLiteral("00:00");
    }
    void timeTextsRoundTheWholeFirst() {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(PLDownloadedAudioViewer::elapsedTimeStringFromDuration(seconds), text);
    }

    // ---- the picture

    void doubleTapJumpsToTheLargestScaleOrBackToOne_data() {
        QTest::addColumn<qreal>("from");
        QTest::addColumn<qreal>("to");
        QTest::addRow("fitted") << 1.0 << 3.0;
        QTest::addRow("zoomed out") << 0.7 << 3.0;
        QTest::addRow("half way") << 2.0 << 3.0;
        QTest::addRow("largest") << 3.0 << 1.0;
    }
    void doubleTapJumpsToTheLargestScaleOrBackToOne() {
        QFETCH(qreal, from);
        QFETCH(qreal, to);
        PLDownloadedImageViewer viewer;
        viewer.resize(320, 480);
        viewer.show();
        viewer.showImage(QImage(picture));
        PLCenteringZoomView* scroll = viewer.imageScrollView();
        QCOMPARE(scroll->minimumZoomScale(), 0.7);
        QCOMPARE(scroll->maximumZoomScale(), 3.0);
        scroll->setZoomScale(from);
        viewer.handleDoubleTap();
        QCOMPARE(scroll->zoomScale(), to);
    }

    void aPictureZoomedOutStaysCentred() {
        PLDownloadedImageViewer viewer;
        viewer.resize(320, 480);
        viewer.show();
        viewer.showImage(QImage(picture));
        PLCenteringZoomView* scroll = viewer.imageScrollView();
        QCOMPARE(viewer.downloadedImage()->geometry(), scroll->viewport()->rect());
        scroll->setZoomScale(0.7);
        QCOMPARE(scroll->contentSize(), QSizeF(scroll->viewport()->size()));
        const QPoint centre = viewer.downloadedImage()->geometry().center();
        QVERIFY(qAbs(centre.x() - scroll->viewport()->rect().center().x()) <= 1);
        QVERIFY(qAbs(centre.y() - scroll->viewport()->rect().center().y()) <= 1);
        scroll->setZoomScale(3.0);
        QCOMPARE(viewer.downloadedImage()->size(), scroll->viewport()->size() * 3);
    }

    // A remote picture: the default picture at once, the loaded one when it comes, failures retried.
    void aRemotePictureComesThroughTheImageLoader() {
        QList<std::pair<QUrl, int>> asked;
        platform::ui::ImageViewWebCache::Completed pending;
        platform::ui::ImageViewWebCache::setImageSource(
            {[&](const QUrl& url, int options, platform::ui::ImageViewWebCache::Completed done) {
                 asked << std::make_pair(url, options);
                 pending = std::move(done);
                 return quint64(1);
             },
             [](quint64) {}, [](const QUrl&) { return false; }});
        PLDownloadedImageViewer viewer;
        viewer.resize(320, 480);
        viewer.show();
        viewer.showCachedImageForURL(QStringLiteral("https://files.test/s/abc"));
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().first, QUrl(QStringLiteral("https://files.test/s/abc")));
        QCOMPARE(asked.first().second & platform::ui::ImageViewWebCache::RetryFailed,
                 int(platform::ui::ImageViewWebCache::RetryFailed));
        const QImage placeholder = viewer.downloadedImage()->image();
        QVERIFY(!placeholder.isNull());
        QCOMPARE(viewer.imageScrollView()->maximumZoomScale(), 3.0);
        const QImage loaded(picture);
        pending(loaded, std::nullopt, 0, asked.first().first);
        QCOMPARE(viewer.downloadedImage()->image().size(), loaded.size());
        platform::ui::ImageViewWebCache::setImageSource({});
    }

    // A single tap reaches the delegate only once no second tap can follow; two taps zoom instead.
    void aSingleTapWaitsForTheDoubleTapToFail() {
        PLDownloadedImageViewer viewer;
        TapCounter counter;
        viewer.setDownloadViewerDelegate(&counter);
        viewer.resize(320, 480);
        viewer.show();
        viewer.showImage(QImage(picture));
        QWidget* surface = viewer.imageScrollView()->viewport();
        click(surface, QPoint(160, 240));
        QCOMPARE(counter.taps, 0);
        world->advance(platform::ui::TapGestureRecognizer::kTapIntervalMs + 1);
        QCOMPARE(counter.taps, 1);
        click(surface, QPoint(160, 240));
        click(surface, QPoint(160, 240));
        world->advance(platform::ui::TapGestureRecognizer::kTapIntervalMs + 1);
        QCOMPARE(counter.taps, 1);
        QCOMPARE(viewer.imageScrollView()->zoomScale(), 3.0);
    }

    // ---- the screen and its caption

    void picturesOpenWithTheirCaptionWhichHidesAfterThreeSeconds() {
        auto* screen = present(picture, "image/jpeg", kShortCaption);
        QCOMPARE(screen->documentViewerTitle()->text(), QStringLiteral("BOB BAKER"));
        QTRY_VERIFY(qobject_cast<PLDownloadedImageViewer*>(screen->currentViewer()));
        QVERIFY(!screen->currentImage().isNull());
        platform::ui::TextView* caption = screen->captionTextView();
        QVERIFY(caption->isVisible());
        QCOMPARE(caption->plainText(), kShortCaption);
        // Short: text height + 20, touches pass to the picture.
        const int expected = qCeil(caption->heightForText(screen->view()->width()) + 20.0);
        QCOMPARE(caption->height(), expected);
        QVERIFY(expected <= 60);
        QVERIFY(caption->testAttribute(Qt::WA_TransparentForMouseEvents));
        QCOMPARE(caption->geometry().bottom(), screen->view()->height() - 1);
        world->advance(2999);
        QVERIFY(caption->isVisible());
        world->advance(1);
        QVERIFY(!caption->isVisible());
        // A tap on the picture brings it back; another hides it.
        screen->downloadViewerDidDetectTap();
        QVERIFY(caption->isVisible());
        screen->downloadViewerDidDetectTap();
        QVERIFY(!caption->isVisible());
    }

    void aLongCaptionScrollsAndDraggingPostponesTheHiding() {
        auto* screen = present(picture, "image/jpeg", kLongCaption);
        platform::ui::TextView* caption = screen->captionTextView();
        QCOMPARE(caption->height(), 80);
        QVERIFY(!caption->testAttribute(Qt::WA_TransparentForMouseEvents));
        QVERIFY(caption->verticalScrollBar()->maximum() > 0);
        world->advance(2000);
        QTest::mousePress(caption->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseRelease(caption->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        world->advance(2000);
        QVERIFY(caption->isVisible());
        QTest::mousePress(caption->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseRelease(caption->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        world->advance(2999);
        QVERIFY(caption->isVisible());
        world->advance(1);
        QVERIFY(!caption->isVisible());
    }

    // A caption from another client can be a megabyte of one word: the strip shows its beginning,
    // wrapped anywhere, so its layout is linear in what it shows.
    void aHostileCaptionShowsItsBeginningWrappedAnywhere() {
        const QString word(1024 * 1024, QLatin1Char('w'));
        auto* screen = present(picture, "image/jpeg", word);
        platform::ui::TextView* caption = screen->captionTextView();
        QCOMPARE(screen->currentCaption(), word);
        QCOMPARE(caption->plainText(), PLDownloadViewerController::shownCaption(word));
        QCOMPARE(caption->wordWrapMode(), QTextOption::WrapAnywhere);
        QCOMPARE(caption->height(), 80);
        QVERIFY(caption->verticalScrollBar()->maximum() > 0);
    }

    void shownCaption_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shown");
        const int bound = PLDownloadViewerController::kMaxShownCaptionLength;
        const QString ellipsis(QChar(0x2026));
        QTest::newRow("short") << kShortCaption << kShortCaption;
        QTest::newRow("at the bound") << QString(bound, 'a') << QString(bound, 'a');
        QTest::newRow("one past the bound") << QString(bound + 1, 'a') << QString(bound, 'a') + ellipsis;
        const QString pair = QStringLiteral("\U0001F600");
        QTest::newRow("a pair across the bound")
            << QString(bound - 1, 'a') + pair + QStringLiteral("b") << QString(bound - 1, 'a') + ellipsis;
    }
    void shownCaption() {
        QFETCH(QString, caption);
        QFETCH(QString, shown);
        QCOMPARE(PLDownloadViewerController::shownCaption(caption), shown);
    }

    void aVideoCaptionSitsClearOfThePlayersControls() {
        auto* pictureScreen = present(picture, "image/jpeg", kShortCaption);
        const int pictureTop = pictureScreen->captionTextView()->y();
        host->dismissViewController(false);
        world->settle();
        auto* videoScreen =
            present(folder.filePath(QStringLiteral("clip.webm")), "video/webm", kShortCaption);
        QCOMPARE(videoScreen->captionTextView()->y(), pictureTop - 44);
        auto* video = qobject_cast<PLDownloadedVideoViewer*>(videoScreen->currentViewer());
        QVERIFY(video);
        QCOMPARE(players.size(), 1);
        // Not a file: the path is handed over as an address.
        QCOMPARE(players.first()->loadedURLs,
                 QList<QUrl>{QUrl(folder.filePath(QStringLiteral("clip.webm")))});
        QVERIFY(players.first()->isPlaying());
        // A tap on the picture toggles the caption while the controls stay the player's.
        QVERIFY(videoScreen->captionTextView()->isVisible());
        click(video->playerView(), QPoint(50, 50));
        world->advance(platform::ui::TapGestureRecognizer::kTapIntervalMs + 1);
        QVERIFY(!videoScreen->captionTextView()->isVisible());
        QTest::mouseClick(video->playPauseButton(), Qt::LeftButton);
        QVERIFY(!players.first()->isPlaying());
        // Done stops the player and closes the screen.
        QPointer<FakeMediaPlayer> player = players.first();
        QTest::mouseClick(videoScreen->doneButton(), Qt::LeftButton);
        world->settle();
        QVERIFY(!player);
        QVERIFY(!host->presentedViewController());
    }

    void theKeysCloseTheViewer_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("onDone");
        QTest::addRow("Return on Done") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << true;
        QTest::addRow("keypad Enter on Done")
            << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << true;
        QTest::addRow("Space on Done") << int(Qt::Key_Space) << Qt::KeyboardModifiers() << true;
        QTest::addRow("Escape") << int(Qt::Key_Escape) << Qt::KeyboardModifiers() << false;
    }
    // Done, which Tab reaches, is pressed by Return and the keypad's Enter as by Space; Escape presses
    // it wherever the keys are on the viewer.
    void theKeysCloseTheViewer() {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, onDone);
        world->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(world->window.get()));
        auto* screen = present(picture, "image/jpeg", kShortCaption);
        world->settle();
        QWindow* keys = world->window->windowHandle();
        if (onDone) {
            for (int i = 0; i < 8 && !screen->doneButton()->hasFocus(); ++i)
                QTest::keyClick(keys, Qt::Key_Tab);
            QVERIFY(screen->doneButton()->hasFocus());
        }
        QVERIFY(host->presentedViewController());
        QTest::keyClick(keys, Qt::Key(key), modifiers);
        world->settle();
        QVERIFY(!host->presentedViewController());
    }

    void theViewerMirrorsRightToLeft_data() {
        QTest::addColumn<QString>("mime");
        QTest::addColumn<test::Turned>("turned");
        QTest::addRow("audio, its view right to left") << "audio/wav" << test::Turned::FromTheStart;
        QTest::addRow("audio, program right to left") << "audio/wav" << test::Turned::Program;
        QTest::addRow("audio, turned while shown") << "audio/wav" << test::Turned::WhileShown;
        QTest::addRow("video, its view right to left") << "video/webm" << test::Turned::FromTheStart;
        QTest::addRow("video, turned while shown") << "video/webm" << test::Turned::WhileShown;
        QTest::addRow("document, turned while shown") << "application/pdf" << test::Turned::WhileShown;
    }
    // Right to left the top bar's Done, the video's play button and slider and the audio's times lie
    // where left to right puts them, mirrored: Done at the left, the elapsed time under the slider's
    // start at the right.
    void theViewerMirrorsRightToLeft() {
        QFETCH(QString, mime);
        QFETCH(test::Turned, turned);
        auto* screen = new PLDownloadViewerController;
        screen->setCurrentMessage(message);
        test::turnRightToLeft(turned, false, screen->view());
        host->presentViewController(screen, false);
        screen->showDownloadForPath(folder.filePath(QStringLiteral("file")), {{"fileMime", mime}});
        test::turnRightToLeft(turned, true, screen->view());
        QList<QWidget*> parts{screen->doneButton()};
        if (auto* audio = qobject_cast<PLDownloadedAudioViewer*>(screen->currentViewer()))
            parts << audio->timeElapsedLabel() << audio->totalTimeLabel();
        if (auto* video = qobject_cast<PLDownloadedVideoViewer*>(screen->currentViewer()))
            parts << video->playPauseButton() << video->positionSlider();
        const QList<QRect> rightToLeft = test::geometries(parts);
        test::turnBack(screen->view());
        QCOMPARE(screen->doneButton()->geometry().right() + 1, screen->view()->width() - 8);
        QCOMPARE(rightToLeft, test::mirroredGeometries(parts));
    }

    void withoutACaptionTapsDoNothing_data() {
        QTest::addColumn<bool>("present");
        QTest::addRow("empty") << true;
        QTest::addRow("missing") << false;
    }
    void withoutACaptionTapsDoNothing() {
        QFETCH(bool, present);
        auto* screen = this->present(picture, "image/jpeg", present ? QString() : QString(), present);
        platform::ui::TextView* caption = screen->captionTextView();
        QVERIFY(!caption->isVisible());
        screen->downloadViewerDidDetectTap();
        QVERIFY(!caption->isVisible());
        QCOMPARE(platform::ui::Scheduler::shared()->pendingCount(), 0);
    }

    void titles_data() {
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<bool>("showImage");
        QTest::addColumn<QString>("title");
        QTest::addRow("display name upper-cased")
            << QStringLiteral("Ann Lee") << false << QStringLiteral("ANN LEE");
        QTest::addRow("no display name") << QString() << false << QString();
        QTest::addRow("showImage says PHOTO") << QStringLiteral("Ann Lee") << true << QStringLiteral("PHOTO");
    }
    void titles() {
        QFETCH(QString, displayName);
        QFETCH(bool, showImage);
        QFETCH(QString, title);
        message->setDisplayName(displayName);
        auto* screen = new PLDownloadViewerController;
        screen->setCurrentMessage(message);
        host->presentViewController(screen, false);
        if (showImage)
            screen->showImage(QImage(picture));
        QCOMPARE(screen->documentViewerTitle()->text(), title);
        message->setDisplayName(QStringLiteral("Bob Baker"));
    }

    void aPathThatNamesNothingShowsAnEmptyPicture() {
        auto* screen = present(folder.filePath(QStringLiteral("gone.jpg")), "image/jpeg", {});
        QTRY_VERIFY(qobject_cast<PLDownloadedImageViewer*>(screen->currentViewer()));
        QVERIFY(screen->currentImage().isNull());
    }

    // ---- audio

    void audioPlaysOnOpenAndReadsItsTimes() {
        const QString path = samples::makeTone(folder.filePath(QStringLiteral("memo.wav")), 500);
        auto* screen = present(path, "audio/wav", kShortCaption);
        auto* audio = qobject_cast<PLDownloadedAudioViewer*>(screen->currentViewer());
        QVERIFY(audio);
        // Audio has no caption.
        QVERIFY(!screen->captionTextView()->isVisible());
        QCOMPARE(players.size(), 1);
        FakeMediaPlayer* player = players.first();
        QCOMPARE(player->loadedURLs, QList<QUrl>{QUrl::fromLocalFile(path)});
        QCOMPARE(audio->fileNameAndSize()->text(), QStringLiteral("Audio"));
        player->finishLoading(true);
        QCOMPARE(audio->fileNameAndSize()->text(),
                 QStringLiteral("memo.wav (%1 KB)").arg(qRound(QFileInfo(path).size() / 1000.0)));
        QCOMPARE(audio->totalTimeLabel()->text(), QStringLiteral("01:15"));
        QCOMPARE(audio->timeElapsedLabel()->text(), QStringLiteral("00:00"));
        QCOMPARE(audio->audioSlider()->maximumValue(), 75.4f);
        QVERIFY(audio->isPlaying());
        QVERIFY(player->isPlaying());
        QCOMPARE(audio->playOrPauseButton()->titleForState(platform::ui::Button::State::Normal),
                 QStringLiteral("Pause"));
        player->setPosition(5400);
        QCOMPARE(audio->timeElapsedLabel()->text(), QStringLiteral("00:00"));
        world->advance(1000);
        QCOMPARE(audio->timeElapsedLabel()->text(), QStringLiteral("00:05"));
        QCOMPARE(audio->audioSlider()->value(), 5.4f);

        // Paused: the timer stops; a seek moves the text at once and the slider keeps its place.
        QTest::mouseClick(audio->playOrPauseButton(), Qt::LeftButton);
        QVERIFY(!audio->isPlaying());
        QVERIFY(!audio->isTimerRunning());
        QCOMPARE(audio->playOrPauseButton()->titleForState(platform::ui::Button::State::Normal),
                 QStringLiteral("Play"));
        audio->audioSlider()->setValue(30);
        audio->seekAudio(30);
        QCOMPARE(audio->timeElapsedLabel()->text(), QStringLiteral("00:30"));
        QCOMPARE(player->position(), 30000);
        world->advance(3000);
        QCOMPARE(audio->audioSlider()->value(), 30.0f);

        // A failing player keeps slider and title; the end returns to the start.
        audio->startPlaying();
        player->failWith(MediaPlayer::ResourceError);
        QCOMPARE(audio->audioSlider()->value(), 30.0f);
        QCOMPARE(audio->playOrPauseButton()->titleForState(platform::ui::Button::State::Normal),
                 QStringLiteral("Pause"));
        player->playToEnd();
        QCOMPARE(audio->audioSlider()->value(), 0.0f);
        QCOMPARE(audio->timeElapsedLabel()->text(), QStringLiteral("00:00"));
        QVERIFY(!audio->isPlaying());
        QVERIFY(!audio->isTimerRunning());

        // Done stops it all.
        audio->startPlaying();
        QPointer<FakeMediaPlayer> tracked = player;
        screen->done();
        world->settle();
        QVERIFY(!tracked);
        QCOMPARE(platform::ui::Scheduler::shared()->pendingCount(), 0);
    }

    void anAudioFileThatDoesNotOpenLeavesTheViewerIdle() {
        auto* screen = present(folder.filePath(QStringLiteral("broken.ogg")), "audio/ogg", {});
        auto* audio = qobject_cast<PLDownloadedAudioViewer*>(screen->currentViewer());
        players.first()->finishLoading(false);
        world->settle();
        QVERIFY(!audio->isPlaying());
        QCOMPARE(audio->fileNameAndSize()->text(), QStringLiteral("Audio"));
        QCOMPARE(audio->totalTimeLabel()->text(), QStringLiteral("00:00"));
        QTest::mouseClick(audio->playOrPauseButton(), Qt::LeftButton);
        QVERIFY(!audio->isPlaying());
    }

    // ---- documents

    void documentsPreviewOrSayWhyNot() {
        const QString pdf = samples::makePdf(folder.filePath(QStringLiteral("visit.pdf")));
        auto* screen = present(pdf, "application/pdf", kShortCaption);
        auto* document = qobject_cast<PLDownloadedDocumentViewer*>(screen->currentViewer());
        QVERIFY(document);
        QVERIFY(!screen->captionTextView()->isVisible());
        QCOMPARE(document->previewController()->kind(), platform::ui::DocumentPreview::Kind::PDF);
        QTRY_COMPARE(document->previewController()->pageCount(), 2);
        QVERIFY(!document->unavailableLabel()->isVisibleTo(document));
        host->dismissViewController(false);
        world->settle();

        const QString odd = folder.filePath(QStringLiteral("sheet.xyz"));
        QFile file(odd);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x00\x01\x02\x03", 4));
        file.close();
        screen = present(odd, "application/octet-stream", {});
        document = qobject_cast<PLDownloadedDocumentViewer*>(screen->currentViewer());
        QVERIFY(document->unavailableLabel()->isVisibleTo(document));
        QCOMPARE(document->unavailableLabel()->text(),
                 QStringLiteral("This kind of document cannot be previewed."));
        QVERIFY(!document->previewController()->isVisibleTo(document));
        host->dismissViewController(false);
        world->settle();

        // A damaged PDF is found out once it is read, after the viewer shows.
        const QString damaged = folder.filePath(QStringLiteral("torn.pdf"));
        QFile torn(damaged);
        QVERIFY(torn.open(QIODevice::WriteOnly));
        torn.write("%PDF-1.4\nnot really\n");
        torn.close();
        screen = present(damaged, "application/pdf", {});
        document = qobject_cast<PLDownloadedDocumentViewer*>(screen->currentViewer());
        QTRY_VERIFY_WITH_TIMEOUT(document->unavailableLabel()->isVisibleTo(document), 20000);
        QCOMPARE(document->unavailableLabel()->text(), QStringLiteral("The PDF document cannot be read."));
        QVERIFY(!document->previewController()->isVisibleTo(document));
    }

    // ---- the real player

    void aRealVideoPlaysItsFramesIntoTheViewer() {
        MediaPlayer::setMaker({});
        const QString path = samples::makeVideo(folder.filePath(QStringLiteral("bars.webm")), 2);
        if (path.isEmpty())
            QSKIP("gst-launch-1.0 is not installed");
        auto* screen = present(path, "video/webm", {});
        auto* video = qobject_cast<PLDownloadedVideoViewer*>(screen->currentViewer());
        QVERIFY(video);
        auto* frames = qobject_cast<platform::ui::VideoView*>(video->playerView());
        QVERIFY(frames);
        QTRY_VERIFY_WITH_TIMEOUT(!frames->currentFrame().isNull(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(video->moviePlayer()->duration() > 1500, 10000);
        QVERIFY(video->positionSlider()->maximumValue() > 1.5f);
        screen->done();
        world->settle();
    }

private:
    PLDownloadViewerController* present(const QString& path, const char* mime, const QString& caption,
                                        bool withCaptionKey = true) {
        auto* screen = new PLDownloadViewerController;
        screen->setCurrentMessage(message);
        host->presentViewController(screen, false);
        QVariantMap info{{"fileMime", QString::fromLatin1(mime)}};
        if (withCaptionKey)
            info.insert("caption", caption);
        screen->showDownloadForPath(path, info);
        return screen;
    }

    std::unique_ptr<SmartScreensWorld> world;
    ChatRoom::Ptr room;
    Message::Ptr message;
    ChatletHost* host = nullptr;
    QTemporaryDir folder;
    QString picture;
    QList<QPointer<FakeMediaPlayer>> players;
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestMediaViewers t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_mediaviewers.moc"
