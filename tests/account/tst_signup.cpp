// The sign-up screen and the form base under it, driven by clicks and typing against the stand-in:
// the next button's enabling, every registration outcome, cancelling, the keyboard and centring
// rules, the agreement links, the password toggle and the logged-out variant.
#include "AccountTestKit.h"
#include "CapturedLog.h"
#include "MirroredGeometry.h"
#include "TestSandbox.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "interface/Pelnix.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/WebView.h"
#include "platform/ui/testing/FakeWebView.h"
#include "ui/account/PLAboutWebViewController.h"
#include "ui/account/PLEmailVerficationViewController.h"
#include "ui/account/PLLoginFormViewController.h"
#include "ui/account/PLRegPhoneNumberViewController.h"
#include "ui/account/PLSignUpMessageTextView.h"
#include "ui/account/PLSignUpViewController.h"
#include "ui/account/PLUserProfileTableViewController.h"
#include "ui/account/PLVerifyPhoneNumberViewController.h"
#include "ui/shell/PelnixCustomViewController.h"
#include "ui/toolkit/PLCustomTextField.h"
#include "ui/toolkit/PLTapToDismissKeyboardView.h"

#include <QApplication>
#include <QScopeGuard>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

using namespace pelnix;
using namespace pelnix::test;
using namespace pelnix::platform::ui;

namespace {
enum Setup { Invalid, Offline, Refused, Unreachable, Locked, Registered };

// What the host's login completion heard.
struct Login {
    int calls = 0;
    bool success = false;
    PLOptionalError error;
    PLResultHandler handler() {
        return [this](bool s, const PLOptionalError& e, const QString&) {
            ++calls;
            success = s;
            error = e;
        };
    }
};

PLSignUpViewController* openSignUp(ScreenHost& host, Login* login = nullptr) {
    auto* nav = host.present(qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Login"), QStringLiteral("PLSignUpNavigationController"))));
    auto* signUp = topOf<PLSignUpViewController>(nav);
    if (signUp && login)
        signUp->setPelnixLoginCompletionHandler(login->handler());
    return signUp;
}

// A click on the middle of the link's words.
void clickLink(PLSignUpMessageTextView* agreement, const QString& text) {
    QTextCursor found = agreement->document()->find(text);
    QVERIFY(!found.isNull());
    QTextCursor middle(agreement->document());
    middle.setPosition(found.selectionStart() + int(text.size()) / 2);
    QTest::mouseClick(agreement->viewport(), Qt::LeftButton, {}, agreement->cursorRect(middle).center());
}

// Keys typed as the window takes them from the keyboard: to its focus widget.
void typeKeys(QWidget* window, const char* text) {
    for (const char* c = text; *c; ++c)
        QTest::keyClick(window->windowHandle(), *c);
}

enum class Shown { PresentedByTheHostsScreen, LoginContainerInTheHostsWindow, BesideTheHostsFocusedField };

QColor textColour(const QWidget* field) {
    return field->palette().color(QPalette::Text);
}
} // namespace

class TestSignUp : public QObject {
    Q_OBJECT
private slots:
    void nextButtonFollowsTheField_data();
    void nextButtonFollowsTheField();
    void storedAndPrefilledAddresses();
    void registrationOutcomes_data();
    void registrationOutcomes();
    void cancelDismissesOrPopsAndReports_data();
    void cancelDismissesOrPopsAndReports();
    void keyboardInsetEqualsTheOverlap();
    void formIsCentredOnlyAboveFourEightyPoints();
    void agreementLinksOpenTheirDocuments();
    void passwordToggleKeepsTheKeyboard();
    void loggedOutVariant();
    void formsShowOnFirstShow_data();
    void formsShowOnFirstShow();
    void pageButtonsMirrorRightToLeft_data();
    void pageButtonsMirrorRightToLeft();
    void backArrowsPointOutOfThePage_data();
    void backArrowsPointOutOfThePage();
    void theAddressFieldHasTheKeysAsThePageShows_data();
    void theAddressFieldHasTheKeysAsThePageShows();
    void aPagePresentedOverItHasTheKeysAndGivesThemBack_data();
    void aPagePresentedOverItHasTheKeysAndGivesThemBack();
    void aPageTornDownWithTheKeysInAFieldWarnsOfNothing_data();
    void aPageTornDownWithTheKeysInAFieldWarnsOfNothing();
};

void TestSignUp::nextButtonFollowsTheField_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<qreal>("alpha");
    QTest::newRow("empty") << QString() << false << 0.5;
    QTest::newRow("one character") << "a" << true << 1.0;
    QTest::newRow("an address") << "ann@acme.test" << true << 1.0;
}

void TestSignUp::nextButtonFollowsTheField() {
    QFETCH(QString, typed);
    QFETCH(bool, enabled);
    QFETCH(qreal, alpha);
    AccountWorld world;
    ScreenHost host;
    PLSignUpViewController* signUp = openSignUp(host);
    QVERIFY(signUp);
    QVERIFY(!signUp->nextButton()->isEnabled());
    if (!typed.isEmpty())
        type(signUp->emailAddressTextField(), typed);
    QCOMPARE(signUp->nextButton()->isEnabled(), enabled);
    QCOMPARE(Animator::alpha(signUp->nextButton()), alpha);
    // Emptied again, it is disabled again.
    type(signUp->emailAddressTextField(), QString());
    QVERIFY(!signUp->nextButton()->isEnabled());
    QCOMPARE(Animator::alpha(signUp->nextButton()), 0.5);
}

void TestSignUp::storedAndPrefilledAddresses() {
    AccountWorld world;
    world.account()->user()->setEmail(QStringLiteral("stored@acme.test"));
    {
        ScreenHost host;
        PLSignUpViewController* signUp = openSignUp(host);
        QCOMPARE(signUp->emailAddressTextField()->text(), QStringLiteral("stored@acme.test"));
        QVERIFY(signUp->emailAddressTextField()->isEnabled());
        QVERIFY(signUp->nextButton()->isEnabled());
        QVERIFY(!signUp->intermediatLabel()->isHidden());
    }
    ScreenHost host;
    auto* nav = new NavigationController(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Login"), QStringLiteral("PLSignUpViewController")));
    auto* signUp = topOf<PLSignUpViewController>(nav);
    signUp->setPrefilledEmail(QStringLiteral("fixed@acme.test"));
    signUp->loadViewIfNeeded();
    const int headingTop = signUp->getStartedLabel()->y();
    host.present(nav);
    // The fixed address is shown, locked and light grey; the hint's gap closes.
    QCOMPARE(signUp->emailAddressTextField()->text(), QStringLiteral("fixed@acme.test"));
    QVERIFY(!signUp->emailAddressTextField()->isEnabled());
    QCOMPARE(textColour(signUp->emailAddressTextField()), QColor(Qt::lightGray));
    QVERIFY(signUp->intermediatLabel()->isHidden());
    QCOMPARE(signUp->getStartedLabel()->y(), headingTop + PLSignUpViewController::kHintGap);
    QCOMPARE(signUp->emailAddressTextField()->y(),
             signUp->getStartedLabel()->geometry().bottom() + 1 + PLSignUpViewController::kHintGap);
    QCOMPARE(signUp->nextButton()->y(),
             signUp->emailAddressTextField()->geometry().bottom() + 1 + PLSignUpViewController::kHintGap);
    QTest::keyClicks(signUp->emailAddressTextField(), QStringLiteral("x"));
    QCOMPARE(signUp->emailAddressTextField()->text(), QStringLiteral("fixed@acme.test"));
}

void TestSignUp::registrationOutcomes_data() {
    QTest::addColumn<int>("setup");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("tracked");
    const QString network = QStringLiteral("Please check your network connectivity.");
    QTest::newRow("not an address") << int(Invalid) << "ann@acme"
                                    << "Failed"
                                    << "Please enter valid Email" << 0;
    QTest::newRow("no network") << int(Offline) << "new@acme.test"
                                << "Failed" << network << 0;
    QTest::newRow("refused by the service") << int(Refused) << "new user@acme.test"
                                            << "Failed"
                                            << "invalidEmail" << 1;
    QTest::newRow("service unreachable") << int(Unreachable) << "new@acme.test"
                                         << "Failed" << network << 1;
    QTest::newRow("action locked") << int(Locked) << "locked@acme.test"
                                   << "Failed"
                                   << "There could be some temporary problem. Please try again in some time"
                                   << 0;
    QTest::newRow("code sent") << int(Registered) << "new@acme.test" << QString() << QString() << 1;
}

void TestSignUp::registrationOutcomes() {
    QFETCH(int, setup);
    QFETCH(QString, address);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(int, tracked);
    AccountWorld world;
    if (setup == Locked)
        lockAddress(world, address);
    world.core.server().clearRequestLog();
    ScreenHost host;
    Login login;
    PLSignUpViewController* signUp = openSignUp(host, &login);
    if (setup == Offline)
        world.core.setOnline(false);
    if (setup == Unreachable)
        world.core.stopServer();

    type(signUp->emailAddressTextField(), address);
    click(signUp->nextButton());
    if (setup != Invalid) {
        QCOMPARE(host.lastAlert()->message(),
                 QStringLiteral("Send the verification code to %1?").arg(address));
        QCOMPARE(host.lastAlert()->tag(), PLSignUpViewController::kConfirmationTag);
        answerAlert(host, QStringLiteral("Verification Code"), QStringLiteral("Yes"));
    }
    QVERIFY(busyOverlayGoes());
    auto* nav = signUp->navigationController();
    if (setup == Registered) {
        QTRY_VERIFY(qobject_cast<PLEmailVerficationViewController*>(nav->topViewController()));
        QCOMPARE(nav->topViewController()->storyboardIdentifier(), QStringLiteral("PLEmailVerificationID"));
        QVERIFY(host.alerts().isEmpty());
        QCOMPARE(world.account()->status(), qint16(1));
        QVERIFY(!QString::fromStdString(world.core.server().otp(address.toStdString())).isEmpty());
    } else {
        QTRY_VERIFY(host.lastAlert());
        QCOMPARE(host.lastAlert()->title(), title);
        QCOMPARE(host.lastAlert()->message(), message);
        QCOMPARE(host.lastAlert()->buttonTitleAtIndex(0), QStringLiteral("OK"));
        QCOMPARE(nav->topViewController(), signUp);
    }
    const QString event = QStringLiteral("Get Started clicked - Request Code");
    QCOMPARE(world.analytics.count(event), tracked);
    if (tracked) {
        QCOMPARE(world.analytics.last(event).value("email").toString(), address);
        QCOMPARE(world.analytics.last(event).value("success").toBool(), setup == Registered);
    }
    QCOMPARE(login.calls, 0);
    if (setup == Invalid || setup == Offline)
        QCOMPARE(world.core.requestsTo("api/public"), 0);
}

void TestSignUp::cancelDismissesOrPopsAndReports_data() {
    QTest::addColumn<bool>("pushed");
    QTest::addColumn<qint16>("status");
    QTest::newRow("first of its stack") << false << qint16(0);
    QTest::newRow("pushed on a page") << true << qint16(0);
    QTest::newRow("logged out by the server") << false << qint16(4);
}

void TestSignUp::cancelDismissesOrPopsAndReports() {
    QFETCH(bool, pushed);
    QFETCH(qint16, status);
    AccountWorld world;
    world.account()->setStatus(status);
    ScreenHost host;
    Login login;
    auto* page = new ViewController;
    auto* nav = host.present(new NavigationController(pushed ? page : nullptr));
    auto* signUp = qobject_cast<PLSignUpViewController*>(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Login"), QStringLiteral("PLSignUpViewController")));
    signUp->setPelnixLoginCompletionHandler(login.handler());
    if (pushed)
        nav->pushViewController(signUp, false);
    else
        nav->setViewControllers({signUp}, false);
    if (!pushed)
        delete page;

    if (status == 4) {
        // The logged-out variant has no close button; cancelling still cannot leave.
        QVERIFY(signUp->closeButton()->isHidden());
        signUp->cancelButtonClicked();
    } else {
        click(signUp->closeButton());
    }
    QCOMPARE(login.calls, 1);
    QVERIFY(!login.success);
    QVERIFY(login.error);
    QCOMPARE(login.error->code, qint64(-1004));
    QCOMPARE(login.error->domain, PLCurrentBundleInfo::identifier());
    QCOMPARE(login.error->localizedDescription, QStringLiteral("User canceled login"));
    if (status == 4) {
        QCOMPARE(host.presented(), nav);
        QCOMPARE(nav->topViewController(), signUp);
    } else if (pushed) {
        QCOMPARE(host.presented(), nav);
        QTRY_COMPARE(nav->topViewController(), page);
    } else {
        QTRY_VERIFY(!host.presented());
    }
}

void TestSignUp::keyboardInsetEqualsTheOverlap() {
    AccountWorld world;
    ScreenHost host;
    PLSignUpViewController* signUp = openSignUp(host);
    ScrollView* scroll = signUp->scrollView();
    QWidget* form = signUp->containerView();
    const int formBottom = form->mapTo(&host.window, QPoint(0, form->height())).y();
    const QPointF before = scroll->contentOffset();
    // A keyboard whose top edge lies 200 points above the form's bottom.
    KeyboardMonitor::shared()->show(host.window.height() - formBottom + 200, &host.window);
    QCOMPARE(scroll->contentInset().bottom(), 200);
    QCOMPARE(scroll->contentOffset().y(), before.y() + 200);
    KeyboardMonitor::shared()->hide();
    QCOMPARE(scroll->contentInset().bottom(), 0);
    // Going away takes the inset back without scrolling back.
    QCOMPARE(scroll->contentOffset().y(), before.y() + 200);
    // A keyboard that covers nothing of the form adds nothing.
    KeyboardMonitor::shared()->show(host.window.height() - formBottom - 10, &host.window);
    QCOMPARE(scroll->contentInset().bottom(), 0);
    KeyboardMonitor::shared()->hide();
}

void TestSignUp::formIsCentredOnlyAboveFourEightyPoints() {
    AccountWorld world;
    for (const int height : {480, 568, 720}) {
        ScreenHost host(QSize(320, height));
        PLSignUpViewController* signUp = openSignUp(host);
        QWidget* form = signUp->containerView();
        QCOMPARE(form->x(), (320 - form->width()) / 2);
        // The hidden navigation bar gives its room to the page on the next layout pass.
        if (height > 480)
            QTRY_COMPARE(form->y(), (height - form->height()) / 2);
        else
            QTRY_COMPARE(form->y(), PLLoginFormViewController::kFormTop);
    }
}

void TestSignUp::agreementLinksOpenTheirDocuments() {
    AccountWorld world;
    WebView::setMaker([](QWidget* parent) { return new FakeWebView(parent); });
    ScreenHost host;
    PLSignUpViewController* signUp = openSignUp(host);
    PLSignUpMessageTextView* agreement = signUp->bottomMessageTextView();
    QCOMPARE(
        agreement->toPlainText(),
        QStringLiteral("By Pressing 'Next' you agree to our \nTerms and Conditions and Privacy Policy."));
    for (const auto& [text, type] : {std::pair{QStringLiteral("Privacy Policy"), qint64(0)},
                                     std::pair{QStringLiteral("Terms and Conditions"), qint64(1)}}) {
        clickLink(agreement, text);
        auto* terms = topOf<PLAboutWebViewController>(signUp->presentedViewController());
        QVERIFY2(terms, qPrintable(text));
        QCOMPARE(terms->selectedHtmlType(), type);
        QVERIFY(terms->isFromSignUpFlow());
        terms->closeButtonClicked();
        QTRY_VERIFY(!signUp->presentedViewController());
    }
    // Any other address is not the screen's.
    QVERIFY(signUp->shouldInteractWithURL(QUrl(QStringLiteral("https://example.org/"))));
    QVERIFY(world.services->opened.isEmpty());
    WebView::setMaker({});
}

void TestSignUp::passwordToggleKeepsTheKeyboard() {
    AccountWorld world;
    ScreenHost host;
    PLSignUpViewController* signUp = openSignUp(host);
    PLCustomTextField* password = signUp->passwordTextField();
    QVERIFY(password->rightButton());
    QVERIFY(!signUp->emailAddressTextField()->rightButton());
    password->show();
    password->setFocus();
    QVERIFY(password->hasFocus());
    QVERIFY(password->isSecureTextEntry());
    click(password->rightButton());
    QVERIFY(!password->isSecureTextEntry());
    QVERIFY(password->hasFocus());
    click(password->rightButton());
    QVERIFY(password->isSecureTextEntry());
}

void TestSignUp::loggedOutVariant() {
    AccountWorld world;
    world.account()->setStatus(5);
    ScreenHost host;
    PLSignUpViewController* signUp = openSignUp(host);
    QVERIFY(!signUp->emailAddressTextField()->isEnabled());
    QCOMPARE(textColour(signUp->emailAddressTextField()), QColor(Qt::lightGray));
    QVERIFY(!signUp->loginAgainLabel()->isHidden());
    QVERIFY(signUp->bottomMessageTextView()->isHidden());
    QVERIFY(signUp->closeButton()->isHidden());
    QVERIFY(signUp->intermediatLabel()->isHidden());
    // "uninstall" is bold in the advice, spaced by 3.
    const AttributedString text = signUp->loginAgainLabel()->attributedText();
    QCOMPARE(text.lineSpacing(), 3.0);
    const int at = int(text.text().indexOf(QStringLiteral("uninstall")));
    bool bold = false;
    for (const auto& run : text.runs())
        bold = bold || (run.start == at && run.length == 9 && run.attributes.font &&
                        run.attributes.font->bold() && run.attributes.kern == -0.375);
    QVERIFY(bold);
}

// A window's root screen, or one a host embeds, shows its form with the window: no later resize
// comes to place it.
void TestSignUp::formsShowOnFirstShow_data() {
    QTest::addColumn<QString>("storyboard");
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<bool>("embedded");
    const QList<QPair<const char*, const char*>> screens{{"Login", "PLSignUpViewController"},
                                                         {"Login", "PLEmailVerificationID"},
                                                         {"Home", "PLVerifyPhoneNumberViewController"}};
    for (const auto& [storyboard, identifier] : screens) {
        QTest::addRow("%s, root", identifier) << storyboard << identifier << false;
        QTest::addRow("%s, embedded", identifier) << storyboard << identifier << true;
    }
}

void TestSignUp::formsShowOnFirstShow() {
    QFETCH(QString, storyboard);
    QFETCH(QString, identifier);
    QFETCH(bool, embedded);
    AccountWorld world;
    auto* form = qobject_cast<PLLoginFormViewController*>(
        ScreenRegistry::shared()->instantiate(storyboard, identifier));
    QVERIFY(form);
    Window window;
    window.resize(320, 568);
    if (embedded) {
        auto* host = new ViewController;
        window.setRootViewController(host);
        host->addChildViewController(form, host->view());
    } else {
        window.setRootViewController(form);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget* container = form->containerView();
    const QRect shown(container->mapTo(&window, QPoint(0, 0)), container->size());
    QVERIFY2(window.rect().contains(shown), qPrintable(QStringLiteral("form at %1,%2 %3x%4")
                                                           .arg(shown.x())
                                                           .arg(shown.y())
                                                           .arg(shown.width())
                                                           .arg(shown.height())));
    QCOMPARE(shown.center().x(), window.rect().center().x());
    QCOMPARE(form->scrollView()->geometry(), form->view()->rect());
    // Nothing between the page and the form clips it.
    for (QWidget* w = container; w != form->view(); w = w->parentWidget())
        QVERIFY2(w->parentWidget()->rect().contains(w->geometry()), qPrintable(w->objectName()));
    QVERIFY(container->isVisible());
}

namespace {
enum class Direction { LeftToRight, RightToLeft, Program, TurnedWhileShown, TurnedBack };
// Each way to a direction, as a row names it.
const std::pair<const char*, Direction> kDirections[] = {
    {"ltr", Direction::LeftToRight},
    {"rtl", Direction::RightToLeft},
    {"rtl program", Direction::Program},
    {"rtl turned while shown", Direction::TurnedWhileShown},
    {"ltr turned back", Direction::TurnedBack}};

// What `read` finds of the view named `name` on the screen `identifier`, shown as a window's root in
// `direction`; `prepare` readies the screen before it shows.
template <typename Read>
auto readShown(const QString& storyboard, const QString& identifier, const QString& name, Direction direction,
               QSize size, Read read, const std::function<void(ViewController*)>& prepare = {})
    -> decltype(read(nullptr)) {
    const Qt::LayoutDirection program = QGuiApplication::layoutDirection();
    const auto restore = qScopeGuard([program] { QGuiApplication::setLayoutDirection(program); });
    if (direction == Direction::Program)
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    Window window;
    window.resize(size);
    if (direction == Direction::RightToLeft)
        window.setLayoutDirection(Qt::RightToLeft);
    ViewController* screen = ScreenRegistry::shared()->instantiate(storyboard, identifier);
    if (prepare)
        prepare(screen);
    window.setRootViewController(screen);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return {};
    if (direction == Direction::TurnedWhileShown || direction == Direction::TurnedBack)
        window.setLayoutDirection(Qt::RightToLeft);
    if (direction == Direction::TurnedBack)
        window.setLayoutDirection(Qt::LeftToRight);
    // The pointer away from the bar, so that no button under it is drawn raised.
    QTest::mouseMove(&window, QPoint(size.width() / 2, size.height() - 1));
    QCoreApplication::processEvents();
    auto* view = window.findChild<QWidget*>(name);
    return view ? read(view) : decltype(read(nullptr)){};
}

// Where the view named `name` lies in its parent on the form screen `identifier`, shown as a window's
// root in `direction`, and its parent's width.
std::pair<QRect, int> placed(const QString& storyboard, const QString& identifier, const QString& name,
                             Direction direction, QSize size) {
    return readShown(storyboard, identifier, name, direction, size, [](QWidget* view) {
        return std::pair(view->geometry(), view->parentWidget()->width());
    });
}
} // namespace

void TestSignUp::pageButtonsMirrorRightToLeft_data() {
    QTest::addColumn<QString>("storyboard");
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("name");
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<QSize>("size");
    const QList<std::tuple<const char*, const char*, const char*>> views{
        {"Login", "PLSignUpViewController", "closeButton"},
        {"Login", "PLEmailVerificationID", "backButton"},
        {"Login", "PLEmailVerificationID", "wrongVerificationCodeButton"},
        {"Home", "PLRegPhoneNumberViewController", "closeButton"},
        {"Home", "PLVerifyPhoneNumberViewController", "closeButton"}};
    for (const auto& [storyboard, identifier, name] : views)
        for (const auto& [label, direction] : kDirections)
            QTest::addRow("%s %s, %s", identifier, name, label)
                << storyboard << identifier << name << direction << QSize(320, 568);
    QTest::newRow("PLSignUpViewController closeButton, rtl, 1024 x 768")
        << "Login"
        << "PLSignUpViewController"
        << "closeButton" << Direction::RightToLeft << QSize(1024, 768);
}

// A form page's own button (Cancel, Back, Close) lies at the leading edge and the wrong code's marker
// at its field's trailing end: right to left, however the direction came, where left to right has
// them, mirrored.
void TestSignUp::pageButtonsMirrorRightToLeft() {
    QFETCH(QString, storyboard);
    QFETCH(QString, identifier);
    QFETCH(QString, name);
    QFETCH(Direction, direction);
    QFETCH(QSize, size);
    AccountWorld world;
    const auto [leftToRight, ltrWidth] = placed(storyboard, identifier, name, Direction::LeftToRight, size);
    QVERIFY(leftToRight.isValid());
    const auto [shown, width] = placed(storyboard, identifier, name, direction, size);
    QCOMPARE(width, ltrWidth);
    const bool mirrored = direction != Direction::LeftToRight && direction != Direction::TurnedBack;
    const QRect expected = mirrored ? QRect(width - leftToRight.x() - leftToRight.width(), leftToRight.y(),
                                            leftToRight.width(), leftToRight.height())
                                    : leftToRight;
    QCOMPARE(shown, expected);
}

void TestSignUp::backArrowsPointOutOfThePage_data() {
    QTest::addColumn<QString>("storyboard");
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("name");
    QTest::addColumn<Direction>("direction");
    const QList<std::tuple<const char*, const char*, const char*, const char*>> backs{
        {"verification", "Login", "PLEmailVerificationID", "backButton"},
        {"terms", "Login", "PLTermsAndConditionID", "navigationBar.left.0"},
        {"profile", "Home", "PLUserProfileNavigationController", "profileBackButton"}};
    for (const auto& [label, storyboard, identifier, name] : backs)
        for (const auto& [turn, direction] : kDirections)
            QTest::addRow("%s, %s", label, turn) << storyboard << identifier << name << direction;
}

// A back button's arrow points out of the page, the way back: right to left, however the direction
// came, its ink is left to right's mirrored where the button mirrors it; left to right, as it was.
void TestSignUp::backArrowsPointOutOfThePage() {
    QFETCH(QString, storyboard);
    QFETCH(QString, identifier);
    QFETCH(QString, name);
    QFETCH(Direction, direction);
    AccountWorld world(CoreFixture::Service::None);
    world.signIn();
    WebView::setMaker([](QWidget* parent) { return new FakeWebView(parent); });
    const auto noMaker = qScopeGuard([] { WebView::setMaker({}); });
    // The profile as a pushed screen shows its own Back.
    const auto prepare = [](ViewController* screen) {
        if (auto* profile = topOf<PLUserProfileTableViewController>(screen))
            profile->setProfileNavigationType(2);
    };
    const auto grab = [](QWidget* view) { return view->grab().toImage(); };
    const QImage leftToRight =
        readShown(storyboard, identifier, name, Direction::LeftToRight, {320, 568}, grab, prepare);
    const QImage shown = readShown(storyboard, identifier, name, direction, {320, 568}, grab, prepare);
    const bool mirrored = direction != Direction::LeftToRight && direction != Direction::TurnedBack;
    if (mirrored)
        QVERIFY(test::showsFirstMarkMirrored(leftToRight, shown));
    else
        QCOMPARE(shown, leftToRight);
}

void TestSignUp::theAddressFieldHasTheKeysAsThePageShows_data() {
    QTest::addColumn<Shown>("shown");
    QTest::newRow("presented by the host's screen") << Shown::PresentedByTheHostsScreen;
    QTest::newRow("the login container's first page, the host's window shown")
        << Shown::LoginContainerInTheHostsWindow;
    QTest::newRow("the login container beside the host's own field with the keys")
        << Shown::BesideTheHostsFocusedField;
}

// The address field has the keys when the page shows, presented or as the first page of a container
// in a window the host shows; a field of the host's own that holds them keeps them.
void TestSignUp::theAddressFieldHasTheKeysAsThePageShows() {
    QFETCH(Shown, shown);
    AccountWorld world;
    if (shown == Shown::PresentedByTheHostsScreen) {
        ScreenHost host;
        PLSignUpViewController* signUp = openSignUp(host);
        QVERIFY(QTest::qWaitForWindowActive(&host.window));
        QTRY_COMPARE(QApplication::focusWidget(), signUp->emailAddressTextField());
        typeKeys(&host.window, "ann@acme.test");
        QCOMPARE(signUp->emailAddressTextField()->text(), QStringLiteral("ann@acme.test"));
        return;
    }
    QWidget window;
    window.resize(320, 640);
    auto* layout = new QVBoxLayout(&window);
    auto* hostsField = new QLineEdit;
    layout->addWidget(hostsField);
    std::unique_ptr<PelnixCustomViewController> container(Pelnix::pelnixLoginViewController({}));
    QVERIFY(container);
    layout->addWidget(container->view(), 1);
    if (shown == Shown::BesideTheHostsFocusedField)
        hostsField->setFocus();
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* email = container->view()->findChild<PLCustomTextField*>(QStringLiteral("emailAddressTextField"));
    QVERIFY(email && email->isVisible());
    QWidget* expected =
        shown == Shown::BesideTheHostsFocusedField ? static_cast<QWidget*>(hostsField) : email;
    QTRY_COMPARE(QApplication::focusWidget(), expected);
    typeKeys(&window, "ann@acme.test");
    QCOMPARE(qobject_cast<QLineEdit*>(expected)->text(), QStringLiteral("ann@acme.test"));
    layout->removeWidget(container->view());
    container->view()->setParent(nullptr);
}

void TestSignUp::aPagePresentedOverItHasTheKeysAndGivesThemBack_data() {
    QTest::addColumn<bool>("fromTheKeyboard");
    QTest::newRow("closed by a click") << false;
    QTest::newRow("closed from the keyboard") << true;
}

// The terms page presented over sign-up has the keys while it shows; once it is closed, by a click or
// from the keyboard, the address field has them again and typing goes on where it stopped.
void TestSignUp::aPagePresentedOverItHasTheKeysAndGivesThemBack() {
    QFETCH(bool, fromTheKeyboard);
    AccountWorld world;
    WebView::setMaker([](QWidget* parent) { return new FakeWebView(parent); });
    const auto noFakes = qScopeGuard([] { WebView::setMaker({}); });
    ScreenHost host;
    PLSignUpViewController* signUp = openSignUp(host);
    QVERIFY(QTest::qWaitForWindowActive(&host.window));
    PLCustomTextField* email = signUp->emailAddressTextField();
    QTRY_COMPARE(QApplication::focusWidget(), email);
    typeKeys(&host.window, "ann@");

    // A click on the terms link.
    clickLink(signUp->bottomMessageTextView(), QStringLiteral("Terms and Conditions"));
    ViewController* presented = signUp->presentedViewController();
    auto* terms = topOf<PLAboutWebViewController>(presented);
    QVERIFY(terms);
    const auto inThePage = [presented] {
        const QWidget* focus = QApplication::focusWidget();
        return focus && (focus == presented->view() || presented->view()->isAncestorOf(focus));
    };
    QTRY_VERIFY(inThePage());

    QWidget* close = terms->navigationItem()->leftBarButtonItem()->view();
    QVERIFY(close);
    if (fromTheKeyboard) {
        for (int i = 0; i < 20 && QApplication::focusWidget() != close; ++i)
            QTest::keyClick(host.window.windowHandle(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), close);
        QTest::keyClick(host.window.windowHandle(), Qt::Key_Space);
    } else {
        click(close);
    }
    QTRY_VERIFY(!signUp->presentedViewController());
    QTRY_COMPARE(QApplication::focusWidget(), email);
    typeKeys(&host.window, "acme.test");
    QCOMPARE(email->text(), QStringLiteral("ann@acme.test"));
}

void TestSignUp::aPageTornDownWithTheKeysInAFieldWarnsOfNothing_data() {
    QTest::addColumn<QString>("storyboard");
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<bool>("dismissed");
    const QList<QPair<const char*, const char*>> screens{{"Login", "PLSignUpViewController"},
                                                         {"Login", "PLEmailVerificationID"},
                                                         {"Home", "PLRegPhoneNumberViewController"},
                                                         {"Home", "PLVerifyPhoneNumberViewController"}};
    for (const auto& [storyboard, identifier] : screens) {
        QTest::addRow("%s, its window closed", identifier) << storyboard << identifier << false;
        QTest::addRow("%s, dismissed", identifier) << storyboard << identifier << true;
    }
}

// The keys leave the field while the page is still whole: the keyboard's going moves the form back,
// which must not reach views already half torn down (Qt warned of painting on them).
void TestSignUp::aPageTornDownWithTheKeysInAFieldWarnsOfNothing() {
    QFETCH(QString, storyboard);
    QFETCH(QString, identifier);
    QFETCH(bool, dismissed);
    AccountWorld world;
    world.signIn();
    auto host = std::make_unique<ScreenHost>();
    ViewController* screen = ScreenRegistry::shared()->instantiate(storyboard, identifier);
    auto* navigation = qobject_cast<NavigationController*>(screen);
    if (!navigation)
        navigation = new NavigationController(screen);
    auto* page = qobject_cast<PLLoginFormViewController*>(navigation->topViewController());
    QVERIFY(page);
    host->present(navigation);
    QVERIFY(QTest::qWaitForWindowActive(&host->window));
    QLineEdit* field = nullptr;
    for (QLineEdit* candidate : page->containerView()->findChildren<QLineEdit*>())
        if (!field && candidate->isVisible() && !candidate->isReadOnly())
            field = candidate;
    QVERIFY(field);
    field->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), field);
    QVERIFY(platform::ui::KeyboardMonitor::shared()->isVisible());
    CapturedLog log;
    if (dismissed) {
        host->root->dismissViewController(false);
        QTRY_VERIFY(!host->presented());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } else {
        host.reset();
    }
    QVERIFY(!platform::ui::KeyboardMonitor::shared()->isVisible());
    QVERIFY2(log.lines().isEmpty(), qPrintable(log.text()));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestSignUp t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_signup.moc"
