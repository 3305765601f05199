// The gallery's pictures of the chat window following its room, at 320 x 568 and 400 x 720, checked
// at points computed from the views: the "New Updates" button in its own colour above the bar, the
// banners over the whole bar, the failed-post sheets over the dimmed window, the bar grown to its
// maximum with the list ending at its top.

#include "ConversationGalleryShot.h"
#include "GalleryConversation.h"
#include "TestSandbox.h"

#include "core/model/PLModelManager.h"
#include "foundation/persistence/PLPersistence.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/Window.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLNewUpdatesNotificationButton.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/PLRoomStateBannerView.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

using LiveShot = pelnix::test::ConversationGalleryShot;
using pelnix::test::describe;
using pelnix::test::near;

void addSizes(const QString& identifier) {
    QTest::addRow("%s 320 x 568", qPrintable(identifier)) << identifier;
    QTest::addRow("%s 400 x 720", qPrintable(identifier)) << identifier + QStringLiteral("400x720");
}

} // namespace

class TestGalleryLive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QDir().mkpath(QStringLiteral("screenshots"));
        Animator::setInstant(true);
        tools::registerConversationGalleryScreens();
    }
    void cleanupTestCase() {
        PLModelManager::destroySharedInstance();
        PLPersistence::cleanUp();
    }

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
};

void TestGalleryLive::newUpdatesButtonFloatsAboveTheBar_data() {
    QTest::addColumn<QString>("identifier");
    addSizes(QStringLiteral("ChatWindowNewUpdatesButton"));
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
    QTest::addColumn<QString>("identifier");
    addSizes(QStringLiteral("ChatWindowRemovedUser"));
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
    QTest::addColumn<QString>("identifier");
    addSizes(QStringLiteral("ChatWindowAdminOnlyBanner"));
    addSizes(QStringLiteral("ChatWindowClosedBanner"));
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
    QTest::addColumn<QString>("identifier");
    addSizes(QStringLiteral("ChatWindowFailedPostSheet"));
    addSizes(QStringLiteral("ChatWindowFailedPostsSheet"));
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
}

void TestGalleryLive::barGrownToItsMaximum_data() {
    QTest::addColumn<QString>("identifier");
    addSizes(QStringLiteral("ChatWindowInputBarGrown"));
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
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestGalleryLive test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gallerylive.moc"
