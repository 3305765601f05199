// Phone registration, its country picker and phone verification against the stand-in: the register
// button's rules, what goes back to the profile, the picker's choice surviving a filter, cancelling,
// and the codes sent by text message.
#include "AccountTestKit.h"
#include "MirroredGeometry.h"
#include "TestSandbox.h"
#include "core/model/PLCountryInfo.h"
#include "foundation/ui/CustomColors.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/TableView.h"
#include "ui/account/PLCountryCodeTableViewCell.h"
#include "ui/account/PLCountryCodesViewController.h"
#include "ui/account/PLRegPhoneNumberViewController.h"
#include "ui/account/PLVerifyPhoneNumberViewController.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomSearchView.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QApplication>
#include <QScopeGuard>

using namespace pelnix;
using namespace pelnix::test;
using namespace pelnix::platform::ui;

namespace {
struct Handed {
    int calls = 0;
    QString code;
    QString number;
};

PLRegPhoneNumberViewController* openRegistration(ScreenHost& host, Handed* handed) {
    auto* nav = host.present(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), QStringLiteral("PLRegPhoneNumberViewController")));
    auto* registration = topOf<PLRegPhoneNumberViewController>(nav);
    if (registration && handed)
        registration->setRegPhooneNumControllerCompletionHandler(
            [handed](const QString& code, const QString& number) {
                ++handed->calls;
                handed->code = code;
                handed->number = number;
            });
    return registration;
}

PLCountryCodesViewController* openPicker(PLRegPhoneNumberViewController* registration) {
    click(registration->countryListDropDownButton());
    return topOf<PLCountryCodesViewController>(registration->presentedViewController());
}

void search(PLCountryCodesViewController* picker, const QString& text) {
    PLCustomSearchTextField* field = picker->searchView()->searchTextField();
    type(field, text);
}

void tapRow(TableView* table, int row) {
    table->scrollToRowAtIndexPath(IndexPath::forRow(row), RowListView::ScrollPosition::Middle, false);
    const QRectF rect = table->rectForRow(IndexPath::forRow(row));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      (rect.center() - table->contentOffset()).toPoint());
}

qsizetype indexOf(const QList<PLCountryInfo>& list, const QString& isoCode) {
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i].isoCode() == isoCode)
            return i;
    return -1;
}

void storePhone(AccountWorld& world, const QString& number, const QString& code, bool verified) {
    const auto row = world.account();
    row->setPhoneNumber(number);
    row->setCountryCode(code);
    row->setPhoneVerificationStatus(verified ? QStringLiteral("VERIFIED") : QString());
    row->save();
}
} // namespace

class TestPhone : public QObject {
    Q_OBJECT
private slots:
    void registerButtonNeedsANumberAndACountry_data();
    void registerButtonNeedsANumberAndACountry();
    void registering_data();
    void registering();
    void theCountryArrowLiesAtTheTrailingEnd_data();
    void theCountryArrowLiesAtTheTrailingEnd();
    void pickerMarksTheCountryInUseInTheMiddle();
    void pickerFiltersByTheStartOfTheName_data();
    void pickerFiltersByTheStartOfTheName();
    void doneAfterAFilterReturnsTheChosenCountry();
    void aPickWhileSearchingClosesAfterHalfASecond();
    void cancelShowsTheStoredCountryAgain_data();
    void cancelShowsTheStoredCountryAgain();
    void pickerMakesRoomForTheKeyboard();
    void verificationSendsAndChecksCodes();
    void aBlankCodeSendsNothing_data();
    void aBlankCodeSendsNothing();
    void aVerifiedNumberGetsNoNewCode();
    void anUnreachableServiceSaysSo();
};

void TestPhone::registerButtonNeedsANumberAndACountry_data() {
    QTest::addColumn<QString>("storedCode");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("country");
    QTest::newRow("no country, a number") << ""
                                          << "5550100" << false << "Select";
    QTest::newRow("a country, no number") << "44"
                                          << "" << false << "United Kingdom (+44)";
    QTest::newRow("a country and a number") << "44"
                                            << "5550100" << true << "United Kingdom (+44)";
    QTest::newRow("an unknown stored code") << "999"
                                            << "5550100" << false << "Select";
}

void TestPhone::registerButtonNeedsANumberAndACountry() {
    QFETCH(QString, storedCode);
    QFETCH(QString, typed);
    QFETCH(bool, enabled);
    QFETCH(QString, country);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    storePhone(world, QString(), storedCode, false);
    ScreenHost host;
    PLRegPhoneNumberViewController* registration = openRegistration(host, nullptr);
    QCOMPARE(registration->countryCodeTextField()->text(), country);
    QCOMPARE(registration->phoneNumberTextField()->placeholder(), QStringLiteral("Phone Number"));
    QCOMPARE(registration->addOrRemovePhoneNumberButton()->titleForState(Button::State::Normal),
             QStringLiteral("Add Now"));
    type(registration->phoneNumberTextField(), typed);
    QCOMPARE(registration->addOrRemovePhoneNumberButton()->isEnabled(), enabled);
    QCOMPARE(Animator::alpha(registration->addOrRemovePhoneNumberButton()), enabled ? 1.0 : 0.5);
    QCOMPARE(registration->countryInfo().has_value(), country != QLatin1String("Select"));
}

void TestPhone::theCountryArrowLiesAtTheTrailingEnd_data() {
    QTest::addColumn<Turned>("turned");
    QTest::newRow("window right to left") << Turned::FromTheStart;
    QTest::newRow("program right to left") << Turned::Program;
    QTest::newRow("page turned while shown") << Turned::WhileShown;
}

// The country field's arrow lies 20 points in from the field's trailing end: the right, or the left
// right to left, mirrored in the field's width, whether the program or the page alone is turned.
void TestPhone::theCountryArrowLiesAtTheTrailingEnd() {
    QFETCH(Turned, turned);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    ScreenHost host;
    turnRightToLeft(turned, false, &host.window);
    PLRegPhoneNumberViewController* registration = openRegistration(host, nullptr);
    turnRightToLeft(turned, true, registration->view());
    Button* arrow = registration->countryListDropDownButton();
    const auto arrowArea = [arrow] { return arrow->rect().marginsRemoved(arrow->contentEdgeInsets()); };
    const QRect rightToLeft = arrowArea();
    turnBack(registration->view());
    host.window.setLayoutDirection(Qt::LeftToRight);
    const QRect leftToRight = arrowArea();
    QCOMPARE(leftToRight.right() + 1, arrow->width() - 20);
    QCOMPARE(leftToRight.width(), 16);
    QCOMPARE(rightToLeft, mirroredIn(arrow->width(), leftToRight));
}

void TestPhone::registering_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("verified");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("alert");
    QTest::newRow("a new number") << "" << false << "5550100"
                                  << "";
    QTest::newRow("the stored number, unverified") << "5550100" << false << "5550100"
                                                   << "";
    QTest::newRow("the stored number, verified") << "5550100" << true << "5550100"
                                                 << "Already registered";
    QTest::newRow("another number than the verified one") << "5550100" << true << "5550199"
                                                          << "";
    QTest::newRow("no number") << "" << false << ""
                               << "Invalid Phone Number";
}

void TestPhone::registering() {
    QFETCH(QString, stored);
    QFETCH(bool, verified);
    QFETCH(QString, typed);
    QFETCH(QString, alert);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    storePhone(world, stored, QStringLiteral("44"), verified);
    ScreenHost host;
    Handed handed;
    PLRegPhoneNumberViewController* registration = openRegistration(host, &handed);
    QCOMPARE(registration->addOrRemovePhoneNumberButton()->titleForState(Button::State::Normal),
             stored.isEmpty() ? QStringLiteral("Add Now") : QStringLiteral("Update Now"));
    QCOMPARE(registration->phoneNumberTextField()->text(), stored);
    type(registration->phoneNumberTextField(), typed);
    // The return key registers too, also when the button is disabled.
    QTest::keyClick(registration->phoneNumberTextField(), Qt::Key_Return);
    const QString event = QStringLiteral("Clicked Add phone #");
    if (alert.isEmpty()) {
        QCOMPARE(handed.calls, 1);
        QCOMPARE(handed.code, QStringLiteral("44"));
        QCOMPARE(handed.number, typed);
        QTRY_VERIFY(!host.presented());
        QCOMPARE(world.analytics.count(event), 1);
        QCOMPARE(world.analytics.last(event).value("success").toBool(), true);
        // The handler is spent.
        registration->registerPhoneNumberButtonClickHandler();
        QCOMPARE(handed.calls, 1);
        return;
    }
    QCOMPARE(handed.calls, 0);
    QCOMPARE(host.lastAlert()->title(), alert);
    QCOMPARE(host.lastAlert()->message(), alert == QLatin1String("Already registered")
                                              ? QStringLiteral("Please enter a different number")
                                              : QStringLiteral("Please enter a valid phone number"));
    QCOMPARE(host.presented()->presentedViewController(), nullptr);
    QVERIFY(host.presented());
    QCOMPARE(world.analytics.count(event), alert == QLatin1String("Already registered") ? 1 : 0);
}

void TestPhone::pickerMarksTheCountryInUseInTheMiddle() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    storePhone(world, QString(), QStringLiteral("91"), false);
    ScreenHost host;
    PLRegPhoneNumberViewController* registration = openRegistration(host, nullptr);
    PLCountryCodesViewController* picker = openPicker(registration);
    QVERIFY(picker);
    const qsizetype india = indexOf(picker->countryList(), QStringLiteral("IN"));
    QVERIFY(india > 10);
    QCOMPARE(picker->currentSelectedIndex(), india);
    TableView* table = picker->countryCodesTableView();
    const QRectF row = table->rectForRow(IndexPath::forRow(int(india)));
    QVERIFY(qAbs(row.center().y() - table->contentOffset().y() - table->viewport()->height() / 2.0) <= 1);
    QCOMPARE(row.height(), PLCountryCodesViewController::kRowHeight);
    auto* cell = qobject_cast<PLCountryCodeTableViewCell*>(
        table->cellForRowAtIndexPath(IndexPath::forRow(int(india))));
    QVERIFY(cell && cell->isCountrySelected());
    QVERIFY(!cell->selectionStatusImageView()->image().isNull());
    QCOMPARE(cell->countryCodeLabel()->text(), QStringLiteral("+91"));
    QCOMPARE(cell->countryNameLabel()->text(), QStringLiteral("India"));
    // The host's separator colour, and the bar's titles in the screen's own font.
    const QColor hostSeparator(0x12, 0x34, 0x56);
    CustomColors::setTableViewSeparatorColorSource([hostSeparator] { return hostSeparator; });
    const auto restore = qScopeGuard([] { CustomColors::setTableViewSeparatorColorSource({}); });
    table->reloadData();
    for (TableViewCell* visible : table->visibleCells())
        QCOMPARE(visible->separatorColor(), hostSeparator);
    for (BarButtonItem* item : {picker->cancelButton(), picker->doneButton()}) {
        QVERIFY(item->view());
        QCOMPARE(item->view()->font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(item->view()->font().pixelSize(), 15);
    }
    // No other visible row is marked.
    for (TableViewCell* visible : table->visibleCells())
        if (visible != cell)
            QVERIFY(!qobject_cast<PLCountryCodeTableViewCell*>(visible)->isCountrySelected());

    // Without a country in use nothing is marked and the list starts at the top.
    picker->cancelButton()->trigger();
    QTRY_VERIFY(!registration->presentedViewController());
    storePhone(world, QString(), QString(), false);
    ScreenHost second;
    picker = openPicker(openRegistration(second, nullptr));
    QCOMPARE(picker->currentSelectedIndex(), PLCountryCodesViewController::kNotFound);
    QCOMPARE(picker->countryCodesTableView()->contentOffset().y(), 0.0);
}

void TestPhone::pickerFiltersByTheStartOfTheName_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("in") << "in" << QStringList{"India", "Indonesia"};
    QTest::newRow("IN") << "IN" << QStringList{"India", "Indonesia"};
    QTest::newRow("united k") << "united k" << QStringList{"United Kingdom"};
    QTest::newRow("no such start") << "zq" << QStringList{};
}

void TestPhone::pickerFiltersByTheStartOfTheName() {
    QFETCH(QString, typed);
    QFETCH(QStringList, names);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    storePhone(world, QString(), QStringLiteral("91"), false); // the list opens scrolled to India
    ScreenHost host;
    PLCountryCodesViewController* picker = openPicker(openRegistration(host, nullptr));
    QVERIFY(picker->countryCodesTableView()->contentOffset().y() > 0);
    const qsizetype all = picker->countryList().size();
    search(picker, typed);
    QStringList shown;
    for (const PLCountryInfo& country : picker->countryList())
        shown << country.name();
    QCOMPARE(shown, names);
    QCOMPARE(picker->countryCodesTableView()->numberOfRows(0), int(names.size()));
    QCOMPARE(picker->countryCodesTableView()->visibleCells().size(), int(names.size()));
    QVERIFY(picker->isSearching());
    // Deleting the text by hand shows everything, still searching; the bar's cancel ends the search.
    type(picker->searchView()->searchTextField(), QString());
    QCOMPARE(picker->countryList().size(), all);
    QVERIFY(picker->isSearching());
    click(picker->searchView()->cancelButton());
    QVERIFY(!picker->isSearching());
    QVERIFY(picker->searchView()->textFieldText().isEmpty());
}

void TestPhone::doneAfterAFilterReturnsTheChosenCountry() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    storePhone(world, QString(), QStringLiteral("1"), false);
    ScreenHost host;
    PLRegPhoneNumberViewController* registration = openRegistration(host, nullptr);
    PLCountryCodesViewController* picker = openPicker(registration);
    QCOMPARE(picker->currentSelectedIndex(), 0); // the United States, first in the list
    search(picker, QStringLiteral("in"));
    // Filtering moves rows, not the choice: nothing shown is marked.
    QCOMPARE(picker->currentSelectedIndex(), PLCountryCodesViewController::kNotFound);
    for (TableViewCell* visible : picker->countryCodesTableView()->visibleCells())
        QVERIFY(!qobject_cast<PLCountryCodeTableViewCell*>(visible)->isCountrySelected());
    picker->doneButton()->trigger();
    QTRY_VERIFY(!registration->presentedViewController());
    QCOMPARE(registration->countryInfo()->isoCode(), QStringLiteral("US"));
    QCOMPARE(registration->countryCode(), QStringLiteral("1"));
    QCOMPARE(registration->countryCodeTextField()->text(), QStringLiteral("United States (+1)"));
}

void TestPhone::aPickWhileSearchingClosesAfterHalfASecond() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    ScreenHost host;
    Handed handed;
    PLRegPhoneNumberViewController* registration = openRegistration(host, &handed);
    PLCountryCodesViewController* picker = openPicker(registration);
    Scheduler::shared()->setVirtualClock(true);
    search(picker, QStringLiteral("in"));
    tapRow(picker->countryCodesTableView(), 1); // Indonesia
    QCOMPARE(picker->selectedCountry()->name(), QStringLiteral("Indonesia"));
    Scheduler::shared()->advance(PLCountryCodesViewController::kAutoDoneMs - 1);
    QVERIFY(registration->presentedViewController());
    Scheduler::shared()->advance(1);
    QTRY_VERIFY(!registration->presentedViewController());
    QCOMPARE(registration->countryCodeTextField()->text(), QStringLiteral("Indonesia (+62)"));
    type(registration->phoneNumberTextField(), QStringLiteral("8123456"));
    click(registration->addOrRemovePhoneNumberButton());
    QCOMPARE(handed.calls, 1);
    QCOMPARE(handed.code, QStringLiteral("62"));
    QCOMPARE(handed.number, QStringLiteral("8123456"));

    // Tapping the marked row outside a search changes nothing and closes nothing.
    ScreenHost second;
    registration = openRegistration(second, nullptr);
    picker = openPicker(registration);
    tapRow(picker->countryCodesTableView(), 3);
    const auto chosen = picker->selectedCountry();
    tapRow(picker->countryCodesTableView(), 3);
    Scheduler::shared()->advance(PLCountryCodesViewController::kAutoDoneMs * 2);
    QVERIFY(registration->presentedViewController());
    QCOMPARE(picker->selectedCountry()->isoCode(), chosen->isoCode());
    Scheduler::shared()->setVirtualClock(false);
}

void TestPhone::cancelShowsTheStoredCountryAgain_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("a stored country") << "44"
                                      << "United Kingdom (+44)" << true;
    QTest::newRow("none stored") << ""
                                 << "Select" << false;
}

void TestPhone::cancelShowsTheStoredCountryAgain() {
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(bool, enabled);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    storePhone(world, QString(), stored, false);
    ScreenHost host;
    PLRegPhoneNumberViewController* registration = openRegistration(host, nullptr);
    type(registration->phoneNumberTextField(), QStringLiteral("5550100"));
    // A first pick, confirmed.
    PLCountryCodesViewController* picker = openPicker(registration);
    search(picker, QStringLiteral("germ"));
    tapRow(picker->countryCodesTableView(), 0);
    QTRY_VERIFY(!registration->presentedViewController());
    QCOMPARE(registration->countryCodeTextField()->text(), QStringLiteral("Germany (+49)"));
    // A second pick, cancelled: the stored country again, not the first pick.
    picker = openPicker(registration);
    QCOMPARE(picker->currentSelectedCountryInfo()->isoCode(), QStringLiteral("DE"));
    tapRow(picker->countryCodesTableView(), 2);
    picker->cancelButton()->trigger();
    QTRY_VERIFY(!registration->presentedViewController());
    QCOMPARE(registration->countryCodeTextField()->text(), shown);
    // No earlier pick hides behind "Select": the button and the code follow what is shown.
    QCOMPARE(registration->countryInfo().has_value(), enabled);
    QCOMPARE(registration->addOrRemovePhoneNumberButton()->isEnabled(), enabled);
    QCOMPARE(registration->countryCode(), stored.isEmpty() ? QStringLiteral("Select") : stored);
}

void TestPhone::pickerMakesRoomForTheKeyboard() {
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    ScreenHost host;
    PLCountryCodesViewController* picker = openPicker(openRegistration(host, nullptr));
    KeyboardMonitor::shared()->show(216, &host.window);
    QCOMPARE(picker->countryCodesTableView()->contentInset().bottom(), 216);
    KeyboardMonitor::shared()->hide();
    QCOMPARE(picker->countryCodesTableView()->contentInset().bottom(), 0);
}

void TestPhone::verificationSendsAndChecksCodes() {
    AccountWorld world;
    world.signIn();
    // The service knows the number; a new number waits for its code.
    bool updated = false;
    QVERIFY(world.account()->updateProfileWithName(
        {}, {}, {}, QStringLiteral("5550100"), QStringLiteral("44"),
        [&](bool ok, const PLOptionalError&, const QString&) { updated = ok; }));
    QTRY_VERIFY(updated);
    QVERIFY(!world.account()->isPhoneVerified());
    world.core.server().clearRequestLog();
    ScreenHost host;
    auto* verification =
        qobject_cast<PLVerifyPhoneNumberViewController*>(ScreenRegistry::shared()->instantiate(
            QStringLiteral("Home"), QStringLiteral("PLVerifyPhoneNumberViewController")));
    verification->setShowsCloseButton(true);
    verification->setShouldResendCode(true);
    host.present(verification);
    QVERIFY(verification->closeButton()->isVisible());
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(host.lastAlert());
    QCOMPARE(host.lastAlert()->title(), QStringLiteral("Success"));
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("Verification code sent"));
    QCOMPARE(world.core.requestsTo("api/public", "echat.resendSMSCode"), 1);
    QCOMPARE(world.analytics.count(QStringLiteral("Verify Phone -Resend code")), 0);
    answerAlert(host, QStringLiteral("Success"), QStringLiteral("OK"));

    // The resend button asks again and reports it.
    click(verification->resendButton());
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(host.lastAlert());
    QCOMPARE(world.analytics.last(QStringLiteral("Verify Phone -Resend code")).value("success").toBool(),
             true);
    answerAlert(host, QStringLiteral("Success"), QStringLiteral("OK"));

    // A wrong code: the service's message, and the screen stays.
    type(verification->verifyCodeTextField(), QStringLiteral("000000"));
    click(verification->verifyButton());
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(host.lastAlert());
    QCOMPARE(host.lastAlert()->title(), QStringLiteral("Failed"));
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("invalidCode"));
    QCOMPARE(world.analytics.last(QStringLiteral("My Profile- Verify phone #")).value("success").toBool(),
             false);
    answerAlert(host, QStringLiteral("Failed"), QStringLiteral("OK"));
    QCOMPARE(host.presented(), verification);

    // The code the service sent verifies the number.
    const QString code =
        QString::fromStdString(world.core.server().smsCode(world.core.email().toStdString()));
    type(verification->verifyCodeTextField(), code);
    click(verification->verifyButton());
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(!host.presented());
    QVERIFY(world.account()->isPhoneVerified());
    QCOMPARE(world.analytics.last(QStringLiteral("My Profile- Verify phone #")).value("success").toBool(),
             true);
    QCOMPARE(world.analytics.count(QStringLiteral("Clicked Verify Phone #")), 2);
}

void TestPhone::aBlankCodeSendsNothing_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("sent");
    QTest::newRow("spaces") << "   " << false;
    QTest::newRow("spaces around a code") << " 123 " << true;
}

void TestPhone::aBlankCodeSendsNothing() {
    QFETCH(QString, typed);
    QFETCH(bool, sent);
    AccountWorld world;
    world.signIn();
    storePhone(world, QStringLiteral("5550100"), QStringLiteral("44"), false);
    world.core.server().clearRequestLog();
    ScreenHost host;
    auto* verification =
        host.present(qobject_cast<PLVerifyPhoneNumberViewController*>(ScreenRegistry::shared()->instantiate(
            QStringLiteral("Home"), QStringLiteral("PLVerifyPhoneNumberViewController"))));
    QVERIFY(verification->closeButton()->isHidden());
    type(verification->verifyCodeTextField(), typed);
    click(verification->verifyButton());
    QCOMPARE(world.analytics.count(QStringLiteral("Clicked Verify Phone #")), 1);
    QVERIFY(busyOverlayGoes());
    if (!sent) {
        QCOMPARE(world.core.requestsTo("api/public"), 0);
        return;
    }
    QTRY_COMPARE(world.core.requestsTo("api/public", "echat.verifyPhone"), 1);
    const auto request = world.core.lastRequest("api/public");
    QVERIFY(decodeForm(request.body).contains(QPair<QString, QString>(QStringLiteral("code"), typed)));
}

void TestPhone::aVerifiedNumberGetsNoNewCode() {
    AccountWorld world;
    world.signIn();
    storePhone(world, QStringLiteral("5550100"), QStringLiteral("44"), true);
    world.core.server().clearRequestLog();
    ScreenHost host;
    auto* verification =
        qobject_cast<PLVerifyPhoneNumberViewController*>(ScreenRegistry::shared()->instantiate(
            QStringLiteral("Home"), QStringLiteral("PLVerifyPhoneNumberViewController")));
    verification->setShouldResendCode(true);
    host.present(verification);
    click(verification->resendButton());
    QTest::qWait(20);
    QCOMPARE(world.core.requestsTo("api/public"), 0);
    QVERIFY(host.alerts().isEmpty());
    QVERIFY(!PLActivityIndicatorView::isVisible());
}

void TestPhone::anUnreachableServiceSaysSo() {
    AccountWorld world;
    world.signIn();
    storePhone(world, QStringLiteral("5550100"), QStringLiteral("44"), false);
    world.core.stopServer();
    ScreenHost host;
    auto* verification =
        host.present(qobject_cast<PLVerifyPhoneNumberViewController*>(ScreenRegistry::shared()->instantiate(
            QStringLiteral("Home"), QStringLiteral("PLVerifyPhoneNumberViewController"))));
    click(verification->resendButton());
    QVERIFY(busyOverlayGoes());
    QTRY_VERIFY(host.lastAlert());
    QCOMPARE(host.lastAlert()->title(), QStringLiteral("Failed"));
    QCOMPARE(host.lastAlert()->message(), QStringLiteral("Please check your network connectivity."));
    QCOMPARE(world.analytics.last(QStringLiteral("Verify Phone -Resend code")).value("success").toBool(),
             false);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestPhone t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_phone.moc"
