// The configuration page following the bring-up's state, and the logged-out page: its texts, the
// "Sign in" link that opens sign-up on its stack and ends in the host's completion, other links.
#include "AccountTestKit.h"
#include "TestSandbox.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextView.h"
#include "ui/account/PLConfigureScreenViewController.h"
#include "ui/account/PLEmailVerficationViewController.h"
#include "ui/account/PLLoggedOutViewController.h"
#include "ui/account/PLSignUpViewController.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QApplication>
#include <QTextCursor>
#include <QTextDocument>

using namespace pelnix;
using namespace pelnix::test;
using namespace pelnix::platform::ui;

namespace {
// Clicks the middle of `text` in a text view.
void clickText(TextView* view, const QString& text) {
    QTextCursor found = view->document()->find(text);
    QVERIFY2(!found.isNull(), qPrintable(text));
    QTextCursor middle(view->document());
    middle.setPosition(found.selectionStart() + int(text.size()) / 2);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cursorRect(middle).center());
}

PLLoggedOutViewController* openLoggedOut(ScreenHost& host, int* completions) {
    auto* nav = host.present(ScreenRegistry::shared()->instantiateInitial(QStringLiteral("LoggedOut")));
    auto* page = topOf<PLLoggedOutViewController>(nav);
    if (page)
        page->setLoggedOutCompletionHandler([completions] { ++*completions; });
    return page;
}
} // namespace

class TestLoggedOut : public QObject {
    Q_OBJECT
private slots:
    void configurationTextFollowsTheState_data();
    void configurationTextFollowsTheState();
    void loggedOutTexts();
    void signInLinkLeadsBackIn();
    void otherLinksGoToTheSystem();
};

void TestLoggedOut::configurationTextFollowsTheState_data() {
    QTest::addColumn<QList<qint64>>("states");
    QTest::addColumn<QString>("text");
    const QString initial = QStringLiteral("Configuring\u2026");
    QTest::newRow("idle") << QList<qint64>{0} << initial;
    QTest::newRow("stylesheets") << QList<qint64>{1} << QStringLiteral("Downloading Stylesheet\u2026");
    QTest::newRow("rooms") << QList<qint64>{2} << QStringLiteral("Fetching Rooms\u2026");
    QTest::newRow("upgrading") << QList<qint64>{3} << QStringLiteral("Upgrading\u2026");
    QTest::newRow("1, 2, back to 0") << QList<qint64>{1, 2, 0} << QStringLiteral("Fetching Rooms\u2026");
    QTest::newRow("unknown state") << QList<qint64>{3, 9} << QStringLiteral("Upgrading\u2026");
}

void TestLoggedOut::configurationTextFollowsTheState() {
    QFETCH(QList<qint64>, states);
    QFETCH(QString, text);
    AccountWorld world(CoreFixture::Service::None);
    PLModelManager::sharedModelManager()->setAppConfigurationState(0);
    ScreenHost host;
    auto* page = qobject_cast<PLConfigureScreenViewController*>(
        ScreenRegistry::shared()->instantiate(QStringLiteral("PLConfigureScreenViewController"),
                                              QStringLiteral("PLConfigureScreenViewController")));
    QVERIFY(page);
    host.present(page);
    for (qint64 state : states)
        PLModelManager::sharedModelManager()->setAppConfigurationState(state);
    QCOMPARE(page->currentStateTitle()->text(), text);
    // Once the page is gone, state changes reach nothing.
    host.root->dismissViewController(false);
    QTRY_VERIFY(!host.presented());
    PLModelManager::sharedModelManager()->setAppConfigurationState(1);
    PLModelManager::sharedModelManager()->setAppConfigurationState(0);
}

void TestLoggedOut::loggedOutTexts() {
    AccountWorld world(CoreFixture::Service::None);
    ScreenHost host;
    int completions = 0;
    PLLoggedOutViewController* page = openLoggedOut(host, &completions);
    QVERIFY(page);
    QCOMPARE(
        page->messageLabel()->text(),
        QStringLiteral("Your account may have been disabled by your system administrator. Please check with "
                       "them for more details."));
    const AttributedString advice = page->uninstallTextLabel()->attributedText();
    QCOMPARE(advice.lineSpacing(), 3.0);
    const int at = int(advice.text().indexOf(QStringLiteral("uninstall")));
    QVERIFY(at > 0);
    bool bold = false;
    for (const auto& run : advice.runs())
        bold = bold ||
               (run.start == at && run.length == 9 && run.attributes.font && run.attributes.font->bold());
    QVERIFY(bold);
    QCOMPARE(page->showLoginTextView()->toPlainText(),
             QStringLiteral("Your session may have expired.\nPlease Sign in again."));
    QCOMPARE(PLLoggedOutViewController::signInControllerLink(), QUrl(QStringLiteral("Signin")));
    // The block sits across the middle, 10 points below it.
    const QRect block = page->loggedOutContainerView()->geometry();
    QCOMPARE(block.center().x(), page->view()->rect().center().x());
    QVERIFY(qAbs(block.center().y() - (page->view()->height() / 2 + 10)) <= 1);
}

void TestLoggedOut::signInLinkLeadsBackIn() {
    AccountWorld world;
    world.signIn();
    world.account()->setStatus(4);
    world.account()->save();
    ScreenHost host;
    int completions = 0;
    PLLoggedOutViewController* page = openLoggedOut(host, &completions);
    NavigationController* nav = page->navigationController();
    // The page has nothing for a navigation bar: none shows above it.
    QVERIFY(nav->isNavigationBarHidden());
    clickText(page->showLoginTextView(), QStringLiteral("Sign in"));
    auto* signUp = qobject_cast<PLSignUpViewController*>(nav->topViewController());
    QVERIFY(signUp);
    QVERIFY(signUp->shouldUpdateForLoggedOut());
    QVERIFY(world.services->opened.isEmpty());
    // The logged-out variant: the stored address, locked; no way out but signing in again.
    QCOMPARE(signUp->emailAddressTextField()->text(), world.core.email());
    QVERIFY(signUp->closeButton()->isHidden());
    click(signUp->nextButton());
    answerAlert(host, QStringLiteral("Verification Code"), QStringLiteral("Yes"));
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(qobject_cast<PLEmailVerficationViewController*>(nav->topViewController()));
    QCOMPARE(world.account()->status(), qint16(5));
    auto* verification = qobject_cast<PLEmailVerficationViewController*>(nav->topViewController());
    type(verification->verifyCodeTextField(),
         QString::fromStdString(world.core.server().otp(world.core.email().toStdString())));
    click(verification->verifyButton());
    QVERIFY(busyOverlayGoes());
    QTRY_COMPARE(completions, 1);
    // Signed in with a profile: the flow leaves back to the page it came from, still with no bar.
    QTRY_COMPARE(nav->topViewController(), page);
    QVERIFY(nav->isNavigationBarHidden());
    QCOMPARE(world.account()->status(), qint16(3));
    QTest::qWait(20);
    QCOMPARE(completions, 1);
}

void TestLoggedOut::otherLinksGoToTheSystem() {
    AccountWorld world(CoreFixture::Service::None);
    ScreenHost host;
    int completions = 0;
    PLLoggedOutViewController* page = openLoggedOut(host, &completions);
    const QUrl help(QStringLiteral("https://help.example.org/account"));
    QVERIFY(page->shouldInteractWithURL(help));
    emit page->showLoginTextView()->anchorClicked(help);
    QCOMPARE(world.services->opened, QList<QUrl>{help});
    QCOMPARE(page->navigationController()->viewControllers().size(), 1);
    QCOMPARE(completions, 0);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestLoggedOut t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_loggedout.moc"
