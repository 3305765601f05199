// The demo's own menu, driven as a user drives it (offscreen), against the stand-in: "Sign out" ends
// the session while the colleague's answer is on its way and shows the library's login container in
// the window; a sign-up by hand there, with the code the service's control API tells, ends in the
// new user's rooms list with the host's drawer button.
#include "DemoHost.h"
#include "DemoTestKit.h"
#include "DemoWindow.h"
#include "ServiceControl.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/User.h"
#include "interface/Pelnix.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/TableView.h"
#include "ui/account/PLEmailVerficationViewController.h"
#include "ui/account/PLSignUpViewController.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/shell/PelnixCustomViewController.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QJsonArray>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QtTest>

#include <unistd.h>

using namespace pelnix;
using pelnix::test::click;
using pelnix::test::hasMessage;
using pelnix::test::shown;

namespace {

constexpr int kNetworkMs = test::DemoWorld::kNetworkMs;
const QString kNewUser = QStringLiteral("carol@demo.test");

QAction* actionTitled(const QList<QAction*>& actions, const QString& title) {
    for (QAction* action : actions)
        if (action->text().remove(QLatin1Char('&')) == title)
            return action;
    return nullptr;
}

// Taps the button titled `title` of the alert on top of `window`.
bool answerAlert(platform::ui::Window* window, const QString& title) {
    platform::ui::AlertView* alert = window->topAlert();
    for (int i = 0; alert && i < alert->numberOfButtons(); ++i)
        if (alert->buttonTitleAtIndex(i) == title) {
            click(alert->findChild<QWidget*>(QStringLiteral("alert.button.%1").arg(i)));
            return true;
        }
    return false;
}

void typeInto(QLineEdit* field, const QString& text) {
    field->setFocus();
    QTest::keyClicks(field, text);
}

} // namespace

class TestDemoSignOut : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(m_world.start());
        m_host = std::make_unique<DemoHost>(m_world.url(), false);
        QVERIFY2(test::DemoWorld::signIn(*m_host), "the demo did not sign in");
        m_demo = std::make_unique<DemoWindow>();
        m_demo->show();
        QTRY_VERIFY_WITH_TIMEOUT(m_demo->root()->chatRoomsNavigationViewController(),
                                 PLRootViewController::kSplashDurationMs + 2000);
    }
    void cleanupTestCase() {
        m_demo.reset();
        m_host.reset();
        m_world.stop();
    }

    void theHostsMenuSignsOutWhileTheColleagueAnswers() {
        QPointer<PLRootViewController> root = m_demo->root();
        auto* rooms = qobject_cast<PLChatRoomsTableViewController*>(root->chatRoomsViewController());
        QTRY_VERIFY_WITH_TIMEOUT(!rooms->tableView()->visibleCells().isEmpty(), kNetworkMs);
        click(rooms->tableView()->visibleCells().first());
        PLChatWindowViewController* chat = nullptr;
        QTRY_VERIFY((chat = qobject_cast<PLChatWindowViewController*>(
                         root->chatRoomsNavigationViewController()->topViewController())));
        // A post the colleague answers a moment after it is delivered: the session ends meanwhile.
        const QString text = QStringLiteral("Signing out now");
        // The host learns of the delivery from a notification queued after the store has it: the
        // sign-out waits for the host to have seen it, as a user who reads "delivered" would.
        QSignalSpy willAnswer(m_host.get(), &DemoHost::colleagueWillAnswer);
        chat->postToChatView()->messageTextView()->setPlainText(text);
        chat->postToChatView()->textViewDidChange();
        chat->postToChatView()->sendButton()->click();
        const auto delivered = [&text] {
            const auto message = Message::PS_findFirstByAttribute(QStringLiteral("text"), text);
            return message && message->pendingMessages().isEmpty();
        };
        QTRY_VERIFY_WITH_TIMEOUT(delivered(), kNetworkMs);
        QTRY_COMPARE_WITH_TIMEOUT(willAnswer.size(), 1, kNetworkMs);
        QCOMPARE(willAnswer.first().first().toString(), DemoHost::answerTo(text, {}));
        QVERIFY(!hasMessage(DemoHost::answerTo(text, {})));
        // The paperclip's sheet is open as the user signs out.
        click(chat->postToChatView()->mediaUploadButton());
        QTRY_VERIFY(!m_demo->window()->alerts().isEmpty());

        // Nothing of the ended session complains, here or once the colleague's answer is in (the
        // offscreen platform's word on the menu's pop-up aside).
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^(?!This plugin does not support)")));
        QAction* signOut = signOutByTheMenu();
        QVERIFY2(signOut, "the demo's Account menu offers no Sign out");

        // The session is reset: no credentials, an empty store; its sheet is gone at once.
        QCOMPARE(Pelnix::sessionState(), quint64(0));
        QVERIFY(m_demo->window()->alerts().isEmpty());
        QVERIFY(!ChatRoom::chatRoomWithID(m_host->group().groupID));
        QCOMPARE(CurrentUserInfo::currentUserInfo()->status(), qint16(0));
        // The login container shows its sign-up page in the window, in place of the session's screens.
        auto* login = qobject_cast<PelnixCustomViewController*>(m_demo->window()->rootViewController());
        QVERIFY2(login, "no login container in the window");
        QCOMPARE(login->customViewControllerType(), qint64(0));
        auto* signUp = shown<PLSignUpViewController>(login);
        QVERIFY(signUp);
        QTRY_VERIFY(signUp->view()->isVisible() && signUp->emailAddressTextField()->isVisible());
        QTRY_VERIFY(!root);
        QVERIFY(!signOut->isEnabled());

        // The colleague still answers on the service; the new session holds none of it.
        const QString answer = DemoHost::answerTo(text, {});
        const auto answerStored = [this, &answer] {
            for (const QJsonValue& message :
                 m_world.server().storedMessages(m_host->group().groupID.toStdString()))
                if (message.toObject().value(QStringLiteral("text")).toString() == answer)
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(answerStored(), kNetworkMs);
        QVERIFY(!hasMessage(answer));
    }

    void aNewUserSignsUpByHandInTheLoginContainer() {
        // Run alone, the session the sign-out above ends is still on.
        if (m_demo->root())
            QVERIFY2(signOutByTheMenu(), "the demo's Account menu offers no Sign out");
        auto* login = qobject_cast<PelnixCustomViewController*>(m_demo->window()->rootViewController());
        QVERIFY2(login, "no login container in the window");
        auto* signUp = shown<PLSignUpViewController>(login);
        QVERIFY(signUp);

        typeInto(signUp->emailAddressTextField(), kNewUser);
        QTRY_VERIFY(signUp->nextButton()->isEnabled());
        click(signUp->nextButton());
        QTRY_VERIFY(m_demo->window()->topAlert() &&
                    m_demo->window()->topAlert()->title() == QStringLiteral("Verification Code"));
        QVERIFY(answerAlert(m_demo->window(), QStringLiteral("Yes")));
        PLEmailVerficationViewController* verification = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((verification = shown<PLEmailVerficationViewController>(login)), kNetworkMs);

        // The code the service issued, as the README's curl line reads it.
        ServiceControl control(m_world.url());
        QString code;
        control.oneTimeCode(kNewUser, [&code](bool ok, const QJsonObject& answer) {
            code = ok ? answer.value(QStringLiteral("otp")).toString() : QStringLiteral("-");
        });
        QTRY_VERIFY_WITH_TIMEOUT(!code.isEmpty(), kNetworkMs);
        QCOMPARE(code.size(), 6);
        typeInto(verification->verifyCodeTextField(), code);
        QTRY_VERIFY(verification->verifyButton()->isEnabled());
        click(verification->verifyButton());

        // The library starts for the new user, and the root container shows the new user's rooms.
        QTRY_VERIFY_WITH_TIMEOUT(m_demo->root() && m_demo->root()->chatRoomsNavigationViewController(),
                                 kNetworkMs + PLRootViewController::kSplashDurationMs);
        PLRootViewController* root = m_demo->root();
        QCOMPARE(m_demo->window()->rootViewController(), root);
        QCOMPARE(Pelnix::sessionState(), quint64(2));
        QCOMPARE(CurrentUserInfo::currentUserInfo()->user()->email(), kNewUser);
        auto* rooms = qobject_cast<PLChatRoomsTableViewController*>(root->chatRoomsViewController());
        QVERIFY(rooms);
        QTRY_VERIFY(rooms->view()->isVisible());
        QVERIFY(!ChatRoom::chatRoomWithID(m_host->group().groupID));
        // The host's drawer button is on the new list too, and opens the drawer.
        platform::ui::BarButtonItem* menuButton = rooms->navigationItem()->leftBarButtonItem();
        QVERIFY(menuButton && menuButton->title() == QStringLiteral("Menu"));
        menuButton->trigger();
        QVERIFY(root->isShowingSideBar());
        auto* menuBar = m_demo->window()->window()->findChild<QMenuBar*>();
        QVERIFY(menuBar);
        QAction* account = actionTitled(menuBar->actions(), QStringLiteral("Account"));
        QVERIFY(actionTitled(account->menu()->actions(), QStringLiteral("Sign out"))->isEnabled());
    }

private:
    // Clicks "Sign out" in the demo's Account menu, as a user does; answers the action, or null when
    // the menu does not offer it.
    QAction* signOutByTheMenu() {
        auto* menuBar = m_demo->window()->window()->findChild<QMenuBar*>();
        QAction* account = menuBar ? actionTitled(menuBar->actions(), QStringLiteral("Account")) : nullptr;
        if (!account || !account->menu())
            return nullptr;
        QTest::mouseClick(menuBar, Qt::LeftButton, {}, menuBar->actionGeometry(account).center());
        QMenu* menu = account->menu();
        if (!QTest::qWaitFor([menu] { return menu->isVisible(); }))
            return nullptr;
        QAction* signOut = actionTitled(menu->actions(), QStringLiteral("Sign out"));
        if (!signOut || !signOut->isEnabled())
            return nullptr;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(signOut).center());
        return signOut;
    }

    test::DemoWorld m_world;
    std::unique_ptr<DemoHost> m_host;
    std::unique_ptr<DemoWindow> m_demo;
};

int main(int argc, char** argv) {
    // As root the demo must turn the engine's sandbox off by itself, whatever the test runner set.
    if (::geteuid() == 0)
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    DemoWindow::prepareApplication();
    QApplication app(argc, argv);
    TestDemoSignOut test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_signout.moc"
