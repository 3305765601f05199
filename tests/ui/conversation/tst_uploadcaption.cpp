// The upload preview and its caption editor: the counter in UTF-16 units, edits past 140 refused
// whole, replacements counted, the editor's growth between its bounds, what Done hands back (once),
// and the cancel confirmation.
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/Label.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/FakeMediaPlayer.h"
#include "ui/account/PLPickerInfo.h"
#include "ui/conversation/PLCaptionTextView.h"
#include "ui/conversation/PLDownloadedImageViewer.h"
#include "ui/conversation/PLDownloadedVideoViewer.h"
#include "ui/conversation/PLUploadViewerWithCaptionController.h"
#include "ui/conversation/PLUploadsCaptionView.h"

#include "MirroredGeometry.h"
#include "TestSandbox.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

using namespace pelnix;
using platform::ui::AlertView;
using test::mirroredIn;
using test::Turned;

namespace {

struct Captions {
    int calls = 0;
    QString last;
    PLUploadViewerWithCaptionController::CaptionEditedCompletionHandler handler() {
        return [this](const QString& caption) {
            ++calls;
            last = caption;
        };
    }
};

QString units(int count) {
    return QString(count, QLatin1Char('x'));
}

void click(QWidget* widget, QPoint at) {
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

} // namespace

class TestUploadCaption : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void theCounterCountsUTF16Units_data();
    void theCounterCountsUTF16Units();
    void editsPastTheLimitAreRefusedWhole_data();
    void editsPastTheLimitAreRefusedWhole();
    void theEditorGrowsOnlyBetweenItsBounds();
    void doneHandsTheCaptionBackOnce_data();
    void doneHandsTheCaptionBackOnce();
    void cancelAsksFirst();
    void theEditorSitsUnderTheBarAndTheKeyboardMovesBoth();
    void aPictureShowsInThePictureViewerThatZooms();
    void aVideoPlaysInTheVideoViewer();
    void theBarMirrorsRightToLeft_data();
    void theBarMirrorsRightToLeft();

private:
    PLUploadViewerWithCaptionController* open();
    PLCaptionTextView* openEditor(PLUploadViewerWithCaptionController* screen);

    std::unique_ptr<pelnix::test::TestSandbox> sandbox;
    std::unique_ptr<platform::ui::Window> window;
    platform::ui::ViewController* root = nullptr;
};

void TestUploadCaption::init() {
    platform::ui::Animator::setInstant(true);
    sandbox = std::make_unique<pelnix::test::TestSandbox>();
    window = std::make_unique<platform::ui::Window>();
    window->resize(320, 568);
    root = new platform::ui::ViewController;
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    QApplication::setActiveWindow(window.get());
}

void TestUploadCaption::cleanup() {
    window.reset();
    sandbox.reset();
}

PLUploadViewerWithCaptionController* TestUploadCaption::open() {
    QImage picture(800, 600, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    auto* screen = new PLUploadViewerWithCaptionController;
    screen->setPickerSelection({{PLPickerInfo::kMediaTypeKey, PLPickerInfo::kImageType},
                                {PLPickerInfo::kOriginalImageKey, picture}});
    root->presentViewController(screen, false);
    return screen;
}

PLCaptionTextView* TestUploadCaption::openEditor(PLUploadViewerWithCaptionController* screen) {
    screen->addCaptionButton()->click();
    return screen->captionView() ? screen->captionView()->captionsTextView() : nullptr;
}

void TestUploadCaption::theCounterCountsUTF16Units_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("counter");
    QTest::newRow("empty") << QString() << "0/140";
    QTest::newRow("twelve") << QStringLiteral("Sunset again") << "12/128";
    QTest::newRow("at the limit") << units(140) << "140/0";
    QTest::newRow("a face counts two") << QString::fromUtf8("\xF0\x9F\x98\x80") << "2/138";
    QTest::newRow("accented letter") << QString::fromUtf8("caf\xC3\xA9") << "4/136";
}

void TestUploadCaption::theCounterCountsUTF16Units() {
    QFETCH(QString, text);
    QFETCH(QString, counter);
    PLCaptionTextView* editor = openEditor(open());
    QVERIFY(editor);
    QCOMPARE(qobject_cast<PLUploadsCaptionView*>(editor->parentWidget())->characterCountLabel()->text(),
             QStringLiteral("0/140"));
    QVERIFY(editor->insertAsTyped(text) || text.isEmpty());
    auto* captionView = qobject_cast<PLUploadsCaptionView*>(editor->parentWidget());
    QCOMPARE(captionView->characterCountLabel()->text(), counter);
    QCOMPARE(captionView->addCaptionPlaceHolder()->isVisible(), text.isEmpty());
}

void TestUploadCaption::editsPastTheLimitAreRefusedWhole_data() {
    QTest::addColumn<int>("present");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<int>("after");
    QTest::newRow("paste that fits") << 130 << 0 << units(10) << 140;
    QTest::newRow("paste one past: refused, not cut") << 130 << 0 << units(11) << 130;
    QTest::newRow("replacing ten with ten") << 140 << 10 << units(10) << 140;
    QTest::newRow("replacing ten with eleven") << 140 << 10 << units(11) << 140 - 10 + 10;
    QTest::newRow("a face where one unit is left")
        << 139 << 0 << QString::fromUtf8("\xF0\x9F\x98\x80") << 139;
}

void TestUploadCaption::editsPastTheLimitAreRefusedWhole() {
    QFETCH(int, present);
    QFETCH(int, selected);
    QFETCH(QString, pasted);
    QFETCH(int, after);
    PLCaptionTextView* editor = openEditor(open());
    QVERIFY(editor->insertAsTyped(QString(present, QLatin1Char('a'))));
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(selected, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    QApplication::clipboard()->setText(pasted);
    editor->paste();
    QCOMPARE(editor->toPlainText().size(), after);
    // The refusal leaves the text as it was, selection included.
    if (after == present && selected == 0 && pasted.size() + present > 140)
        QCOMPARE(editor->toPlainText(), QString(present, QLatin1Char('a')));

    // Typing past the limit is refused key by key.
    editor->selectAll();
    editor->insertAsTyped(units(139));
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, QStringLiteral("yz"));
    QCOMPARE(editor->toPlainText(), units(139) + QLatin1Char('y'));
}

void TestUploadCaption::theEditorGrowsOnlyBetweenItsBounds() {
    PLUploadViewerWithCaptionController* screen = open();
    PLCaptionTextView* editor = openEditor(screen);
    PLUploadsCaptionView* captionView = screen->captionView();
    QCOMPARE(captionView->height(), PLUploadsCaptionView::kInitialHeight);
    // One line: below the lower bound the text falls back to its first height.
    editor->insertAsTyped(QStringLiteral("one"));
    QCOMPARE(captionView->height(), PLUploadsCaptionView::kInitialHeight);
    QCOMPARE(editor->height(), captionView->defaultCaptionTextViewHeight());
    QList<int> heights;
    for (int line = 0; line < 9; ++line) {
        editor->insertAsTyped(QStringLiteral("\nline"));
        heights << captionView->height();
        const int needed = editor->heightForCurrentText() + PLUploadsCaptionView::kCounterHeight;
        if (needed > PLUploadsCaptionView::PLMinCaptionViewHeight &&
            needed < PLUploadsCaptionView::PLMaxCaptionViewHeight)
            QCOMPARE(captionView->height(), needed);
        QVERIFY2(captionView->height() < PLUploadsCaptionView::PLMaxCaptionViewHeight,
                 qPrintable(QString::number(captionView->height())));
    }
    QVERIFY2(heights.first() < heights.last(), "the editor grew");
    QCOMPARE(heights.at(heights.size() - 1), heights.at(heights.size() - 2)); // stopped growing
    // Its bottom stays on the screen's bottom, the bar right above it.
    QCOMPARE(captionView->geometry().bottom() + 1, screen->view()->height());
    QCOMPARE(screen->bottomView()->geometry().bottom() + 1, captionView->y());
}

void TestUploadCaption::doneHandsTheCaptionBackOnce_data() {
    QTest::addColumn<bool>("editor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("isNull");
    QTest::newRow("editor never opened") << false << QString() << QString() << true;
    QTest::newRow("opened, left empty") << true << QString() << "" << false;
    QTest::newRow("only blanks and breaks") << true << QStringLiteral("  \n \n ") << "" << false;
    QTest::newRow("break inside") << true << QStringLiteral("a\nb") << "a b" << false;
    QTest::newRow("trimmed") << true << QStringLiteral("\n  hills at dusk \n") << "hills at dusk" << false;
}

void TestUploadCaption::doneHandsTheCaptionBackOnce() {
    QFETCH(bool, editor);
    QFETCH(QString, typed);
    QFETCH(QString, caption);
    QFETCH(bool, isNull);
    PLUploadViewerWithCaptionController* screen = open();
    Captions captions;
    screen->setCaptionEditedCompletionHandler(captions.handler());
    if (editor)
        openEditor(screen)->insertAsTyped(typed);
    const QRect bar = screen->bottomView()->geometry();
    screen->doneButton()->click();
    // The bar ends where it was before the editor opened, or stays where it is when it never did.
    QCOMPARE(screen->bottomView()->geometry(), editor ? QRect(0, 568 - 88, 320, 88) : bar);
    screen->doneButton()->click();
    QCOMPARE(captions.calls, 1);
    QCOMPARE(captions.last, caption);
    QCOMPARE(captions.last.isNull(), isNull);
    // The owner dismisses it, not the screen.
    QCOMPARE(root->presentedViewController(), screen);
}

void TestUploadCaption::cancelAsksFirst() {
    PLUploadViewerWithCaptionController* screen = open();
    Captions captions;
    screen->setCaptionEditedCompletionHandler(captions.handler());
    screen->cancelButton()->click();
    AlertView* alert = window->alerts().value(0);
    QVERIFY(alert);
    QCOMPARE(alert->title(), QStringLiteral("Confirm"));
    QCOMPARE(alert->message(), QStringLiteral("All changes will be lost. Continue?"));
    QCOMPARE(alert->buttonTitleAtIndex(0), QStringLiteral("Yes"));
    QCOMPARE(alert->buttonTitleAtIndex(1), QStringLiteral("No"));
    QCOMPARE(alert->cancelButtonIndex(), 1);
    QCOMPARE(alert->tag(), PLUploadViewerWithCaptionController::kCancelAlertTag);
    alert->tapButtonAtIndex(1);
    QCOMPARE(root->presentedViewController(), screen);

    screen->cancelButton()->click();
    window->alerts().value(0)->tapButtonAtIndex(0);
    QTRY_VERIFY(!root->presentedViewController());
    QCOMPARE(captions.calls, 0);
}

void TestUploadCaption::theEditorSitsUnderTheBarAndTheKeyboardMovesBoth() {
    PLUploadViewerWithCaptionController* screen = open();
    QWidget* bar = screen->bottomView();
    QCOMPARE(bar->geometry().bottom() + 1, 568);
    QCOMPARE(bar->height(), PLUploadViewerWithCaptionController::kAddCaptionButtonHeight +
                                PLUploadViewerWithCaptionController::kBottomBarHeight);
    QVERIFY(screen->previewViewer());
    QCOMPARE(screen->previewContainerView()->geometry().bottom() + 1, bar->y());
    openEditor(screen);
    PLUploadsCaptionView* captionView = screen->captionView();
    QVERIFY(screen->addCaptionButton()->isHidden());
    QCOMPARE(captionView->geometry(), QRect(0, 568 - 80, 320, 80));
    QCOMPARE(bar->geometry(), QRect(0, 568 - 80 - 44, 320, 44));
    QVERIFY(screen->doneButton()->isVisible());

    // A keyboard of 216 points lifts the editor and the bar together; hiding it brings them back.
    platform::ui::KeyboardMonitor::shared()->show(216, window.get());
    QCOMPARE(captionView->geometry(), QRect(0, 568 - 80 - 216, 320, 80));
    QCOMPARE(bar->geometry(), QRect(0, 568 - 80 - 44 - 216, 320, 44));
    platform::ui::KeyboardMonitor::shared()->hide();
    QCOMPARE(captionView->geometry(), QRect(0, 568 - 80, 320, 80));
    // Growing after the keyboard went keeps the editor on the screen's bottom edge.
    captionView->captionsTextView()->insertAsTyped(QStringLiteral("one\ntwo\nthree\nfour"));
    QVERIFY(captionView->height() > 80);
    QCOMPARE(captionView->geometry().bottom() + 1, 568);
    QCOMPARE(bar->geometry().bottom() + 1, captionView->y());

    // Done slides it back down: the add-caption button returns over the bar.
    screen->doneButton()->click();
    QVERIFY(!screen->addCaptionButton()->isHidden());
    QCOMPARE(bar->geometry(), QRect(0, 568 - 88, 320, 88));
}

void TestUploadCaption::aPictureShowsInThePictureViewerThatZooms() {
    platform::ui::Scheduler::shared()->setVirtualClock(true);
    PLUploadViewerWithCaptionController* screen = open();
    auto* viewer = qobject_cast<PLDownloadedImageViewer*>(screen->previewViewer());
    QVERIFY(viewer);
    QCOMPARE(viewer->geometry(), screen->previewContainerView()->rect());
    QCOMPARE(viewer->downloadedImage()->image().pixelColor(4, 4), QColor(Qt::darkGreen));
    auto* zoom = viewer->imageScrollView();
    QCOMPARE(zoom->minimumZoomScale(), PLDownloadedImageViewer::kMinimumZoomScale);
    QCOMPARE(zoom->maximumZoomScale(), PLDownloadedImageViewer::kMaximumZoomScale);
    // The mouse reaches it: a double click zooms all the way in, another back to the fitted size.
    QWidget* surface = zoom->viewport();
    const QPoint middle = surface->rect().center();
    click(surface, middle);
    click(surface, middle);
    QCOMPARE(zoom->zoomScale(), 3.0);
    platform::ui::Scheduler::shared()->advance(platform::ui::TapGestureRecognizer::kTapIntervalMs + 1);
    click(surface, middle);
    click(surface, middle);
    QCOMPARE(zoom->zoomScale(), 1.0);
    platform::ui::Scheduler::shared()->advance(platform::ui::TapGestureRecognizer::kTapIntervalMs + 1);
    // A single click on the picture puts the keyboard away.
    PLCaptionTextView* editor = openEditor(screen);
    QTRY_VERIFY(editor->hasFocus());
    click(surface, middle);
    platform::ui::Scheduler::shared()->advance(platform::ui::TapGestureRecognizer::kTapIntervalMs + 1);
    QVERIFY(!editor->hasFocus());
    platform::ui::Scheduler::shared()->setVirtualClock(false);
}

void TestUploadCaption::aVideoPlaysInTheVideoViewer() {
    QList<QPointer<platform::ui::FakeMediaPlayer>> players;
    platform::ui::MediaPlayer::setMaker([&players](QObject* parent) {
        auto* player = new platform::ui::FakeMediaPlayer(parent);
        players << player;
        return player;
    });
    auto* screen = new PLUploadViewerWithCaptionController;
    screen->setPickerSelection({{PLPickerInfo::kMediaTypeKey, PLPickerInfo::kMovieType},
                                {PLPickerInfo::kMediaURLKey, QStringLiteral("/clips/recorded.webm")}});
    root->presentViewController(screen, false);
    auto* viewer = qobject_cast<PLDownloadedVideoViewer*>(screen->previewViewer());
    QVERIFY(viewer);
    QCOMPARE(viewer->geometry(), screen->previewContainerView()->rect());
    QCOMPARE(players.size(), 1);
    QCOMPARE(players.first()->loadedURLs, QList<QUrl>{QUrl::fromLocalFile("/clips/recorded.webm")});
    QVERIFY(players.first()->isPlaying());
    QVERIFY(viewer->playPauseButton()->isVisible());
    // Leaving the screen stops the preview playing.
    root->dismissViewController(false);
    QVERIFY(!players.first() || !players.first()->isPlaying());
    platform::ui::MediaPlayer::setMaker({});
}

void TestUploadCaption::theBarMirrorsRightToLeft_data() {
    QTest::addColumn<Turned>("turned");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QSize>("size");
    QTest::newRow("rtl") << Turned::FromTheStart << false << QSize(320, 568);
    QTest::newRow("rtl, editing") << Turned::FromTheStart << true << QSize(320, 568);
    QTest::newRow("rtl program") << Turned::Program << false << QSize(320, 568);
    QTest::newRow("rtl program, editing, 1024 x 768") << Turned::Program << true << QSize(1024, 768);
    QTest::newRow("rtl turned while shown") << Turned::WhileShown << false << QSize(400, 720);
    QTest::newRow("rtl turned while editing") << Turned::WhileShown << true << QSize(320, 568);
}

// Right to left, Cancel lies at the bar's right end and Done at its left, where left to right has
// them mirrored in the bar's width, with the editor closed or open; turned back, they are where left
// to right puts them.
void TestUploadCaption::theBarMirrorsRightToLeft() {
    QFETCH(Turned, turned);
    QFETCH(bool, editing);
    QFETCH(QSize, size);
    test::turnRightToLeft(turned, false, window.get());
    window->resize(size);
    PLUploadViewerWithCaptionController* screen = open();
    if (editing)
        QVERIFY(openEditor(screen));
    test::turnRightToLeft(turned, true, window.get());
    QWidget* bar = screen->bottomView();
    QCOMPARE(bar->width(), size.width());
    const QRect cancel = screen->cancelButton()->geometry();
    const QRect done = screen->doneButton()->geometry();
    test::turnBack(window.get());
    const QRect ltrCancel = screen->cancelButton()->geometry();
    const QRect ltrDone = screen->doneButton()->geometry();
    QCOMPARE(ltrCancel.x(), 12);
    QCOMPARE(ltrDone.right() + 1, size.width() - 12);
    QCOMPARE(cancel, mirroredIn(bar->width(), ltrCancel));
    QCOMPARE(done, mirroredIn(bar->width(), ltrDone));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestUploadCaption t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_uploadcaption.moc"
