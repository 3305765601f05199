// A new user's whole way through the account screens against the stand-in, by clicks and typing
// only: a refused address, sign-up, a wrong code, the code the service sent, profile creation with a
// name and a picture, a phone number with its country picked from a filtered list and its text
// message code, the smart-message download, and the app lock on and off.
#include "AccountTestKit.h"
#include "TestSandbox.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "ui/account/PLAppLockSettingCell.h"
#include "ui/account/PLCountryCodesViewController.h"
#include "ui/account/PLEmailVerficationViewController.h"
#include "ui/account/PLRegPhoneNumberViewController.h"
#include "ui/account/PLSettingsTableViewController.h"
#include "ui/account/PLSignUpViewController.h"
#include "ui/account/PLUserProfileTableViewController.h"
#include "ui/account/PLVerifyPhoneNumberViewController.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomSearchView.h"
#include "ui/toolkit/PLCustomTextField.h"
#include "ui/toolkit/PLProfileUserNameTextField.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;
using namespace pelnix::platform::ui;
using Profile = PLUserProfileTableViewController;

namespace {
const QString kAddress = QStringLiteral("nina@acme.test");

void tapRow(TableView* table, int row) {
    table->scrollToRowAtIndexPath(IndexPath::forRow(row), RowListView::ScrollPosition::Middle, false);
    const QRectF rect = table->rectForRow(IndexPath::forRow(row));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      (rect.center() - table->contentOffset()).toPoint());
}

void tapProfileRow(Profile* profile, int staticRow) {
    tapRow(profile->tableView(), int(profile->indexPathsToDisplay().indexOf(staticRow)));
}

void tapBarItem(BarButtonItem* item) {
    QVERIFY(item);
    QWidget* button = item->view();
    QVERIFY(button && button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// Types `address` on the sign-up page, asks for its code and answers the confirmation.
PLEmailVerficationViewController* requestCode(ScreenHost& host, PLSignUpViewController* signUp,
                                              const QString& address) {
    type(signUp->emailAddressTextField(), address);
    click(signUp->nextButton());
    answerAlert(host, QStringLiteral("Verification Code"), QStringLiteral("Yes"));
    if (!busyOverlayGoes())
        return nullptr;
    auto* nav = signUp->navigationController();
    PLEmailVerficationViewController* verification = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] {
            return (verification = qobject_cast<PLEmailVerficationViewController*>(nav->topViewController()));
        },
        15000);
    return shown ? verification : nullptr;
}

template <typename T> T* waitForTop(ViewController* presenter) {
    T* found = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] { return (found = topOf<T>(presenter->presentedViewController())) != nullptr; }, 15000);
    return shown ? found : nullptr;
}
} // namespace

class TestAccountFlow : public QObject {
    Q_OBJECT
private slots:
    void aNewUserSignsUpAndSetsUpTheAccount();
    void aUserTheServiceNamedLocksTheAppAfterSignUp();
};

void TestAccountFlow::aNewUserSignsUpAndSetsUpTheAccount() {
    AccountWorld world;
    // An address the organisation knows, without a profile yet.
    world.core.server().seed(
        QJsonObject{{"users", QJsonArray{QJsonObject{{"email", kAddress}, {"name", ""}}}}});
    world.pictures->answers << FakeImageSelection::picked([] {
        QImage image(400, 400, QImage::Format_RGB32);
        image.fill(QColor(0x2f, 0x9e, 0x6e));
        return image;
    }());
    ScreenHost host;
    int logins = 0;
    bool loggedIn = false;
    auto* signUpNav = host.present(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Login"), QStringLiteral("PLSignUpNavigationController")));
    auto* signUp = topOf<PLSignUpViewController>(signUpNav);
    signUp->setPelnixLoginCompletionHandler([&](bool success, const PLOptionalError&, const QString&) {
        ++logins;
        loggedIn = success;
    });

    // An address the service refuses.
    type(signUp->emailAddressTextField(), QStringLiteral("nina park@acme.test"));
    click(signUp->nextButton());
    answerAlert(host, QStringLiteral("Verification Code"), QStringLiteral("Yes"));
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(host.lastAlert());
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("invalidEmail"));
    answerAlert(host, QStringLiteral("Failed"), QStringLiteral("OK"));

    // Sign-up; a wrong code; the code the service sent.
    auto* verification = requestCode(host, signUp, kAddress);
    QVERIFY(verification);
    type(verification->verifyCodeTextField(), QStringLiteral("000000"));
    click(verification->verifyButton());
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(host.lastAlert());
    QCOMPARE(host.lastAlert()->message(),
             QStringLiteral("You seem to have entered the wrong code. Please retry with correct code."));
    answerAlert(host, QStringLiteral("Wrong Verification Code"), QStringLiteral("OK"));
    const QString code = QString::fromStdString(world.core.server().otp(kAddress.toStdString()));
    QCOMPARE(code.size(), 6);
    type(verification->verifyCodeTextField(), code);
    click(verification->verifyButton());
    QVERIFY(busyOverlayGoes());

    // No name yet: the profile comes first, in editing mode with the keyboard on the name.
    Profile* profile = waitForTop<Profile>(verification);
    QVERIFY(profile);
    QVERIFY(profile->isFirstRun());
    QTRY_VERIFY(profile->editUserNameTextField()->hasFocus());
    QCOMPARE(logins, 0);
    QTest::keyClicks(profile->editUserNameTextField(), QStringLiteral("Nina Park"));
    click(profile->editProfileImageButton());
    tapBarItem(profile->navigationItem()->rightBarButtonItem()); // Save
    QVERIFY(busyOverlayGoes(20000));
    QTRY_COMPARE_WITH_TIMEOUT(logins, 1, 20000);
    QVERIFY(loggedIn);
    QTRY_VERIFY(!host.presented());
    const auto account = world.account();
    QCOMPARE(account->status(), qint16(3));
    QCOMPARE(account->user()->profileName(), QStringLiteral("Nina Park"));
    QVERIFY(account->user()->imageUrl().contains(QStringLiteral("/s/")));
    QCOMPARE(PelnixInfo::sharedInstance()->sessionState(), quint64(1));

    // The profile again: a phone number, its country picked from a filtered list.
    // As the host's container opens it: the top of its own navigation controller.
    auto* profileNav = ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), QStringLiteral("PLUserProfileNavigationController"));
    profile = topOf<Profile>(profileNav);
    profile->setProfileNavigationType(2);
    host.present(profileNav);
    QVERIFY(busyOverlayGoes());
    QVERIFY(!profile->isEditingProfile());
    QCOMPARE(profile->userName()->text(), QStringLiteral("Nina Park"));
    tapBarItem(profile->navigationItem()->rightBarButtonItem()); // Edit
    tapProfileRow(profile, Profile::AddPhoneRow);
    auto* registration = topOf<PLRegPhoneNumberViewController>(profile->presentedViewController());
    QVERIFY(registration);
    QCOMPARE(registration->countryCodeTextField()->text(), QStringLiteral("Select"));
    click(registration->countryListDropDownButton());
    auto* picker = topOf<PLCountryCodesViewController>(registration->presentedViewController());
    QVERIFY(picker);
    type(picker->searchView()->searchTextField(), QStringLiteral("united"));
    int kingdom = -1;
    for (int i = 0; i < picker->countryList().size(); ++i)
        if (picker->countryList()[i].isoCode() == QLatin1String("GB"))
            kingdom = i;
    QVERIFY(kingdom >= 0);
    tapRow(picker->countryCodesTableView(), kingdom);
    QTRY_VERIFY(!registration->presentedViewController()); // a pick while searching closes the picker
    QCOMPARE(registration->countryCodeTextField()->text(), QStringLiteral("United Kingdom (+44)"));
    type(registration->phoneNumberTextField(), QStringLiteral("7700900123"));
    click(registration->addOrRemovePhoneNumberButton());
    QTRY_VERIFY(!profile->presentedViewController());
    QVERIFY(profile->isEditingProfile());
    tapBarItem(profile->navigationItem()->rightBarButtonItem()); // Save
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(!profile->isEditingProfile());
    QCOMPARE(account->phoneNumber(), QStringLiteral("7700900123"));
    QCOMPARE(account->countryCode(), QStringLiteral("44"));
    QVERIFY(!account->isPhoneVerified());
    QCOMPARE(profile->phoneNumberLabel()->text(), QStringLiteral("+447700900123"));
    QVERIFY(profile->editIconImageView()->isVisibleTo(profile->cellForRow(Profile::PhoneRow)));

    // Its code by text message.
    tapProfileRow(profile, Profile::PhoneRow);
    answerAlert(host, QStringLiteral("Confirm"), QStringLiteral("Yes"));
    auto* phoneCheck = qobject_cast<PLVerifyPhoneNumberViewController*>(profile->presentedViewController());
    QVERIFY(phoneCheck);
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(host.lastAlert());
    answerAlert(host, QStringLiteral("Success"), QStringLiteral("OK"));
    const QString sms = QString::fromStdString(world.core.server().smsCode(kAddress.toStdString()));
    QCOMPARE(sms.size(), 6);
    type(phoneCheck->verifyCodeTextField(), sms);
    click(phoneCheck->verifyButton());
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(!profile->presentedViewController());
    QVERIFY(account->isPhoneVerified());
    QTRY_VERIFY(!profile->editIconImageView()->isVisibleTo(profile->cellForRow(Profile::PhoneRow)));
    QVERIFY(profile->phoneNumberVerifiedImageView()->isVisibleTo(profile->cellForRow(Profile::PhoneRow)));
    click(profile->navigationItem()->leftBarButtonItem()->customView()); // back
    QTRY_VERIFY(!host.presented());

    // Settings: the latest smart-message material, then the app lock on and off.
    auto* settingsNav = host.present(new NavigationController(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), QStringLiteral("PLSettingsTableViewController"))));
    auto* settings = topOf<PLSettingsTableViewController>(settingsNav);
    tapRow(settings->tableView(), 0);
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(host.lastAlert());
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("5 new chatlets downloaded"));
    answerAlert(host, QStringLiteral("Success"), QStringLiteral("OK"));
    auto* lockRow = qobject_cast<PLAppLockSettingCell*>(
        settings->tableView()->cellForRowAtIndexPath(IndexPath::forRow(1)));
    click(lockRow->enableOrDisableSwitch());
    answerAlert(host, QStringLiteral("Confirm"), QStringLiteral("Yes"));
    auto* lock = qobject_cast<PLAppLockScreenViewController*>(settings->presentedViewController());
    enterOnPad(lock, QStringLiteral("8642"));
    enterOnPad(lock, QStringLiteral("8642"));
    QTRY_VERIFY(!settings->presentedViewController());
    answerAlert(host, QStringLiteral("Success"), QStringLiteral("OK"));
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), QStringLiteral("8642"));
    QCOMPARE(account->appLockState(), qint16(1));
    lockRow = qobject_cast<PLAppLockSettingCell*>(
        settings->tableView()->cellForRowAtIndexPath(IndexPath::forRow(1)));
    click(lockRow->enableOrDisableSwitch());
    answerAlert(host, QStringLiteral("Confirm"), QStringLiteral("Yes"));
    lock = qobject_cast<PLAppLockScreenViewController*>(settings->presentedViewController());
    enterOnPad(lock, QStringLiteral("8642"));
    QTRY_VERIFY(!settings->presentedViewController());
    QVERIFY(PLKeychainAccessHelper::currentPasscode().isEmpty());
    QVERIFY(world.secrets->items.isEmpty());
    QCOMPARE(account->appLockState(), qint16(0));
    QCOMPARE(logins, 1);
}

// An address the service has not seen: it names the user from the address, so the profile page is
// skipped and the account is whole at once: the app lock goes on.
void TestAccountFlow::aUserTheServiceNamedLocksTheAppAfterSignUp() {
    AccountWorld world;
    const QString address = QStringLiteral("lee.w@acme.test");
    ScreenHost host;
    bool loggedIn = false;
    auto* signUp = topOf<PLSignUpViewController>(host.present(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Login"), QStringLiteral("PLSignUpNavigationController"))));
    signUp->setPelnixLoginCompletionHandler(
        [&](bool success, const PLOptionalError&, const QString&) { loggedIn = success; });
    auto* verification = requestCode(host, signUp, address);
    QVERIFY(verification);
    type(verification->verifyCodeTextField(),
         QString::fromStdString(world.core.server().otp(address.toStdString())));
    click(verification->verifyButton());
    QTRY_VERIFY_WITH_TIMEOUT(loggedIn, 20000);
    QTRY_VERIFY(!host.presented());
    const auto account = world.account();
    QCOMPARE(account->user()->profileName(), QStringLiteral("lee.w"));
    QCOMPARE(account->status(), qint16(3));

    auto* settings = topOf<PLSettingsTableViewController>(
        host.present(new NavigationController(ScreenRegistry::shared()->instantiate(
            QStringLiteral("Home"), QStringLiteral("PLSettingsTableViewController")))));
    auto* lockRow = qobject_cast<PLAppLockSettingCell*>(
        settings->tableView()->cellForRowAtIndexPath(IndexPath::forRow(1)));
    QVERIFY(lockRow);
    click(lockRow->enableOrDisableSwitch());
    answerAlert(host, QStringLiteral("Confirm"), QStringLiteral("Yes"));
    auto* lock = qobject_cast<PLAppLockScreenViewController*>(settings->presentedViewController());
    QVERIFY2(lock, qPrintable(host.lastAlert() ? host.lastAlert()->title() : QString()));
    enterOnPad(lock, QStringLiteral("1470"));
    enterOnPad(lock, QStringLiteral("1470"));
    QTRY_VERIFY(!settings->presentedViewController());
    QCOMPARE(account->appLockState(), qint16(1));
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), QStringLiteral("1470"));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestAccountFlow t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_accountflow.moc"
