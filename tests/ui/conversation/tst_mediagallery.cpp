// The media gallery screens as the screenshot tool renders them, checked by pixels at points computed
// from their views: the overlay's bar at 50 %, the zoomed picture, the paused video's frame, the audio
// player and the PDF page, at 320 x 568 and 400 x 720.
#include "ConversationGalleryShot.h"
#include "GalleryViewers.h"

#include "platform/ui/Button.h"
#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/VideoView.h"
#include "platform/ui/Window.h"
#include "ui/conversation/PLCenteringZoomView.h"
#include "ui/conversation/PLDownloadViewerController.h"
#include "ui/conversation/PLDownloadedAudioViewer.h"
#include "ui/conversation/PLDownloadedDocumentViewer.h"
#include "ui/conversation/PLDownloadedImageViewer.h"
#include "ui/conversation/PLDownloadedVideoViewer.h"
#include "ui/conversation/PLUploadScreenView.h"

#include "TestSandbox.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Animator.h"

#include <QApplication>
#include <QDir>
#include <QTest>

using namespace pelnix;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

const QString kStoryboard = QStringLiteral("GalleryViewers");
const QColor kHouseTint(0x00, 0x86, 0xCA);

struct Shot : pelnix::test::GalleryScreenShot {
    explicit Shot(const QString& identifier, std::optional<QSize> renderedAt = std::nullopt)
        : GalleryScreenShot(kStoryboard, identifier, QSize(375, 667), renderedAt) {}
    PLDownloadViewerController* viewer() const {
        return qobject_cast<PLDownloadViewerController*>(controller);
    }
};

bool near(const QColor& actual, const QColor& expected, int tolerance = 20) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

QByteArray describe(const QColor& colour) {
    return colour.name().toLatin1();
}

#define CHECK_COLOUR(actual, expected)                                                                       \
    do {                                                                                                     \
        const QColor a = (actual);                                                                           \
        QVERIFY2(near(a, (expected)), describe(a).constData());                                              \
    } while (false)

} // namespace

class TestMediaGallery : public QObject {
    Q_OBJECT
    static void sizes_data() {
        QTest::addColumn<QString>("suffix");
        QTest::addRow("320x568") << QString();
        QTest::addRow("400x720") << QStringLiteral("400x720");
    }

private slots:
    void initTestCase() {
        CustomFontRegistration::loadCustomFonts();
        platform::ui::Animator::setInstant(true);
        QDir().mkpath(QStringLiteral("screenshots"));
        tools::registerViewersGalleryScreens();
    }

    void overlayAtHalfway_data() {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QSize>("renderedAt");
        QTest::addRow("320x568") << QString() << QSize(320, 568);
        QTest::addRow("400x720") << QStringLiteral("400x720") << QSize(400, 720);
        QTest::addRow("1024x768") << QString() << QSize(1024, 768);
    }
    void overlayAtHalfway() {
        QFETCH(QString, suffix);
        QFETCH(QSize, renderedAt);
        Shot shot(QStringLiteral("DownloadOverlay") + suffix, renderedAt);
        QCOMPARE(shot.window.size(), renderedAt);
        auto* navigation = qobject_cast<platform::ui::NavigationController*>(shot.controller);
        QVERIFY(navigation && navigation->isNavigationBarHidden());
        auto* overlay = navigation->topViewController()->view()->findChild<PLUploadScreenView*>();
        QVERIFY(overlay);
        QCOMPARE(overlay->geometry(), navigation->topViewController()->view()->rect());
        QCOMPARE(overlay->progressWidth(), 130.0);
        QCOMPARE(overlay->fileSizeLabel()->text(), QStringLiteral("1.5 MB"));
        QWidget* box = overlay->contentHolderView();
        // The box sits in the middle of the window.
        const QPoint middle = box->mapTo(&shot.window, box->rect().center());
        QVERIFY(qAbs(middle.x() - shot.window.width() / 2) <= 1);
        QVERIFY(qAbs(middle.y() - shot.window.height() / 2) <= 1);
        const QRect bar = overlay->progressView()->geometry();
        // In the house tint, as every other accent of the library.
        CHECK_COLOUR(shot.at(box, QPointF(bar.left() + 65, bar.center().y())), kHouseTint);
        QCOMPARE(overlay->cancelButton()->titleColorForState(platform::ui::Button::State::Normal),
                 kHouseTint);
        CHECK_COLOUR(shot.at(box, QPointF(bar.left() + 200, bar.center().y())), QColor(229, 229, 234));
        CHECK_COLOUR(shot.at(box, QPointF(box->width() / 2, 2)), QColor(255, 255, 255));
        // The file's long name on one line, cut in the middle: its end shows at the line's right end.
        const platform::ui::Label* name = overlay->fileNameLabel();
        QVERIFY(name->text().startsWith(QStringLiteral("5F2C")));
        QVERIFY(name->text().endsWith(QStringLiteral(".jpg")));
        QVERIFY(name->text().contains(QChar(0x2026)));
        const auto ink = [](const QColor& c) { return c.lightness() < 128; };
        QVERIFY(shot.any(name, QRect(name->width() - 24, 0, 24, name->height()), ink));
        // Around the box the chat is dimmed: no pure white left.
        for (const QPointF corner : {QPointF(overlay->width() / 2, 4), QPointF(4, overlay->height() - 4),
                                     QPointF(overlay->width() - 4, overlay->height() - 4)}) {
            const QColor dimmed = shot.at(&shot.window, corner);
            QVERIFY2(dimmed.lightness() < 200, describe(dimmed).constData());
        }
    }

    // Right to left the bar grows from the track's right end and the size reads at the box's right.
    void overlayMirroredRightToLeft() {
        Shot shot(QStringLiteral("DownloadOverlayRightToLeft"));
        auto* navigation = qobject_cast<platform::ui::NavigationController*>(shot.controller);
        QVERIFY(navigation);
        auto* overlay = navigation->topViewController()->view()->findChild<PLUploadScreenView*>();
        QVERIFY(overlay);
        QCOMPARE(overlay->layoutDirection(), Qt::RightToLeft);
        QWidget* box = overlay->contentHolderView();
        const int barMiddle = overlay->progressView()->geometry().center().y();
        CHECK_COLOUR(shot.at(box, QPointF(box->width() - 20, barMiddle)), kHouseTint);
        CHECK_COLOUR(shot.at(box, QPointF(20, barMiddle)), QColor(229, 229, 234));
        const platform::ui::Label* size = overlay->fileSizeLabel();
        const auto ink = [](const QColor& c) { return c.lightness() < 200; };
        QVERIFY(shot.any(size, QRect(size->width() * 3 / 4, 0, size->width() / 4, size->height()), ink));
        QVERIFY(!shot.any(size, QRect(0, 0, size->width() / 2, size->height()), ink));
    }

    // Right to left Done shows at the bar's left and the elapsed time under the slider's start at the
    // right, the total at the left.
    void audioMirroredRightToLeft() {
        Shot shot(QStringLiteral("AudioViewerRightToLeft"));
        auto* audio = qobject_cast<PLDownloadedAudioViewer*>(shot.viewer()->currentViewer());
        QVERIFY(audio);
        platform::ui::Button* done = shot.viewer()->doneButton();
        QCOMPARE(done->mapTo(&shot.window, QPoint()).x(), 8);
        const auto ink = [](const QColor& c) { return c.lightness() < 200; };
        QVERIFY(shot.any(done, done->rect(), [](const QColor& c) { return near(c, kHouseTint, 60); }));
        const platform::ui::Label* elapsed = audio->timeElapsedLabel();
        const platform::ui::Label* total = audio->totalTimeLabel();
        QVERIFY(elapsed->x() > total->x());
        QVERIFY(shot.any(elapsed, QRect(elapsed->width() - 60, 0, 60, elapsed->height()), ink));
        QVERIFY(shot.any(total, QRect(0, 0, 60, total->height()), ink));
        QVERIFY(!shot.any(total, QRect(total->width() / 2, 0, total->width() / 2, total->height()), ink));
    }

    void pictureZoomedIn_data() { sizes_data(); }
    void pictureZoomedIn() {
        QFETCH(QString, suffix);
        Shot shot(QStringLiteral("PictureViewerZoomed") + suffix);
        auto* picture = qobject_cast<PLDownloadedImageViewer*>(shot.viewer()->currentViewer());
        QVERIFY(picture);
        QCOMPARE(picture->imageScrollView()->zoomScale(), 2.0);
        QCOMPARE(shot.viewer()->documentViewerTitle()->text(), QStringLiteral("SITE PHOTO"));
        // Four stripes, fitted then doubled about the middle: the second and third fill the view.
        const QPointF middle = QRectF(picture->rect()).center();
        CHECK_COLOUR(shot.at(picture, middle - QPointF(40, 0)), QColor(255, 204, 0));
        CHECK_COLOUR(shot.at(picture, middle + QPointF(40, 0)), QColor(52, 199, 89));
        CHECK_COLOUR(shot.at(picture, QPointF(6, middle.y())), QColor(255, 204, 0));
        // The caption strip over the bottom edge, one line, white on dark.
        auto* caption = shot.viewer()->captionTextView();
        QVERIFY(caption->isVisible());
        QCOMPARE(caption->geometry().bottom(), shot.viewer()->view()->height() - 1);
        QVERIFY(caption->height() <= 60);
    }

    void videoPausedOnAFrame_data() { sizes_data(); }
    void videoPausedOnAFrame() {
        QFETCH(QString, suffix);
        Shot shot(QStringLiteral("VideoViewerPaused") + suffix);
        auto* video = qobject_cast<PLDownloadedVideoViewer*>(shot.viewer()->currentViewer());
        QVERIFY(video);
        auto* frames = qobject_cast<platform::ui::VideoView*>(video->playerView());
        QVERIFY(frames && !frames->currentFrame().isNull());
        QVERIFY(!video->moviePlayer()->isPlaying());
        QCOMPARE(video->playPauseButton()->titleForState(platform::ui::Button::State::Normal),
                 QStringLiteral("Play"));
        // The frame is fitted across the width: the colour bars run white ... blue from left to right.
        const QSize fitted = frames->currentFrame().size().scaled(frames->size(), Qt::KeepAspectRatio);
        const QRectF target(
            QPointF((frames->width() - fitted.width()) / 2.0, (frames->height() - fitted.height()) / 2.0),
            fitted);
        const qreal y = target.top() + target.height() * 0.3;
        const QColor white = shot.at(frames, QPointF(target.left() + target.width() / 14, y));
        QVERIFY2(white.red() > 150 && white.green() > 150 && white.blue() > 150, describe(white).constData());
        const QColor blue = shot.at(frames, QPointF(target.right() - target.width() / 14, y));
        QVERIFY2(blue.blue() > 150 && blue.red() < 80 && blue.green() < 80, describe(blue).constData());
        // Above the frame the bars are black; the caption sits clear of the controls.
        CHECK_COLOUR(shot.at(frames, QPointF(frames->width() / 2, qMax(1.0, target.top() / 2))),
                     QColor(0, 0, 0));
        QCOMPARE(shot.viewer()->captionTextView()->geometry().bottom(),
                 shot.viewer()->view()->height() - 1 - PLDownloadedVideoViewer::kControlsHeight);
    }

    void audioWithItsFile_data() { sizes_data(); }
    void audioWithItsFile() {
        QFETCH(QString, suffix);
        Shot shot(QStringLiteral("AudioViewer") + suffix);
        auto* audio = qobject_cast<PLDownloadedAudioViewer*>(shot.viewer()->currentViewer());
        QVERIFY(audio);
        QVERIFY(audio->fileNameAndSize()->text().startsWith(QStringLiteral("Standup notes.wav (")));
        QCOMPARE(audio->totalTimeLabel()->text(), QStringLiteral("00:03"));
        QWidget* button = audio->playOrPauseButton();
        CHECK_COLOUR(shot.at(button, QPointF(6, button->height() / 2)), kHouseTint);
        QCOMPARE(shot.viewer()->doneButton()->titleColorForState(platform::ui::Button::State::Normal),
                 kHouseTint);
        CHECK_COLOUR(shot.at(audio, QPointF(4, 4)), QColor(255, 255, 255));
        // Nothing runs off the side.
        for (QWidget* part :
             {static_cast<QWidget*>(audio->fileNameAndSize()), static_cast<QWidget*>(audio->audioSlider()),
              static_cast<QWidget*>(audio->totalTimeLabel())})
            QVERIFY(audio->rect().contains(part->geometry()));
    }

    void pdfPage_data() { sizes_data(); }
    void pdfPage() {
        QFETCH(QString, suffix);
        Shot shot(QStringLiteral("PDFViewer") + suffix);
        auto* document = qobject_cast<PLDownloadedDocumentViewer*>(shot.viewer()->currentViewer());
        QVERIFY(document);
        platform::ui::DocumentPreview* preview = document->previewController();
        QCOMPARE(preview->kind(), platform::ui::DocumentPreview::Kind::PDF);
        const QRect page = preview->canvas()->pageRect(0);
        QWidget* canvas = preview->canvas();
        // The title band is the top ninth of an A5 page.
        CHECK_COLOUR(shot.at(canvas, QPointF(page.center().x(), page.top() + page.height() * 0.05)),
                     QColor(0, 122, 255));
        CHECK_COLOUR(shot.at(canvas, QPointF(page.center().x(), page.top() + page.height() * 0.9)),
                     QColor(255, 255, 255));
        QVERIFY(page.width() <= preview->viewport()->width());
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestMediaGallery t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_mediagallery.moc"
