// The e-mail verification screen and the attempts-exceeded screen against the stand-in: what is
// sent, the wrong-code marker, how sign-in completes with and without a profile name, new codes, and
// the host's login result surviving the attempts-exceeded screen.
#include "AccountTestKit.h"
#include "TestSandbox.h"
#include "platform/ui/Label.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLEmailVerficationViewController.h"
#include "ui/account/PLSignUpViewController.h"
#include "ui/account/PLUserProfileTableViewController.h"
#include "ui/account/PLVerifyExceedsViewController.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;
using namespace pelnix::platform::ui;

namespace {
const QString kAddress = QStringLiteral("nina@acme.test");

struct Counts {
    int login = 0;
    int created = 0;
    bool success = false;
};

// Registers `kAddress` (seeded with `name`) through the account, as sign-up does.
void registerAddress(AccountWorld& world, const QString& name) {
    world.core.server().seed(
        QJsonObject{{"users", QJsonArray{QJsonObject{{"id", 77}, {"email", kAddress}, {"name", name}}}}});
    bool registered = false;
    QVERIFY(world.account()->startRegistrationWithEmail(
        kAddress, [&](bool ok, const PLOptionalError&, const QString&) { registered = ok; }));
    QTRY_VERIFY(registered);
}

QString otp(AccountWorld& world) {
    return QString::fromStdString(world.core.server().otp(kAddress.toStdString()));
}

// A navigation stack of `depth` screens presented by the host, the verification screen on top.
PLEmailVerficationViewController* openVerification(ScreenHost& host, int depth, Counts* counts) {
    QList<ViewController*> stack;
    for (int i = 1; i < depth; ++i)
        stack << new ViewController;
    auto* verification =
        qobject_cast<PLEmailVerficationViewController*>(ScreenRegistry::shared()->instantiate(
            QStringLiteral("Login"), QStringLiteral("PLEmailVerificationID")));
    stack << verification;
    auto* nav = new NavigationController;
    nav->setViewControllers(stack, false);
    host.present(nav);
    if (counts) {
        verification->setPelnixLoginCompletionHandler(
            [counts](bool success, const PLOptionalError&, const QString&) {
                ++counts->login;
                counts->success = success;
            });
        verification->setProfileCreationCompletionHandler([counts] { ++counts->created; });
    }
    return verification;
}

QString sentCode(AccountWorld& world) {
    const auto request = world.core.lastRequest("api/public");
    for (const auto& [key, value] : decodeForm(request.body))
        if (key == QLatin1String("code"))
            return value;
    return QStringLiteral("<none>");
}
} // namespace

class TestVerification : public QObject {
    Q_OBJECT
private slots:
    void theCodeGoesAsTypedUnlessBlank_data();
    void theCodeGoesAsTypedUnlessBlank();
    void wrongCodeShowsTheMarkerUntilEdited();
    void signInCompletesOnce_data();
    void signInCompletesOnce();
    void withoutANameTheProfileComesFirst();
    void newCodeOutcomes_data();
    void newCodeOutcomes();
    void attemptsExceededKeepsTheHostsLogin();
    void theCodeFieldHasTheKeysAsThePageShows_data();
    void theCodeFieldHasTheKeysAsThePageShows();
};

void TestVerification::theCodeGoesAsTypedUnlessBlank_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("sent");
    QTest::newRow("spaces only") << "   " << false;
    QTest::newRow("a line end and spaces") << " \t " << false;
    QTest::newRow("surrounded by spaces") << " 1234 " << true;
}

void TestVerification::theCodeGoesAsTypedUnlessBlank() {
    QFETCH(QString, typed);
    QFETCH(bool, sent);
    AccountWorld world;
    registerAddress(world, QStringLiteral("Nina"));
    ScreenHost host;
    PLEmailVerficationViewController* verification = openVerification(host, 2, nullptr);
    // Its own Back leads back: no navigation bar stands empty above it.
    QVERIFY(verification->navigationController()->isNavigationBarHidden());
    QVERIFY(verification->backButton()->isVisible());
    world.core.server().clearRequestLog();
    type(verification->verifyCodeTextField(), typed);
    QVERIFY(verification->verifyButton()->isEnabled());
    click(verification->verifyButton());
    QVERIFY(busyOverlayGoes());
    if (!sent) {
        QCOMPARE(world.core.requestsTo("api/public"), 0);
        QVERIFY(host.alerts().isEmpty());
        return;
    }
    QTRY_VERIFY(world.core.requestsTo("api/public", "echat.verifyOTP") == 1);
    QCOMPARE(sentCode(world), typed);
    QTRY_VERIFY(host.lastAlert());
    QCOMPARE(host.lastAlert()->title(), QStringLiteral("Wrong Verification Code"));
}

void TestVerification::wrongCodeShowsTheMarkerUntilEdited() {
    AccountWorld world;
    registerAddress(world, QStringLiteral("Nina"));
    ScreenHost host;
    QVERIFY(QTest::qWaitForWindowActive(&host.window));
    PLEmailVerficationViewController* verification = openVerification(host, 2, nullptr);
    PLCustomTextField* field = verification->verifyCodeTextField();
    QCOMPARE(verification->vierfyEmailDescriptionLabel()->text(), kAddress);
    QCOMPARE(verification->mailDescription()->text(),
             QStringLiteral("We've sent you a \n verification code on your email"));
    QVERIFY(!verification->verifyButton()->isEnabled());
    QCOMPARE(field->font().family(), AccountUi::font("DejaVuSans", 15).family());
    QVERIFY(!field->font().bold());

    type(field, QStringLiteral("000000"));
    QVERIFY(field->font().bold());
    click(verification->verifyButton());
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(host.lastAlert());
    QCOMPARE(host.lastAlert()->title(), QStringLiteral("Wrong Verification Code"));
    QCOMPARE(host.lastAlert()->message(),
             QStringLiteral("You seem to have entered the wrong code. Please retry with correct code."));
    QVERIFY(verification->isWrongCode());
    QVERIFY(verification->wrongVerificationCodeButton()->isVisible());
    QCOMPARE(world.analytics.count(QStringLiteral("OTP Verification failed - Wrong code")), 1);
    answerAlert(host, QStringLiteral("Wrong Verification Code"), QStringLiteral("OK"));

    // The alert answered, the code field has the keys again for the code typed anew, and any edit
    // takes the marker away at once.
    QTRY_COMPARE(QApplication::focusWidget(), field);
    QTest::keyClick(host.window.windowHandle(), Qt::Key_Backspace);
    QCOMPARE(field->text(), QStringLiteral("00000"));
    QVERIFY(!verification->isWrongCode());
    QVERIFY(!verification->wrongVerificationCodeButton()->isVisible());
    QVERIFY(field->font().bold());
    type(field, QString());
    QVERIFY(!field->font().bold());
    QCOMPARE(Animator::alpha(verification->verifyButton()), 0.5);
}

void TestVerification::signInCompletesOnce_data() {
    QTest::addColumn<int>("depth");
    QTest::newRow("sign-up and verification") << 2;
    QTest::newRow("under a page of the host") << 3;
}

void TestVerification::signInCompletesOnce() {
    QFETCH(int, depth);
    AccountWorld world;
    registerAddress(world, QStringLiteral("Nina"));
    ScreenHost host;
    Counts counts;
    PLEmailVerficationViewController* verification = openVerification(host, depth, &counts);
    type(verification->verifyCodeTextField(), otp(world));
    click(verification->verifyButton());
    QVERIFY(busyOverlayGoes());
    QTRY_COMPARE(counts.login, 1);
    QVERIFY(counts.success);
    QCOMPARE(world.analytics.count(QStringLiteral("OTP Verification completed")), 1);
    QCOMPARE(PelnixInfo::sharedInstance()->sessionState(), quint64(1));
    QVERIFY(!world.account()->tavrixToken().isEmpty());
    if (depth == 2) {
        // The whole flow goes instead of the profile-creation handler.
        QCOMPARE(counts.created, 0);
        QTRY_VERIFY(!host.presented());
    } else {
        QCOMPARE(counts.created, 1);
    }
    QTest::qWait(50);
    QCOMPARE(counts.login, 1);
}

void TestVerification::withoutANameTheProfileComesFirst() {
    AccountWorld world;
    registerAddress(world, QString());
    ScreenHost host;
    Counts counts;
    PLEmailVerficationViewController* verification = openVerification(host, 2, &counts);
    type(verification->verifyCodeTextField(), otp(world));
    click(verification->verifyButton());
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(verification->presentedViewController());
    ViewController* presented = verification->presentedViewController();
    QCOMPARE(presented->storyboardIdentifier(), QStringLiteral("PLUserProfileNavigationController"));
    auto* profile = topOf<PLUserProfileTableViewController>(presented);
    QVERIFY(profile);
    QCOMPARE(profile->previousViewController(), verification);
    QVERIFY(profile->isEditingProfile());
    QCOMPARE(counts.login, 0);
    // Ending the profile ends the sign-in: the creation handler, then the login, once each.
    profile->profileCreationCompletionHandler()();
    QCOMPARE(counts.created, 1);
    QCOMPARE(counts.login, 1);
    QVERIFY(counts.success);
}

void TestVerification::newCodeOutcomes_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::newRow("sent") << ""
                          << "Success"
                          << "Verification code sent";
    QTest::newRow("locked") << "locked"
                            << "Failed"
                            << "There could be some temporary problem. Please try again in some time";
    QTest::newRow("refused") << "refused"
                             << "Failed"
                             << "invalidEmail";
    QTest::newRow("offline") << "offline"
                             << "Failed"
                             << "Please check your network connectivity.";
}

void TestVerification::newCodeOutcomes() {
    QFETCH(QString, setup);
    QFETCH(QString, title);
    QFETCH(QString, message);
    AccountWorld world;
    registerAddress(world, QStringLiteral("Nina"));
    if (setup == QLatin1String("locked"))
        lockAddress(world, kAddress);
    if (setup == QLatin1String("refused"))
        world.account()->user()->setEmail(QStringLiteral("nina at acme@test"));
    ScreenHost host;
    PLEmailVerficationViewController* verification = openVerification(host, 2, nullptr);
    type(verification->verifyCodeTextField(), QStringLiteral("12"));
    verification->showWrongVerificationCodePopUp();
    answerAlert(host, QStringLiteral("Wrong Verification Code"), QStringLiteral("OK"));
    if (setup == QLatin1String("offline"))
        world.core.setOnline(false);
    // The reply waits, so what the screen did before it can be seen.
    world.core.server().addFault({"api/public", "POST", 2, standin::StandinServer::FaultMode::Hold});
    click(verification->resendButton());
    if (setup != QLatin1String("offline")) {
        QVERIFY(verification->verifyCodeTextField()->text().isEmpty());
        QVERIFY(!verification->isWrongCode());
        QVERIFY(PLActivityIndicatorView::isVisible());
        QTRY_VERIFY(world.core.server().heldCount() > 0);
    }
    QTRY_VERIFY([&] {
        world.core.server().releaseHeld();
        return host.lastAlert() != nullptr;
    }());
    QVERIFY(busyOverlayGoes());
    QCOMPARE(host.lastAlert()->title(), title);
    QCOMPARE(host.lastAlert()->message(), message);
    QCOMPARE(host.alerts().size(), 1);
    world.core.server().clearFaults();
}

void TestVerification::attemptsExceededKeepsTheHostsLogin() {
    AccountWorld world;
    world.core.server().seed(
        QJsonObject{{"users", QJsonArray{QJsonObject{{"email", kAddress}, {"name", "Nina"}}}}});
    ScreenHost host;
    auto* nav = host.present(qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Login"), QStringLiteral("PLSignUpNavigationController"))));
    auto* signUp = topOf<PLSignUpViewController>(nav);
    Counts counts;
    signUp->setPelnixLoginCompletionHandler([&](bool success, const PLOptionalError&, const QString&) {
        ++counts.login;
        counts.success = success;
    });
    const auto requestCode = [&] {
        type(signUp->emailAddressTextField(), kAddress);
        click(signUp->nextButton());
        answerAlert(host, QStringLiteral("Verification Code"), QStringLiteral("Yes"));
        QVERIFY(busyOverlayGoes());
        QTRY_VERIFY(qobject_cast<PLEmailVerficationViewController*>(nav->topViewController()));
    };
    requestCode();
    auto* verification = qobject_cast<PLEmailVerficationViewController*>(nav->topViewController());
    for (int attempt = 1; attempt < 5; ++attempt) {
        type(verification->verifyCodeTextField(), QStringLiteral("99999%1").arg(attempt));
        click(verification->verifyButton());
        QVERIFY(busyOverlayGoes());
        QTRY_VERIFY(host.lastAlert());
        answerAlert(host, QStringLiteral("Wrong Verification Code"), QStringLiteral("OK"));
    }
    type(verification->verifyCodeTextField(), QStringLiteral("999995"));
    click(verification->verifyButton());
    QVERIFY(busyOverlayGoes());
    // The service locked verification: the attempts-exceeded screen, the sign-up screen beneath it.
    QTRY_VERIFY(qobject_cast<PLVerifyExceedsViewController*>(nav->presentedViewController()));
    QTRY_COMPARE(nav->topViewController(), signUp);
    auto* exceeded = qobject_cast<PLVerifyExceedsViewController*>(nav->presentedViewController());
    click(exceeded->dismissButton());
    QTRY_VERIFY(!nav->presentedViewController());
    QCOMPARE(host.presented(), nav);
    QCOMPARE(nav->viewControllers(), QList<ViewController*>{signUp});
    QCOMPARE(counts.login, 0);

    // Once the service lifts the lock, signing in from the same screen reaches the host.
    world.core.server().unlockOtp(kAddress.toStdString());
    requestCode();
    verification = qobject_cast<PLEmailVerficationViewController*>(nav->topViewController());
    type(verification->verifyCodeTextField(), otp(world));
    click(verification->verifyButton());
    QVERIFY(busyOverlayGoes());
    QTRY_COMPARE(counts.login, 1);
    QVERIFY(counts.success);
    QTRY_VERIFY(!host.presented());
}

void TestVerification::theCodeFieldHasTheKeysAsThePageShows_data() {
    QTest::addColumn<bool>("pushedBySignUp");
    QTest::newRow("pushed by sign-up") << true;
    QTest::newRow("presented by the host's screen") << false;
}

// The code field has the keys when the page shows: the code is typed straight in; back on sign-up,
// the address field has them.
void TestVerification::theCodeFieldHasTheKeysAsThePageShows() {
    QFETCH(bool, pushedBySignUp);
    AccountWorld world;
    ScreenHost host;
    QVERIFY(QTest::qWaitForWindowActive(&host.window));
    PLEmailVerficationViewController* verification = nullptr;
    if (pushedBySignUp) {
        auto* nav = host.present(qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
            QStringLiteral("Login"), QStringLiteral("PLSignUpNavigationController"))));
        auto* signUp = topOf<PLSignUpViewController>(nav);
        QVERIFY(signUp);
        signUp->showEmailVerificationController();
        QTRY_VERIFY(verification = topOf<PLEmailVerficationViewController>(nav));
    } else {
        verification = openVerification(host, 1, nullptr);
    }
    QTRY_COMPARE(QApplication::focusWidget(), verification->verifyCodeTextField());
    for (const char c : {'4', '8', '2'})
        QTest::keyClick(host.window.windowHandle(), c);
    QCOMPARE(verification->verifyCodeTextField()->text(), QStringLiteral("482"));
    QVERIFY(verification->verifyButton()->isEnabled());
    if (!pushedBySignUp)
        return;
    // Back on sign-up, its address field has them again.
    NavigationController* nav = verification->navigationController();
    click(verification->backButton());
    auto* signUp = topOf<PLSignUpViewController>(nav);
    QVERIFY(signUp);
    QTRY_COMPARE(QApplication::focusWidget(), signUp->emailAddressTextField());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestVerification t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_verification.moc"
