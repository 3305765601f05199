// The gallery's pictures of the chat window following its room, at 320 x 568 and 400 x 720, checked
// at points computed from the views: the "New Updates" button in its own colour above the bar, the
// banners over the whole bar, the failed-post sheets over the dimmed window, the bar grown to its
// maximum with the list ending at its top.

#include "ConversationGalleryShot.h"
#include "GalleryConversation.h"
#include "MirroredGeometry.h"
#include "TestSandbox.h"

#include "core/model/PLModelManager.h"
#include "foundation/persistence/PLPersistence.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/Window.h"
#include "ui/conversation/PLBulkUserJoinedMessageCell.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLClippedView.h"
#include "ui/conversation/PLLoadMoreMessagesView.h"
#include "ui/conversation/PLNewUpdatesNotificationButton.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/PLRoomStateBannerView.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/PLTextMessageCell.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

using LiveShot = pelnix::test::ConversationGalleryShot;
using pelnix::test::addGalleryRows;
using pelnix::test::darkestIn;
using pelnix::test::describe;
using pelnix::test::near;

} // namespace

class TestGalleryLive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        pelnix::test::prepareGalleryShots();
        tools::registerConversationGalleryScreens();
    }
    void cleanupTestCase() { pelnix::test::releaseGalleryModel(); }

    void newUpdatesButtonFloatsAboveTheBar_data();
    void newUpdatesButtonFloatsAboveTheBar();
    void bannerCoversTheWholeBar_data();
    void bannerCoversTheWholeBar();
    void aRemovedUserReadsWithoutABar_data();
    void aRemovedUserReadsWithoutABar();
    void failedPostSheetOverTheDimmedWindow_data();
    void failedPostSheetOverTheDimmedWindow();
    void barGrownToItsMaximum_data();
    void barGrownToItsMaximum();
    void loadMoreHeaderAboveTheOldestRow_data();
    void loadMoreHeaderAboveTheOldestRow();
    void joinedUsersRowExpanded_data();
    void joinedUsersRowExpanded();
    void joinedUsersArrowLiesAtTheLeftRightToLeft();
};

void TestGalleryLive::newUpdatesButtonFloatsAboveTheBar_data() {
    addGalleryRows({QStringLiteral("ChatWindowNewUpdatesButton")});
}

void TestGalleryLive::newUpdatesButtonFloatsAboveTheBar() {
    QFETCH(QString, identifier);
    LiveShot shot(identifier);
    QVERIFY(shot.chat);
    QCOMPARE(shot.window.size(), tools::conversationGallerySize(identifier));
    QCOMPARE(shot.chat->unreadMessagesNotificationViewState(),
             PLChatWindowViewController::kNotificationViewShown);
    auto* button = shot.chat->unreadMessgesNotifiactionButton();
    QWidget* bar = shot.chat->postToChatView();
    // Centred, its lower part just above the bar, over the older rows the user reads.
    QVERIFY(button->geometry().bottom() < bar->y());
    QVERIFY(qAbs(button->geometry().center().x() - shot.window.width() / 2) <= 1);
    QVERIFY(shot.chat->collectionView()->contentOffset().y() <
            shot.chat->collectionView()->contentSize().height() - shot.window.height());
    // Its background in the picture's own colour, left of the title.
    const QImage background = ImageAdditions::loadImageNamed(QStringLiteral("unreadMessagesNotificationBG"));
    const QColor expected = background.pixelColor(background.width() / 2, background.height() / 2);
    const QPointF point(6, button->height() / 2.0);
    QVERIFY2(near(shot.at(button, point), expected, 24), describe(shot.at(button, point)));
}

void TestGalleryLive::aRemovedUserReadsWithoutABar_data() {
    addGalleryRows({QStringLiteral("ChatWindowRemovedUser")});
}

void TestGalleryLive::aRemovedUserReadsWithoutABar() {
    QFETCH(QString, identifier);
    LiveShot shot(identifier);
    QVERIFY(shot.chat);
    QVERIFY(!shot.chat->userKickedMessageView());
    // The bar has gone below the screen; its field takes no typing.
    QWidget* bar = shot.chat->postToChatView();
    QVERIFY(bar->y() >= shot.chat->view()->height());
    QVERIFY(!shot.chat->postToChatView()->messageTextView()->isEnabled());
    QVERIFY(shot.chat->rowList().count() > 0);
}

void TestGalleryLive::bannerCoversTheWholeBar_data() {
    addGalleryRows({QStringLiteral("ChatWindowAdminOnlyBanner"), QStringLiteral("ChatWindowClosedBanner")});
}

void TestGalleryLive::bannerCoversTheWholeBar() {
    QFETCH(QString, identifier);
    LiveShot shot(identifier);
    QVERIFY(shot.chat);
    auto* banner = qobject_cast<PLRoomStateBannerView*>(shot.chat->userKickedMessageView());
    QVERIFY(banner);
    const bool closed = identifier.startsWith(QLatin1String("ChatWindowClosedBanner"));
    QCOMPARE(banner->objectName(), closed ? PLRoomStateBannerView::kRoomClosedMessageView
                                          : PLRoomStateBannerView::kUserKickedMessageView);
    QWidget* bar = shot.chat->postToChatView();
    QCOMPARE(bar->geometry().bottom(), shot.chat->view()->height() - 1);
    QCOMPARE(banner->geometry(), bar->rect());
    // Where the chatlet button and the media button would be, only the banner shows.
    for (const QPointF& point :
         {QPointF(22, bar->height() / 2.0), QPointF(bar->width() - 20, bar->height() / 2.0)})
        QVERIFY2(near(shot.at(bar, point), PLRoomStateBannerView::backgroundColor(), 3),
                 describe(shot.at(bar, point)));
    // Its text, whole: dark pixels across the middle of the label, none cut off at its edges.
    QWidget* label = banner->messageLabel();
    int dark = 0;
    for (int x = 0; x < label->width(); ++x)
        for (int y = 0; y < label->height(); ++y)
            dark += shot.at(label, {qreal(x), qreal(y)}).lightness() < 160;
    QVERIFY(dark > 100);
    QVERIFY(QFontMetrics(label->font())
                .boundingRect(label->rect(), Qt::TextWordWrap | Qt::AlignCenter, banner->text())
                .height() <= label->height());
}

void TestGalleryLive::failedPostSheetOverTheDimmedWindow_data() {
    addGalleryRows(
        {QStringLiteral("ChatWindowFailedPostSheet"), QStringLiteral("ChatWindowFailedPostsSheet")});
}

void TestGalleryLive::failedPostSheetOverTheDimmedWindow() {
    QFETCH(QString, identifier);
    LiveShot shot(identifier);
    QVERIFY(shot.chat);
    const auto alerts = shot.window.alerts();
    QCOMPARE(alerts.size(), 1);
    AlertView* sheet = alerts.first();
    const bool three = identifier.startsWith(QLatin1String("ChatWindowFailedPostsSheet"));
    QCOMPARE(sheet->title(), three ? QStringLiteral("3 Failed Messages") : QString());
    QCOMPARE(sheet->buttonTitleAtIndex(0), three ? QStringLiteral("Resend all") : QStringLiteral("Resend"));
    QCOMPARE(sheet->buttonTitleAtIndex(2), QStringLiteral("Cancel"));
    // At the bottom of the window, inside it, in its own light grey.
    QVERIFY(sheet->mapTo(&shot.window, QPoint(0, sheet->height())).y() <= shot.window.height());
    QVERIFY(sheet->mapTo(&shot.window, QPoint(0, 0)).y() > shot.window.height() / 2);
    QVERIFY2(near(shot.at(sheet, {sheet->width() / 2.0, 4}), QColor(248, 248, 248), 8),
             describe(shot.at(sheet, {sheet->width() / 2.0, 4})));
    // The list behind it is dimmed: its white background reads grey at the top right.
    auto* list = shot.chat->collectionView();
    const QColor behind = shot.at(list, {list->width() - 60.0, 4});
    QVERIFY2(behind.lightness() < 235, describe(behind));
    if (!three)
        return;
    // The poll's body is painted in its row behind the sheet: its text inked on the dimmed page.
    QVERIFY(shot.awaitPages());
    auto* poll = shot.cellAt<PLSmartMessageCell>(shot.chat->rowList().count() - 1);
    QVERIFY(poll && poll->isPageShown());
    QWidget* page = poll->webView();
    int ink = 0;
    for (int y = 0; y < page->height(); ++y)
        for (int x = 0; x < page->width(); ++x)
            ink += shot.at(page, {qreal(x), qreal(y)}).lightness() < 90;
    QVERIFY2(ink > 150, qPrintable(QString::number(ink)));
}

void TestGalleryLive::barGrownToItsMaximum_data() {
    addGalleryRows({QStringLiteral("ChatWindowInputBarGrown")});
    QTest::newRow("ChatWindowInputBarGrown 1024 x 768") << QStringLiteral("ChatWindowInputBarGrown1024x768");
}

void TestGalleryLive::barGrownToItsMaximum() {
    QFETCH(QString, identifier);
    LiveShot shot(identifier);
    QVERIFY(shot.chat);
    QWidget* bar = shot.chat->postToChatView();
    QCOMPARE(bar->height(), PLChatWindowViewController::kMaximumBarHeight);
    QCOMPARE(bar->y(), shot.chat->view()->height() - PLChatWindowViewController::kMaximumBarHeight);
    QCOMPARE(shot.chat->collectionView()->contentInset().bottom(),
             qreal(PLChatWindowViewController::kMaximumBarHeight));
    // The bar's own grey over its whole height, the list's white just above it.
    QVERIFY2(near(shot.at(bar, {4, 4}), QColor(0xF7, 0xF7, 0xF7), 4), describe(shot.at(bar, {4, 4})));
    QVERIFY2(near(shot.at(bar, {4, bar->height() - 4.0}), QColor(0xF7, 0xF7, 0xF7), 4),
             describe(shot.at(bar, {4, bar->height() - 4.0})));
    auto* list = shot.chat->collectionView();
    QVERIFY2(near(shot.at(list, {list->width() - 4.0, bar->y() - 3.0}), Qt::white, 4),
             describe(shot.at(list, {list->width() - 4.0, bar->y() - 3.0})));
    // The field shows the text's last line.
    auto* field = shot.chat->postToChatView()->messageTextView();
    QVERIFY(field->cursorRect().bottom() <= field->viewport()->height());
    QVERIFY(field->cursorRect().top() >= 0);
    // Every row above the bar shows its time, from the top row down.
    int times = 0;
    for (auto* cell : list->visibleCells()) {
        auto* text = qobject_cast<PLTextMessageCell*>(cell);
        if (!text || !text->pendingMessageIndicatorView())
            continue;
        QWidget* time = text->pendingMessageIndicatorView()->timeLabel();
        const int top = time->mapTo(list, QPoint()).y();
        if (top < 0 || top + time->height() > bar->y())
            continue;
        QVERIFY2(darkestIn(shot, time).lightness() < 160,
                 qPrintable(text->message()->text() + QLatin1Char(' ') + describe(darkestIn(shot, time))));
        ++times;
    }
    QVERIFY(times >= 5);
}

namespace {

// The pixel of `view` closest to `colour`, read across its whole area.
QColor closestIn(const LiveShot& shot, const QWidget* view, const QColor& colour) {
    QColor best(Qt::white);
    int bestDistance = INT_MAX;
    for (int y = 0; y < view->height(); ++y)
        for (int x = 0; x < view->width(); ++x) {
            const QColor c = shot.at(view, QPointF(x, y));
            const int d = std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                          std::abs(c.blue() - colour.blue());
            if (d < bestDistance)
                bestDistance = d, best = c;
        }
    return best;
}

} // namespace

void TestGalleryLive::loadMoreHeaderAboveTheOldestRow_data() {
    addGalleryRows({QStringLiteral("ChatWindowLoadMoreHeader")});
}

void TestGalleryLive::loadMoreHeaderAboveTheOldestRow() {
    QFETCH(QString, identifier);
    LiveShot shot(identifier);
    QVERIFY(shot.chat);
    auto* list = shot.chat->collectionView();
    QCOMPARE(list->contentOffset().y(), 0.0);
    PLLoadMoreMessagesView* header = nullptr;
    for (auto* view : list->findChildren<PLLoadMoreMessagesView*>())
        if (view->isVisibleTo(&shot.window))
            header = view;
    QVERIFY2(header, "the header shows above the oldest loaded row");
    QCOMPARE(header->height(), int(PLLoadMoreMessagesView::viewHeight()));
    // At the list's top, under the navigation bar, its title centred and inked in the tint.
    QCOMPARE(header->mapTo(list, QPoint()).y(), 0);
    auto* button = header->loadMoreButton();
    QCOMPARE(button->titleForState(Button::State::Normal), QStringLiteral("Load More Messages"));
    QVERIFY(qAbs(button->mapTo(list, button->rect().center()).x() - list->width() / 2) <= 1);
    const QColor tint(0x00, 0x71, 0xBD);
    QVERIFY2(near(closestIn(shot, button, tint), tint, 30), describe(closestIn(shot, button, tint)));
    // The first row starts below it.
    auto* first = list->cellForItemAtIndexPath(IndexPath::forItem(0));
    QVERIFY(first && first->mapTo(list, QPoint()).y() >= header->height());
}

void TestGalleryLive::joinedUsersRowExpanded_data() {
    addGalleryRows({QStringLiteral("ChatWindowJoinedUsersExpanded")});
}

void TestGalleryLive::joinedUsersRowExpanded() {
    QFETCH(QString, identifier);
    LiveShot shot(identifier);
    QVERIFY(shot.chat);
    auto* joined = shot.cellAt<PLBulkUserJoinedMessageCell>(shot.rowOf(QStringLiteral("j1")));
    QVERIFY2(joined, "the joined row is in view");
    QVERIFY(joined->isExpanded());
    auto* names = joined->userNamesLabel();
    QVERIFY(names->isVisibleTo(&shot.window));
    for (const QString& name : {QStringLiteral("Ann"), QStringLiteral("Carol"), QStringLiteral("Dave")})
        QVERIFY2(names->text().contains(name), qPrintable(names->text()));
    // The names' box lies inside the row, inside the list, with its text inked and not clipped.
    auto* list = shot.chat->collectionView();
    auto* box = joined->expandableView();
    const int boxBottom = box->mapTo(list, QPoint(0, box->height())).y();
    QVERIFY(boxBottom <= list->height() - int(list->contentInset().bottom()));
    QVERIFY(box->geometry().bottom() < joined->height());
    QVERIFY(box->mapTo(list, QPoint()).y() >= 0);
    QVERIFY2(darkestIn(shot, names).lightness() < 200, describe(darkestIn(shot, names)));
    QVERIFY(
        QFontMetrics(names->font()).boundingRect(names->rect(), Qt::TextWordWrap, names->text()).height() <=
        names->height());
    // Legible: the names in at least 12 pixels with room above and below them in their box, and
    // their ink against the box's grey at a contrast of 4.5:1 or more, read as they are.
    QVERIFY(joined->showsReadLook());
    QVERIFY(names->font().pixelSize() >= 12);
    QWidget* pill = names->parentWidget();
    QVERIFY2(names->y() >= 3 && pill->height() - names->geometry().bottom() - 1 >= 3,
             qPrintable(QStringLiteral("%1 in %2").arg(names->y()).arg(pill->height())));
    const auto luminance = [](const QColor& c) {
        const auto channel = [](qreal v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const QColor ink = darkestIn(shot, names);
    const QColor paper = shot.at(pill, QPointF(2, pill->height() / 2.0));
    const qreal contrast = (luminance(paper) + 0.05) / (luminance(ink) + 0.05);
    QVERIFY2(contrast >= 4.5,
             qPrintable(QStringLiteral("%1 on %2: %3").arg(ink.name(), paper.name()).arg(contrast)));
    // The triangle joining it to the event's box, in the box's grey.
    auto* notch = static_cast<QWidget*>(joined->clippedView());
    QVERIFY(notch->isVisibleTo(&shot.window));
    const QPointF base(notch->width() / 2.0, notch->height() - 1.0);
    QVERIFY2(near(shot.at(notch, base), QColor(0xEE, 0xEE, 0xEE), 6), describe(shot.at(notch, base)));
}

// Right to left the arrow that opens the names lies at the event box's left, drawn as left to right
// draws it mirrored, and the event's text ends at the box's right.
void TestGalleryLive::joinedUsersArrowLiesAtTheLeftRightToLeft() {
    QImage arrow;
    {
        LiveShot shot(QStringLiteral("ChatWindowJoinedUsersExpanded"));
        auto* joined = shot.cellAt<PLBulkUserJoinedMessageCell>(shot.rowOf(QStringLiteral("j1")));
        QVERIFY2(joined, "the joined row is in view");
        arrow = pelnix::test::shownPart(shot.image, joined->arrowIndicatorButton()).look;
    }
    LiveShot shot(QStringLiteral("ChatWindowJoinedUsersExpandedRightToLeft"));
    QVERIFY(shot.chat);
    QCOMPARE(shot.chat->view()->layoutDirection(), Qt::RightToLeft);
    auto* joined = shot.cellAt<PLBulkUserJoinedMessageCell>(shot.rowOf(QStringLiteral("j1")));
    QVERIFY2(joined, "the joined row is in view");
    QVERIFY(joined->isExpanded());
    QWidget* box = joined->messageInfoView();
    Button* button = joined->arrowIndicatorButton();
    QCOMPARE(button->geometry(), QRect(8, 0, 20, box->height()));
    QVERIFY(pelnix::test::shownPart(shot.image, button).look == arrow.mirrored(true, false));
    const auto ink = [](const QColor& c) { return c.lightness() < 225; };
    QVERIFY(shot.any(button, button->rect(), ink));
    Label* text = joined->messageLabel();
    QVERIFY(shot.any(text, QRect(text->width() - 12, 0, 12, text->height()), ink));
    QVERIFY(!shot.any(text, QRect(0, 0, text->width() / 4, text->height()), ink));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    // Smart-message rows show their pages through the browser engine.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestGalleryLive test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gallerylive.moc"
