// The windowed demo, driven as a user drives it (offscreen), against the stand-in: the rooms list, a
// conversation with the colleague who answers (a text, a picture and a poll, each painted in the
// window), the drawer, settings, the app lock and its pad, and the logged-out page once the server
// ends the session. The process is prepared as the demo prepares its own, nothing more.
#include "DemoHost.h"
#include "DemoTestKit.h"
#include "DemoWindow.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/session/PelnixInfo.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "interface/Pelnix.h"
#include "media/PLRichMediaPosts.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/TableView.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/account/PLPadButton.h"
#include "ui/account/PLPadLockScreenAbstractViewController.h"
#include "ui/account/PLPadLockScreenView.h"
#include "ui/account/PLSettingsTableViewController.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLChatletListFieldView.h"
#include "ui/conversation/PLChatletTextFieldView.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/shell/PelnixCustomViewController.h"
#include "ui/shell/PelnixViewController.h"

#include <QPlainTextEdit>
#include <QtTest>

#include <functional>
#include <unistd.h>

using namespace pelnix;
using pelnix::test::click;
using pelnix::test::hasMessage;
using pelnix::test::shown;
using platform::ui::NavigationController;
using platform::ui::ViewController;

namespace {

constexpr int kNetworkMs = test::DemoWorld::kNetworkMs;

// The smart-message row showing `message`, scrolled into the list's view.
PLSmartMessageCell* rowOf(PLChatWindowViewController* chat, const Message::Ptr& message) {
    const auto& rows = chat->rowList().rows();
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].message() == message) {
            const auto path = platform::ui::IndexPath::forItem(i);
            chat->collectionView()->scrollToItemAtIndexPath(
                path, platform::ui::CollectionView::ScrollPosition::Middle, false);
            return qobject_cast<PLSmartMessageCell*>(chat->collectionView()->cellForItemAtIndexPath(path));
        }
    return nullptr;
}

// How many pixels of the row's page, as the window shows it, pass `test`.
int pixelsOfPage(PLSmartMessageCell* cell, const std::function<bool(const QColor&)>& test) {
    QWidget* page = cell->webView();
    QWidget* window = page->window();
    const QImage shot = platform::ui::Screenshot::grab(window);
    const qreal scale = qreal(shot.width()) / window->width();
    const QRect area(page->mapTo(window, QPoint()), page->size());
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(shot.pixelColor(int(x * scale), int(y * scale)));
    return count;
}

} // namespace

class TestWindowedDemo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_world.start()); }
    void cleanupTestCase() { m_world.stop(); }

    void aUserTalksWithTheColleagueUntilTheServerEndsTheSession() {
        DemoHost host(m_world.url(), false);
        QVERIFY2(test::DemoWorld::signIn(host), "the demo did not sign in");

        DemoWindow demo;
        demo.show();
        PLRootViewController* root = demo.root();
        QCOMPARE(PLRootViewController::sharedInstance(), root);
        // The splash, then the chats page with the rooms list.
        QTRY_VERIFY_WITH_TIMEOUT(root->chatRoomsNavigationViewController(),
                                 PLRootViewController::kSplashDurationMs + 2000);
        auto* rooms = qobject_cast<PLChatRoomsTableViewController*>(root->chatRoomsViewController());
        QVERIFY(rooms);

        // Open the group from the list.
        QTRY_VERIFY_WITH_TIMEOUT(!rooms->tableView()->visibleCells().isEmpty(), kNetworkMs);
        click(rooms->tableView()->visibleCells().first());
        PLChatWindowViewController* chat = nullptr;
        QTRY_VERIFY((chat = qobject_cast<PLChatWindowViewController*>(
                         root->chatRoomsNavigationViewController()->topViewController())));
        QCOMPARE(chat->chatRoom()->roomId(), host.group().groupID);

        // A text from the input bar; the colleague answers.
        chat->postToChatView()->messageTextView()->setPlainText(QStringLiteral("Hi Bob, from the window"));
        chat->postToChatView()->textViewDidChange();
        chat->postToChatView()->sendButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            hasMessage(DemoHost::answerTo(QStringLiteral("Hi Bob, from the window"), {})), kNetworkMs);
        // A picture, as the chat window's picker hands it over; the colleague answers that too.
        PLMediaSelection picture;
        picture.originalImage = QImage(64, 48, QImage::Format_RGB32);
        picture.originalImage.fill(Qt::darkCyan);
        picture.referenceURL = QStringLiteral("demo://window-picture");
        QVERIFY(PLRichMediaPosts::postRichMediaForMediaSelection(chat->chatRoom(), picture));
        QTRY_VERIFY_WITH_TIMEOUT(hasMessage(QStringLiteral("Nice picture!")), kNetworkMs);
        // The picture's page is painted in the window: its colour fills most of the picture.
        Message::Ptr posted;
        for (const auto& message : chat->chatRoom()->messages())
            if (message->type() == 1 && message->senderIsMe())
                posted = message;
        QVERIFY(posted);
        const auto isPicture = [](const QColor& c) {
            return c.red() < 40 && qAbs(c.green() - 139) < 40 && qAbs(c.blue() - 139) < 40;
        };
        QTRY_VERIFY_WITH_TIMEOUT(rowOf(chat, posted) && rowOf(chat, posted)->isPageShown() &&
                                     pixelsOfPage(rowOf(chat, posted), isPicture) > 64 * 48 / 2,
                                 kNetworkMs);

        // A poll from the chatlet button's composer; the colleague answers it, and its page is painted.
        click(chat->postToChatView()->postChatletButton());
        PLPostChatletViewController* picker = nullptr;
        QTRY_VERIFY((picker = shown<PLPostChatletViewController>(chat->presentedViewController())));
        QTRY_VERIFY(picker->pickerViewController());
        picker->chatletPicked({{"name", "poll"}});
        auto* form = shown<PLPostChatletViewController>(chat->presentedViewController());
        QVERIFY(form && form != picker);
        qobject_cast<PLChatletTextFieldView*>(form->formView()->fieldView("title"))
            ->setText(QStringLiteral("Team lunch"));
        qobject_cast<PLChatletTextFieldView*>(form->formView()->fieldView("question"))
            ->setText(QStringLiteral("Where shall we go?"));
        auto* options = qobject_cast<PLChatletListFieldView*>(form->formView()->fieldView("options"));
        options->entryFields()[0]->setText(QStringLiteral("Noodle bar"));
        options->entryFields()[1]->setText(QStringLiteral("Pizza"));
        form->sendBarButtonItem()->trigger();
        QTRY_VERIFY(!chat->presentedViewController());
        Message::Ptr poll;
        QTRY_VERIFY_WITH_TIMEOUT((poll = Message::PS_findFirstByAttribute(QStringLiteral("displayName"),
                                                                          QStringLiteral("Poll"))) &&
                                     hasMessage(DemoHost::answerTo({}, QStringLiteral("[Poll]"))),
                                 kNetworkMs);
        // Its text is inked on the page: dark pixels where the page would be the cell's white.
        const auto isInk = [](const QColor& c) { return c.lightness() < 128; };
        QTRY_VERIFY_WITH_TIMEOUT(rowOf(chat, poll) && rowOf(chat, poll)->isPageShown() &&
                                     pixelsOfPage(rowOf(chat, poll), isInk) > 200,
                                 kNetworkMs);
        // The window as the user sees it after the three posts, kept for review.
        QVERIFY(platform::ui::Screenshot::savePng(demo.window(),
                                                  QStringLiteral("screenshots/demo-window-posts.png")));

        // The drawer, from the rooms list's menu button; then settings.
        root->chatRoomsNavigationViewController()->popToRootViewController(false);
        demo.menuItem()->trigger();
        QVERIFY(root->isShowingSideBar());
        auto* settingsRow = root->sideDrawerViewController()->view()->findChild<QWidget*>("demoDrawerRow.1");
        QVERIFY(settingsRow);
        click(settingsRow);
        QVERIFY(!root->isShowingSideBar());
        QTRY_VERIFY(shown<PLSettingsTableViewController>(
            root->chatRoomsNavigationViewController()->topViewController()));

        // Lock the app and unlock it with the pad.
        PelnixInfo::sharedInstance()->setAppLockFeatureEnabled(true);
        PLKeychainAccessHelper::setNewPassCodePin(QStringLiteral("1234"));
        demo.menuItem()->trigger();
        click(root->sideDrawerViewController()->view()->findChild<QWidget*>("demoDrawerRow.2"));
        PLAppLockScreenViewController* lock = nullptr;
        QTRY_VERIFY((lock = shown<PLAppLockScreenViewController>(root->presentedViewController())));
        PLPadLockScreenAbstractViewController* pad = lock->currentTopChildViewController();
        QVERIFY(pad);
        for (const QChar digit : QStringLiteral("1234"))
            pad->padView()->buttonArray().at(digit.digitValue())->click();
        pad->padView()->okButton()->click();
        QTRY_VERIFY(!root->presentedViewController());

        // The server ends the session: only the logged-out page stays.
        QVERIFY(m_world.server().removeUser(CurrentUserInfo::currentUserID()));
        QTRY_VERIFY_WITH_TIMEOUT(root->childViewControllers().size() == 1 &&
                                     root->childViewControllers().first()->storyboardName() ==
                                         QStringLiteral("LoggedOut"),
                                 kNetworkMs);
        // From there the host's "Sign out" leads to the login container.
        demo.signOutAction()->trigger();
        QCOMPARE(Pelnix::sessionState(), quint64(0));
        auto* login = qobject_cast<PelnixCustomViewController*>(demo.window()->rootViewController());
        QVERIFY(login && login->customViewControllerType() == 0);
    }

private:
    test::DemoWorld m_world;
};

int main(int argc, char** argv) {
    // As root the demo must turn the engine's sandbox off by itself, whatever the test runner set.
    if (::geteuid() == 0)
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    DemoWindow::prepareApplication();
    QApplication app(argc, argv);
    TestWindowedDemo test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_windowed.moc"
