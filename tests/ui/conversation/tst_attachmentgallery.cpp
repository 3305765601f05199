// The gallery's pictures of the attachment screens, at 320 x 568 and 400 x 720, checked at points
// computed from the views: the sheet's four choices over the dimmed chat window, the upload preview
// with its caption editor seven units short of the limit, and the user's own pictures in the chat
// window, one with its ring at 60 % and one failed.

#include "ConversationGalleryShot.h"
#include "GalleryAttachments.h"
#include "GalleryConversation.h"
#include "TestSandbox.h"

#include "core/model/PLModelManager.h"
#include "foundation/persistence/PLPersistence.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Screenshot.h"
#include "ui/conversation/PLCaptionTextView.h"
#include "ui/conversation/PLDownloadedImageViewer.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"
#include "ui/conversation/PLPendingRichMediaView.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/PLUploadViewerWithCaptionController.h"
#include "ui/conversation/PLUploadsCaptionView.h"
#include "ui/toolkit/PLCircularProgressView.h"

#include <QApplication>
#include <QDir>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;
using pelnix::test::describe;
using pelnix::test::near;

namespace {

const QColor kFailureRed(0xD9, 0x3A, 0x2B);
const QColor kBar(0x1C, 0x1C, 0x1E);

using pelnix::test::addGalleryRows;

// A screen of the attachment gallery as the tool renders it.
struct AttachmentShot : pelnix::test::GalleryScreenShot {
    explicit AttachmentShot(const QString& identifier)
        : GalleryScreenShot(QStringLiteral("GalleryAttachments"), identifier) {}
};

bool isBlueText(const QColor& c) {
    return c.blue() > c.red() + 60 && c.blue() > 150;
}

} // namespace

class TestAttachmentGallery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        pelnix::test::prepareGalleryShots();
        tools::registerConversationGalleryScreens();
        tools::registerAttachmentGalleryScreens();
    }
    void cleanupTestCase() { pelnix::test::releaseGalleryModel(); }

    void theSheetOverTheDimmedWindow_data();
    void theSheetOverTheDimmedWindow();
    void theCaptionEditorNearItsLimit_data();
    void theCaptionEditorNearItsLimit();
    void theBarMirrorsRightToLeft_data();
    void theBarMirrorsRightToLeft();
    void ownPicturesUploadingAndFailed_data();
    void ownPicturesUploadingAndFailed();
};

void TestAttachmentGallery::theSheetOverTheDimmedWindow_data() {
    addGalleryRows({QStringLiteral("AttachmentSheet")});
}

void TestAttachmentGallery::theSheetOverTheDimmedWindow() {
    QFETCH(QString, identifier);
    AttachmentShot shot(identifier);
    QVERIFY(shot.controller);
    QCOMPARE(shot.window.size(), tools::attachmentGallerySize(identifier));
    ActionSheet* sheet = nullptr;
    for (AlertView* alert : shot.window.alerts())
        sheet = sheet ? sheet : qobject_cast<ActionSheet*>(alert);
    QVERIFY(sheet);
    for (int i = 0; i < 5; ++i) {
        auto* button = sheet->findChild<QWidget*>(QStringLiteral("alert.button.%1").arg(i));
        QVERIFY(button && button->isVisible());
        const QRect inWindow(button->mapTo(&shot.window, QPoint()), button->size());
        QVERIFY2(shot.window.rect().contains(inWindow), qPrintable(QString::number(i)));
        // Each title is drawn in the sheet's blue along the button's middle line; its ends are clear.
        bool text = false;
        for (int x = 0; x < button->width() && !text; ++x)
            text = isBlueText(shot.at(button, QPointF(x, button->height() / 2.0)));
        QVERIFY2(text, qPrintable(sheet->buttonTitleAtIndex(i)));
        QVERIFY2(!isBlueText(shot.at(button, QPointF(3, button->height() / 2.0))),
                 describe(shot.at(button, QPointF(3, button->height() / 2.0))));
    }
    // Above the sheet the chat window is dimmed: its white reads grey.
    auto* first = sheet->findChild<QWidget*>(QStringLiteral("alert.button.0"));
    const int sheetTop = first->mapTo(&shot.window, QPoint()).y();
    const QColor above =
        shot.image.pixelColor(2, qMax(0, sheetTop - 40) * shot.image.height() / shot.window.height());
    QVERIFY2(above.lightness() < 230, describe(above));
}

void TestAttachmentGallery::theCaptionEditorNearItsLimit_data() {
    addGalleryRows({QStringLiteral("UploadCaptionNearLimit")});
}

void TestAttachmentGallery::theCaptionEditorNearItsLimit() {
    QFETCH(QString, identifier);
    AttachmentShot shot(identifier);
    auto* screen = qobject_cast<PLUploadViewerWithCaptionController*>(shot.controller);
    QVERIFY(screen);
    const QSize size = tools::attachmentGallerySize(identifier);
    QCOMPARE(shot.window.size(), size);
    PLUploadsCaptionView* caption = screen->captionView();
    QVERIFY(caption && caption->isVisible());
    QCOMPARE(caption->characterCountLabel()->text(), QStringLiteral("133/7"));
    // The editor along the bottom, the bar right above it, the preview above the bar.
    QCOMPARE(caption->geometry().bottom() + 1, size.height());
    QCOMPARE(screen->bottomView()->geometry().bottom() + 1, caption->y());
    QVERIFY(caption->height() > PLUploadsCaptionView::PLMinCaptionViewHeight &&
            caption->height() < PLUploadsCaptionView::PLMaxCaptionViewHeight);
    QVERIFY(caption->characterCountLabel()->geometry().bottom() < caption->height());
    QVERIFY2(near(shot.at(screen->bottomView(), {screen->bottomView()->width() / 2.0, 4}), kBar, 8),
             describe(shot.at(screen->bottomView(), {screen->bottomView()->width() / 2.0, 4})));
    // The editor's white, and the counter's grey digits at its right end.
    QVERIFY(near(shot.at(caption, {2, 2}), Qt::white, 4));
    QWidget* counter = caption->characterCountLabel();
    bool digits = false;
    for (int x = counter->width() - 1; x > counter->width() - 40 && !digits; --x)
        digits = shot.at(counter, QPointF(x, counter->height() / 2.0)).lightness() < 200;
    QVERIFY(digits);
    // The picture fills the preview's width, centred: the wall's grey in the middle, black above.
    auto* viewer = qobject_cast<PLDownloadedImageViewer*>(screen->previewViewer());
    QVERIFY(viewer);
    ImageView* preview = viewer->downloadedImage();
    const QPointF centre = QRectF(preview->rect()).center();
    // Between two of the wall's joints.
    const QPointF wall = centre + QPointF(preview->width() * 0.04, -preview->width() * 0.05);
    QVERIFY2(near(shot.at(preview, wall), QColor(0xB0, 0xB0, 0xAC), 24), describe(shot.at(preview, wall)));
    QVERIFY(near(shot.at(preview, {preview->width() / 2.0, 3}), Qt::black, 8));
}

void TestAttachmentGallery::theBarMirrorsRightToLeft_data() {
    QTest::addColumn<QString>("identifier");
    QTest::newRow("preview") << QStringLiteral("UploadPreviewRightToLeft");
    QTest::newRow("caption near its limit") << QStringLiteral("UploadCaptionNearLimitRightToLeft");
}

// Right to left Cancel lies at the bar's right end and Done at its left, each title whole in white on
// the bar; with the editor open, its counter at the left end.
void TestAttachmentGallery::theBarMirrorsRightToLeft() {
    QFETCH(QString, identifier);
    AttachmentShot shot(identifier);
    auto* screen = qobject_cast<PLUploadViewerWithCaptionController*>(shot.controller);
    QVERIFY(screen);
    QCOMPARE(screen->view()->layoutDirection(), Qt::RightToLeft);
    const QSize size = tools::attachmentGallerySize(identifier);
    QCOMPARE(shot.window.size(), size);
    QWidget* bar = screen->bottomView();
    QCOMPARE(bar->geometry().left(), 0);
    QCOMPARE(bar->width(), size.width());
    Button* cancel = screen->cancelButton();
    Button* done = screen->doneButton();
    QCOMPARE(cancel->geometry().right() + 1, size.width() - 12);
    QCOMPARE(done->x(), 12);
    for (Button* button : {cancel, done}) {
        QVERIFY(button->isVisible());
        // White ink in the button's middle, the bar's dark at both its ends.
        int ink = 0;
        for (int x = 0; x < button->width(); ++x)
            ink += shot.at(button, QPointF(x, button->height() / 2.0)).lightness() > 200;
        QVERIFY2(ink > 2, qPrintable(button->objectName()));
        QVERIFY(near(shot.at(button, {1, button->height() / 2.0}), kBar, 8));
        QVERIFY(near(shot.at(button, {button->width() - 2.0, button->height() / 2.0}), kBar, 8));
    }
    PLUploadsCaptionView* caption = screen->captionView();
    if (identifier.startsWith(QLatin1String("UploadPreview"))) {
        QVERIFY(!caption);
        QVERIFY(screen->addCaptionButton()->isVisible());
        return;
    }
    QVERIFY(caption && caption->isVisible());
    QWidget* counter = caption->characterCountLabel();
    const auto inked = [&](int from, int to) {
        for (int x = from; x < to; ++x)
            if (shot.at(counter, QPointF(x, counter->height() / 2.0)).lightness() < 200)
                return true;
        return false;
    };
    QVERIFY(inked(0, 40));
    QVERIFY(!inked(counter->width() - 40, counter->width()));
}

void TestAttachmentGallery::ownPicturesUploadingAndFailed_data() {
    addGalleryRows({QStringLiteral("ChatWindowPictureUploads")});
}

void TestAttachmentGallery::ownPicturesUploadingAndFailed() {
    QFETCH(QString, identifier);
    pelnix::test::ConversationGalleryShot shot(identifier);
    QVERIFY(shot.chat);
    QCOMPARE(shot.window.size(), tools::conversationGallerySize(identifier));
    PLSmartMessageCell* uploading = nullptr;
    PLSmartMessageCell* failed = nullptr;
    for (int row = 0; row < shot.chat->rowList().count(); ++row)
        if (auto* cell = shot.cellAt<PLSmartMessageCell>(row);
            cell && cell->pendingRichMediaView()->isVisible())
            (cell->pendingRichMediaView()->circularProgressView()->isVisible() ? uploading : failed) = cell;
    QVERIFY2(uploading && failed, "both pictures are in view");

    auto* ring = uploading->pendingRichMediaView()->circularProgressView();
    QCOMPARE(ring->currentProgress(), 0.6);
    const qreal radius = ring->width() / 2.0 - 3.0;
    const QPointF centre = QRectF(ring->rect()).center();
    // 60 % clockwise from the top: white at 12 and at 6 o'clock, the dimmed picture at 9.
    QVERIFY2(near(shot.at(ring, centre + QPointF(0, -radius)), Qt::white, 30),
             describe(shot.at(ring, centre + QPointF(0, -radius))));
    QVERIFY2(near(shot.at(ring, centre + QPointF(0, radius)), Qt::white, 30),
             describe(shot.at(ring, centre + QPointF(0, radius))));
    QVERIFY(shot.at(ring, centre + QPointF(-radius, 0)).lightness() < 200);

    // The failed picture: no ring, its thumbnail undimmed (the sky's own light blue), the red mark.
    QVERIFY(!failed->pendingRichMediaView()->circularProgressView()->isVisible());
    auto* thumbnail = failed->pendingRichMediaView()->thumbNailImageView();
    QVERIFY2(shot.at(thumbnail, {10, 6}).lightness() >= QColor(0x7F, 0xB8, 0xE6).lightness() - 12,
             describe(shot.at(thumbnail, {10, 6})));
    auto* indicator = failed->findChild<PLPendingMessageIndicatorView*>();
    QVERIFY(indicator);
    auto* mark = static_cast<QWidget*>(indicator->failureIndicatorButton());
    QVERIFY(mark->isVisible());
    QVERIFY2(near(shot.at(mark, {4, 9}), kFailureRed, 40), describe(shot.at(mark, {4, 9})));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestAttachmentGallery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_attachmentgallery.moc"
