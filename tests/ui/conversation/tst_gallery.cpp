// The conversation gallery: every screen renders at its size, and the picture shows what the rows
// are about at points computed from the views: the new-updates separator, the unread dot, the date
// pill, the failure mark, the upload ring at 40 %, the mirrored layout, system events read and
// unread, a compact row under its sender's full one, and the clock of a post still waiting.

#include "ConversationGalleryShot.h"
#include "DeliveredRowTimes.h"
#include "GalleryConversation.h"
#include "TestSandbox.h"

#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "foundation/persistence/PLPersistence.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/Window.h"
#include "ui/conversation/PLCellImageView.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLDateMessageCell.h"
#include "ui/conversation/PLExtendedTextMessageCell.h"
#include "ui/conversation/PLMessageCellLayout.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"
#include "ui/conversation/PLPendingRichMediaView.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/PLRotatingImageView.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/PLTextMessageCell.h"
#include "ui/conversation/PLUnreadMessagesSeparatorCell.h"
#include "ui/conversation/PLUserActionMessageCell.h"
#include "ui/toolkit/PLCircularProgressView.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

using GalleryShot = pelnix::test::ConversationGalleryShot;
using pelnix::test::darkestIn;
using pelnix::test::DeliveredRowTimes;
using pelnix::test::describe;
using pelnix::test::near;
const QString kStoryboard = GalleryShot::kStoryboard;

const QColor kAccent(0x25, 0xA5, 0x49);
const QColor kUnreadBlue(0x00, 0x71, 0xBD);
const QColor kPill(0xE4, 0xE8, 0xEC);
const QColor kFailureRed(0xD9, 0x3A, 0x2B);
const QColor kAvatarGrey(0xD5, 0xDA, 0xDF);
const QColor kReadEventGrey(0xBF, 0xBF, 0xBF);
// The platform's dark grey, one third white.
const QColor kUnreadEventGrey(0x55, 0x55, 0x55);

} // namespace

class TestConversationGallery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        pelnix::test::prepareGalleryShots();
        tools::registerConversationGalleryScreens();
    }
    void cleanupTestCase() { pelnix::test::releaseGalleryModel(); }

    void everyScreenRendersAtItsSize_data();
    void everyScreenRendersAtItsSize();
    void noControlCoversATimeOrTheNewestRow_data();
    void noControlCoversATimeOrTheNewestRow();
    void emptyRoomShowsOnlyTheInputBar();
    void roomShowsSeparatorDotPillAndFailure_data();
    void roomShowsSeparatorDotPillAndFailure();
    void theSeparatorReadsItsCountFirstRightToLeft();
    void pictureUploadsWithItsRingAtFortyPercent();
    void rightToLeftPutsTheAvatarsOnTheRight();
    void theEmptyInputWaitsAtItsLeadingEdge_data();
    void theEmptyInputWaitsAtItsLeadingEdge();
    void roomShowsSystemEventsGroupingAndAWaitingPost_data();
    void roomShowsSystemEventsGroupingAndAWaitingPost();
    void aPictureTakenBeforeTheTimesFadeInIsTold();
};

void TestConversationGallery::everyScreenRendersAtItsSize_data() {
    QTest::addColumn<QString>("identifier");
    for (const QString& identifier : ScreenRegistry::shared()->identifiers(kStoryboard))
        QTest::addRow("%s", qPrintable(identifier)) << identifier;
}

void TestConversationGallery::everyScreenRendersAtItsSize() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    QVERIFY(shot.chat);
    const QSize size = tools::conversationGallerySize(identifier);
    QCOMPARE(shot.window.size(), size);
    QCOMPARE(shot.chat->collectionView()->width(), size.width());
    // The input bar spans the bottom (a removed user has none); the list ends at its top.
    QWidget* bar = static_cast<QWidget*>(shot.chat->postToChatView());
    if (identifier.startsWith(QLatin1String("ChatWindowRemovedUser")))
        return;
    QCOMPARE(bar->mapTo(&shot.window, QPoint(0, bar->height())).y(), size.height());
    QCOMPARE(bar->width(), size.width());
    QCOMPARE(shot.chat->collectionView()->contentInset().bottom(), bar->height());
    // Inside its navigation bar, as a host shows it: the room's name above the list.
    auto* navigation = shot.chat->navigationController();
    QVERIFY(navigation);
    NavigationBar* navigationBar = navigation->navigationBar();
    QVERIFY(navigationBar->isVisibleTo(&shot.window));
    QCOMPARE(navigationBar->titleText(), shot.chat->chatRoom()->displayName());
    QVERIFY(!navigationBar->titleText().isEmpty());
    QVERIFY(shot.chat->collectionView()->mapTo(&shot.window, QPoint()).y() >= navigationBar->height());
    // Every smart message in view shows its page in the picture: the picture is taken once the pages
    // are shown, as the screenshot tool takes it.
    QVERIFY2(shot.awaitPages(), "a page in view did not show");
    const int listBottom =
        shot.chat->collectionView()->height() - int(shot.chat->collectionView()->contentInset().bottom());
    for (auto* cell : shot.chat->collectionView()->visibleCells()) {
        auto* smart = qobject_cast<PLSmartMessageCell*>(cell);
        if (!smart || !GalleryShot::showsPage(smart))
            continue;
        QWidget* page = smart->webView();
        const QRect inList(page->mapTo(shot.chat->collectionView(), QPoint()), page->size());
        const QRect seen = inList.intersected(QRect(0, 0, shot.chat->collectionView()->width(), listBottom));
        if (seen.height() < 8)
            continue;
        const QRect local = seen.translated(-inList.topLeft());
        QVERIFY2(
            shot.any(page, local.adjusted(2, 2, -2, -2), [](const QColor& c) { return c.lightness() < 150; }),
            "an empty page in the picture");
    }
}

void TestConversationGallery::noControlCoversATimeOrTheNewestRow_data() {
    everyScreenRendersAtItsSize_data();
}

// The floating scroll buttons cover no time, clock or failure mark of a row in view, and a list at its
// end shows its newest row whole above the input bar, however far that has grown.
void TestConversationGallery::noControlCoversATimeOrTheNewestRow() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    QVERIFY(shot.chat);
    auto* list = shot.chat->collectionView();
    QWidget* bar = static_cast<QWidget*>(shot.chat->postToChatView());
    const auto inWindow = [&](const QWidget* view) {
        return QRect(view->mapTo(&shot.window, QPoint()), view->size());
    };
    const int listBottom = bar->isVisible() ? bar->mapTo(&shot.window, QPoint()).y()
                                            : list->mapTo(&shot.window, QPoint(0, list->height())).y();
    const QString covered = pelnix::test::markUnderAScrollButton(shot, shot.chat);
    QVERIFY2(covered.isEmpty(), qPrintable(covered));
    // At the end of the list, the newest row stands whole above the input bar: a list that was at its
    // end when the user typed the bar taller is still there.
    const int rows = shot.chat->rowList().count();
    const bool keptAtItsEnd = identifier.startsWith(QLatin1String("ChatWindowInputBarGrown"));
    if (rows == 0 || (!keptAtItsEnd && list->contentOffset().y() < list->maximumContentOffset().y() - 1))
        return;
    auto* newest = list->cellForItemAtIndexPath(platform::ui::IndexPath::forItem(rows - 1));
    QVERIFY2(newest && newest->isVisible(), "the newest row is in view");
    QVERIFY2(inWindow(newest).bottom() < listBottom,
             qPrintable(QStringLiteral("the newest row ends at %1, the input bar starts at %2")
                            .arg(inWindow(newest).bottom())
                            .arg(listBottom)));
}

void TestConversationGallery::emptyRoomShowsOnlyTheInputBar() {
    GalleryShot shot(QStringLiteral("ChatWindowEmpty"));
    QCOMPARE(shot.chat->rowList().count(), 0);
    auto* list = shot.chat->collectionView();
    for (const QPointF& point : {QPointF(20, 20), QPointF(160, 280), QPointF(300, 440)})
        QVERIFY2(near(shot.at(list, point), Qt::white, 2), describe(shot.at(list, point)));
}

void TestConversationGallery::roomShowsSeparatorDotPillAndFailure_data() {
    QTest::addColumn<QString>("identifier");
    QTest::newRow("320 x 568") << QStringLiteral("ChatWindowRoom");
    QTest::newRow("400 x 720") << QStringLiteral("ChatWindowRoom400x720");
    QTest::newRow("1024 x 768") << QStringLiteral("ChatWindowRoom1024x768");
}

void TestConversationGallery::roomShowsSeparatorDotPillAndFailure() {
    QFETCH(QString, identifier);
    GalleryShot shot(identifier);
    const int separatorRow = shot.chat->rowList().unreadMessageSeperatorIndexIfPresent();
    auto* separator = shot.cellAt<PLUnreadMessagesSeparatorCell>(separatorRow);
    QVERIFY2(separator, "the separator is in view");
    auto* button = separator->countIndicatorButton();
    QCOMPARE(button->titleForState(Button::State::Normal), QStringLiteral("3 New Updates "));
    // The pill's left end, clear of the title, and the line at the cell's far left.
    QVERIFY2(near(shot.at(button, {4, button->height() / 2.0}), kAccent), describe(shot.at(button, {4, 11})));
    QVERIFY(near(shot.at(separator, {2, separator->height() / 2.0}), kAccent, 40));

    auto* bob = shot.cellAt<PLTextMessageCell>(shot.rowOf(QStringLiteral("m6")));
    QVERIFY(bob);
    auto* dot = bob->unreadIndicatorImageView();
    QVERIFY(dot->isVisible());
    QVERIFY2(near(shot.at(dot, QRectF(dot->rect()).center()), kUnreadBlue, 30),
             describe(shot.at(dot, QRectF(dot->rect()).center())));
    // A read row has no dot.
    auto* carol = shot.cellAt<PLTextMessageCell>(shot.rowOf(QStringLiteral("m5")));
    QVERIFY(carol && !carol->unreadIndicatorImageView()->isVisible());

    // Today's date pill, beside its text.
    auto* today = shot.cellAt<PLDateMessageCell>(shot.rowOf(QStringLiteral("m4")) - 1);
    QVERIFY(today);
    auto* label = static_cast<QWidget*>(today->dateStringLabel());
    QVERIFY2(near(shot.at(label, {3, label->height() / 2.0}), kPill, 6), describe(shot.at(label, {3, 10})));

    // The failed post's mark, its row brought into view: at the phone's size it may lie under the fold.
    const int failedRow = shot.rowOf(QStringLiteral("This one did not go through."));
    shot.chat->collectionView()->scrollToItemAtIndexPath(IndexPath::forItem(failedRow),
                                                         RowListView::ScrollPosition::None, false);
    shot.retake();
    auto* failed = shot.cellAt<PLTextMessageCell>(failedRow);
    QVERIFY(failed && failed->pendingMessageIndicatorView());
    auto* mark = static_cast<QWidget*>(failed->pendingMessageIndicatorView()->failureIndicatorButton());
    QVERIFY(mark->isVisible());
    QVERIFY2(near(shot.at(mark, {4, 9}), kFailureRed, 40), describe(shot.at(mark, {4, 9})));
}

// Right to left, in the window's view or in the whole program, the separator's title reads its count
// first, as left to right: the same white ink in its green pill.
void TestConversationGallery::theSeparatorReadsItsCountFirstRightToLeft() {
    const auto titleInk = [](const QString& identifier) {
        GalleryShot shot(identifier);
        auto* separator = shot.cellAt<PLUnreadMessagesSeparatorCell>(
            shot.chat->rowList().unreadMessageSeperatorIndexIfPresent());
        if (!separator)
            return QImage();
        QWidget* button = separator->countIndicatorButton();
        const int corner = button->height() / 2;
        QRect ink;
        for (int y = 0; y < button->height(); ++y)
            for (int x = corner; x < button->width() - corner; ++x)
                if (qGray(shot.at(button, QPointF(x, y)).rgb()) > 200)
                    ink |= QRect(x, y, 1, 1);
        QImage title(ink.size(), QImage::Format_RGB32);
        for (int y = 0; y < ink.height(); ++y)
            for (int x = 0; x < ink.width(); ++x)
                title.setPixel(x, y, shot.at(button, QPointF(ink.left() + x, ink.top() + y)).rgb());
        return title;
    };
    const QImage leftToRight = titleInk(QStringLiteral("ChatWindowRoom"));
    QVERIFY(!leftToRight.isNull());
    QVERIFY(titleInk(QStringLiteral("ChatWindowRoomRightToLeft")) == leftToRight);
    QVERIFY(titleInk(QStringLiteral("ChatWindowRoomProgramRightToLeft")) == leftToRight);
    // The program's direction was the screen's only.
    QCOMPARE(QGuiApplication::layoutDirection(), Qt::LeftToRight);
}

void TestConversationGallery::pictureUploadsWithItsRingAtFortyPercent() {
    GalleryShot shot(QStringLiteral("ChatWindowRoomAtBottom"));
    auto* picture = shot.cellAt<PLSmartMessageCell>(shot.chat->rowList().count() - 1);
    QVERIFY(picture);
    auto* upload = picture->pendingRichMediaView();
    QVERIFY(upload->isVisible());
    QCOMPARE(upload->uploadStatusImageName(), QStringLiteral("cancelUpload_icon"));
    auto* ring = upload->circularProgressView();
    QVERIFY(ring->isVisible());
    QCOMPARE(ring->currentProgress(), 0.4);
    // The arc starts at the top and runs clockwise for 40 %: white at 12 o'clock and at 3 o'clock
    // on its line, the dimmed picture at 9 o'clock.
    const qreal radius = ring->width() / 2.0 - 3.0;
    const QPointF centre = QRectF(ring->rect()).center();
    QVERIFY2(near(shot.at(ring, centre + QPointF(0, -radius)), Qt::white, 30),
             describe(shot.at(ring, centre + QPointF(0, -radius))));
    QVERIFY2(near(shot.at(ring, centre + QPointF(radius, 0)), Qt::white, 30),
             describe(shot.at(ring, centre + QPointF(radius, 0))));
    QVERIFY(shot.at(ring, centre + QPointF(-radius, 0)).lightness() < 200);
    // The thumbnail is dimmed: its sky is darker than the picture's own light blue.
    auto* thumbnail = upload->thumbNailImageView();
    QVERIFY(shot.at(thumbnail, {10, 6}).lightness() < QColor(0x7F, 0xB8, 0xE6).lightness());
}

void TestConversationGallery::rightToLeftPutsTheAvatarsOnTheRight() {
    GalleryShot shot(QStringLiteral("ChatWindowRoomRightToLeft"));

    auto* carol = shot.cellAt<PLTextMessageCell>(shot.rowOf(QStringLiteral("m5")));
    QVERIFY(carol);
    auto* avatar = carol->profileImageView();
    QVERIFY(avatar->x() > carol->width() / 2);
    QVERIFY2(near(shot.at(avatar, {avatar->width() / 2.0, 4}), kAvatarGrey, 10),
             describe(shot.at(avatar, {avatar->width() / 2.0, 4})));
    // The same point on the left side, below the time, is the cell's white.
    QVERIFY(near(shot.at(carol, {carol->width() - avatar->x() - avatar->width() / 2.0, 34}), Qt::white, 4));
    // The time starts at the leading edge's margin, moved clear of the scroll control that lies on
    // that edge, as the mirror of its place on the right.
    auto* time = carol->pendingMessageIndicatorView()->timeLabel();
    auto* control = shot.chat->scrollToBottomOrTopView();
    QVERIFY(control && control->isVisible());
    QCOMPARE(time->mapTo(carol, QPoint()).x(),
             8 + PLChatWindowScrollToBottomOrTopView::kWidth - PLMessageCellLayout::kTrailingMargin);
    QVERIFY(
        !control->geometry().intersects(QRect(time->mapTo(control->parentWidget(), QPoint()), time->size())));
    QVERIFY(time->alignment() & Qt::AlignLeft);
    // Its first glyph is inked within a few points of that margin.
    bool inked = false;
    for (int x = 0; x < 6 && !inked; ++x)
        for (int y = 4; y < time->height() - 4 && !inked; ++y)
            inked = !near(shot.at(time, {double(x), double(y)}), Qt::white, 40);
    QVERIFY(inked);
    // The scroll control lies on the mirrored trailing edge, the left, clear of every avatar.
    QCOMPARE(control->x(), 0);
    const QRect avatarInControlParent(avatar->mapTo(control->parentWidget(), QPoint()), avatar->size());
    QVERIFY(!control->geometry().intersects(avatarInControlParent));
    // The input bar is mirrored too: the media button at the left edge, the chatlet button at the right.
    auto* bar = static_cast<QWidget*>(shot.chat->postToChatView());
    auto* media = static_cast<QWidget*>(shot.chat->postToChatView()->mediaUploadButton());
    QCOMPARE(media->mapTo(bar, QPoint()).x(), 0);
    QCOMPARE(static_cast<QWidget*>(shot.chat->postToChatView()->postChatletButton())->geometry().right(),
             bar->width() - 1);
}

void TestConversationGallery::theEmptyInputWaitsAtItsLeadingEdge_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<bool>("atTheRight");
    QTest::newRow("left to right") << QStringLiteral("ChatWindowRoom") << false;
    QTest::newRow("window right to left") << QStringLiteral("ChatWindowRoomRightToLeft") << true;
    QTest::newRow("program right to left") << QStringLiteral("ChatWindowRoomProgramRightToLeft") << true;
}

// The empty input's placeholder (and its caret, where it shows) waits at the field's leading edge:
// the right, right to left, in the window's view as in a program right to left.
void TestConversationGallery::theEmptyInputWaitsAtItsLeadingEdge() {
    QFETCH(QString, identifier);
    QFETCH(bool, atTheRight);
    GalleryShot shot(identifier);
    QPlainTextEdit* field = shot.chat->postToChatView()->messageTextView();
    QVERIFY(field->toPlainText().isEmpty());
    QVERIFY(!field->placeholderText().isEmpty());
    int first = -1;
    int last = -1;
    for (int x = 0; x < field->width(); ++x)
        if (shot.any(field, QRect(x, 2, 1, field->height() - 4),
                     [](const QColor& c) { return c.lightness() < 235; })) {
            if (first < 0)
                first = x;
            last = x;
        }
    QVERIFY(first >= 0);
    // Within the document's margin and a glyph's bearing of the leading edge, well off the other.
    const int fromTheLeft = first;
    const int fromTheRight = field->width() - 1 - last;
    QVERIFY2(
        (atTheRight ? fromTheRight : fromTheLeft) <= 8 && (atTheRight ? fromTheLeft : fromTheRight) > 16,
        qPrintable(QStringLiteral("ink from x %1 to %2 of %3").arg(first).arg(last).arg(field->width())));
}

void TestConversationGallery::roomShowsSystemEventsGroupingAndAWaitingPost_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<bool>("readEventInView");
    QTest::newRow("320 x 568") << QStringLiteral("ChatWindowRoomAtBottom") << false;
    QTest::newRow("400 x 720") << QStringLiteral("ChatWindowRoom400x720") << true;
}

void TestConversationGallery::roomShowsSystemEventsGroupingAndAWaitingPost() {
    QFETCH(QString, identifier);
    QFETCH(bool, readEventInView);
    GalleryShot shot(identifier);
    const int listBottom =
        shot.chat->collectionView()->height() - int(shot.chat->collectionView()->contentInset().bottom());
    const auto onScreen = [&](const QWidget* view) {
        const int bottom = view->mapTo(shot.chat->collectionView(), QPoint(0, view->height())).y();
        return view->isVisible() && bottom <= listBottom;
    };

    // An unread system event: centred grey text with no avatar, darker than a read one.
    auto* renamed = shot.cellAt<PLUserActionMessageCell>(shot.rowOf(QStringLiteral("e2")));
    QVERIFY(renamed && onScreen(renamed));
    QVERIFY2(near(darkestIn(shot, renamed->messageLabel()), kUnreadEventGrey, 24),
             describe(darkestIn(shot, renamed->messageLabel())));
    if (readEventInView) {
        auto* left = shot.cellAt<PLUserActionMessageCell>(shot.rowOf(QStringLiteral("e1")));
        QVERIFY(left && onScreen(left));
        QVERIFY2(near(darkestIn(shot, left->messageLabel()), kReadEventGrey, 24),
                 describe(darkestIn(shot, left->messageLabel())));
    }

    // Bob's two messages a minute apart: the first in full with his avatar, the second compact under
    // it, white where an avatar would be.
    auto* full = shot.cellAt<PLTextMessageCell>(shot.rowOf(QStringLiteral("m6")));
    auto* compact = shot.cellAt<PLExtendedTextMessageCell>(shot.rowOf(QStringLiteral("m7")));
    QVERIFY(full && compact && onScreen(compact));
    auto* avatar = full->profileImageView();
    const QPointF avatarCentre = QRectF(avatar->rect()).center();
    QVERIFY(!near(shot.at(avatar, avatarCentre), Qt::white, 40));
    const QPoint underAvatar(avatar->mapTo(full, avatarCentre.toPoint()).x(), compact->height() / 2);
    QVERIFY2(near(shot.at(compact, underAvatar), Qt::white, 4), describe(shot.at(compact, underAvatar)));

    // The post still waiting in the outbox, grouped under the failed one: its clock, no failure mark.
    auto* waiting =
        shot.cellAt<PLExtendedTextMessageCell>(shot.rowOf(QStringLiteral("On my way to the office.")));
    QVERIFY(waiting && onScreen(waiting));
    auto* indicator = waiting->pendingMessageIndicatorView();
    auto* clock = static_cast<QWidget*>(indicator->clockIconImageView());
    QVERIFY(onScreen(clock));
    QVERIFY(!static_cast<QWidget*>(indicator->failureIndicatorButton())->isVisible());
    QVERIFY2(darkestIn(shot, clock).lightness() < 200, describe(darkestIn(shot, clock)));
}

// Rows laid out again at a new size hide their times until the fade (on the scheduler, here its
// virtual clock): a picture taken before it is told, one taken after the wait for it is not.
void TestConversationGallery::aPictureTakenBeforeTheTimesFadeInIsTold() {
    GalleryShot shot(QStringLiteral("ChatWindowRoomAtBottom"));
    QCOMPARE(DeliveredRowTimes::missing(shot.image, &shot.window), QString());
    auto* scheduler = Scheduler::shared();
    scheduler->setVirtualClock(true);
    const auto realClock = qScopeGuard([scheduler] { scheduler->setVirtualClock(false); });
    shot.window.resize(400, 720);
    const QImage before = Screenshot::grab(&shot.window);
    QVERIFY(!DeliveredRowTimes::shown(&shot.window));
    QVERIFY2(DeliveredRowTimes::missing(before, &shot.window)
                 .startsWith(QLatin1String("a delivered row without its time")),
             qPrintable(DeliveredRowTimes::missing(before, &shot.window)));
    QVERIFY(DeliveredRowTimes::await(&shot.window));
    const QImage after = Screenshot::grab(&shot.window);
    QCOMPARE(DeliveredRowTimes::missing(after, &shot.window), QString());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    // Smart-message rows show their pages through the browser engine.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestConversationGallery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gallery.moc"
