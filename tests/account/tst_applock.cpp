#include "AppLockTestDoubles.h"
#include "TestSandbox.h"
#include "platform/NotificationCenter.h"
#include "platform/Sandbox.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/ApplicationStateMonitor.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/account/PLAppLockSettingCell.h"
#include "ui/account/PLBaseTableTableViewController.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/account/PLPadButton.h"
#include "ui/account/PLPadLockScreenSetupViewController.h"
#include "ui/account/PLPadLockScreenView.h"
#include "ui/account/PLPadLockScreenViewController.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QWindow>

using namespace pelnix;
using platform::NotificationCenter;
using platform::ui::Animator;
using platform::ui::ApplicationStateMonitor;
using platform::ui::Window;

namespace {
const QString kStored = QStringLiteral("1111");

// How the user enters the passcodes: tapping the pad's buttons, typing on the keyboard's main row, or
// on its keypad.
enum class Input { Buttons, Keys, Keypad };

// Types each entry on the shown pad and confirms it; "cancel" cancels instead. On the keyboard every
// entry first takes a stray digit back with Backspace, and goes to whatever has the focus.
void play(PLAppLockScreenViewController* lock, const QStringList& script, Input input = Input::Buttons) {
    for (const QString& step : script) {
        PLPadLockScreenAbstractViewController* pad = lock->currentTopChildViewController();
        QVERIFY(pad);
        if (input == Input::Buttons) {
            if (step == QLatin1String("cancel")) {
                pad->padView()->cancelButton()->click();
                continue;
            }
            for (QChar digit : step)
                pad->padView()->buttonArray().at(digit.digitValue())->click();
            pad->padView()->okButton()->click();
            continue;
        }
        QWindow* window = pad->padView()->window()->windowHandle();
        QVERIFY(window);
        if (step == QLatin1String("cancel")) {
            QTest::keyClick(window, Qt::Key_Escape);
            continue;
        }
        const Qt::KeyboardModifiers where = input == Input::Keypad ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(window, Qt::Key_9, where);
        QTest::keyClick(window, Qt::Key_Backspace);
        for (QChar digit : step)
            QTest::keyClick(window, Qt::Key(Qt::Key_0 + digit.digitValue()), where);
        QTest::keyClick(window, input == Input::Keypad ? Qt::Key_Enter : Qt::Key_Return, where);
    }
}

// Types digits on the keyboard's main row into whatever has the window's focus.
void typeDigits(QWindow* window, const QString& digits) {
    for (QChar digit : digits)
        QTest::keyClick(window, Qt::Key(Qt::Key_0 + digit.digitValue()));
}

QStringList alertMessages(const Window& window) {
    QStringList messages;
    for (platform::ui::AlertView* alert : window.alerts())
        messages.append(alert->message());
    return messages;
}

void becomeActive() {
    NotificationCenter::defaultCenter()->post(ApplicationStateMonitor::kDidBecomeActive);
}

void resignActive() {
    NotificationCenter::defaultCenter()->post(ApplicationStateMonitor::kWillResignActive);
}

// A lock screen on its own in a window, reporting to a recorder. The application is active (its
// window has the focus) before the lock shows, as when the user opens it from a screen.
struct LockOnScreen {
    Window window;
    PLAppLockScreenViewController* lock = new PLAppLockScreenViewController;
    test::LockScreenRecorder recorder;

    explicit LockOnScreen(qint64 state) {
        window.resize(320, 568);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        lock->setLockScreenState(state);
        lock->setAppLockControllerDelegate(&recorder);
        window.setRootViewController(lock);
    }
};

// A plain base screen as the window's root.
struct BaseOnScreen {
    Window window;
    PLBaseViewController* screen = new PLBaseViewController;
    BaseOnScreen() { window.resize(320, 568); }
    void show() {
        window.setRootViewController(screen);
        window.show();
    }
    PLAppLockScreenViewController* lock() const {
        return qobject_cast<PLAppLockScreenViewController*>(screen->presentedViewController());
    }
};
} // namespace

Q_DECLARE_METATYPE(Input)

class TestAppLock : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::Sandbox::setRoot(m_sandbox.root()); }

    void canShowNeedsAStoredPasscodeToSwitchOffOrChange_data();
    void canShowNeedsAStoredPasscodeToSwitchOffOrChange();
    void padPerStateAndPasscode_data();
    void padPerStateAndPasscode();
    void resultsByState_data();
    void resultsByState();
    void theCompletionPathRecordsTheLockState();
    void threeWrongEntriesLockUntilTheApplicationIsBack();
    void theKeyboardStaysWithThePad();
    void settingCellConfirmsOrReverts();

    void firstAppearanceSpendsTheChanceEvenWhenSignedOut();
    void switchOffAndChangeNeedAStoredPasscode();
    void twoResignActivesShowOneLock();
    void finishingRecordsTheResultAndTakesTheLockDown_data();
    void finishingRecordsTheResultAndTakesTheLockDown();
    void aRefusedPresentationLeavesTheLockArmed();
    void tableTwinArmsTheLockToo();
    void theApplicationStateDrivesTheLock();

private:
    test::TestSandbox m_sandbox;
};

void TestAppLock::canShowNeedsAStoredPasscodeToSwitchOffOrChange_data() {
    QTest::addColumn<QString>("passcode");
    QTest::addColumn<qint64>("state");
    QTest::addColumn<bool>("expected");
    for (qint64 state : {0, 1, 2, 7}) {
        QTest::addRow("none stored, state %lld", state) << QString() << state << (state == 1 || state == 7);
        QTest::addRow("stored, state %lld", state) << kStored << state << true;
    }
}

void TestAppLock::canShowNeedsAStoredPasscodeToSwitchOffOrChange() {
    QFETCH(QString, passcode);
    QFETCH(qint64, state);
    QFETCH(bool, expected);
    test::AppLockWorld world(passcode);
    QCOMPARE(PLAppLockScreenViewController::canShowAppScreenForType(state), expected);
}

void TestAppLock::padPerStateAndPasscode_data() {
    QTest::addColumn<QString>("passcode");
    QTest::addColumn<qint64>("state");
    QTest::addColumn<bool>("setupPad");
    QTest::addColumn<bool>("cancelShown");
    QTest::addColumn<QString>("title");
    QTest::newRow("switch off") << kStored << qint64(0) << false << true << "Enter Passcode";
    QTest::newRow("unlock") << kStored << qint64(1) << false << false << "Enter Passcode";
    QTest::newRow("change") << kStored << qint64(2) << false << true << "Enter Current Passcode";
    QTest::newRow("first set-up") << QString() << qint64(1) << true << false << "Enter New Passcode";
}

void TestAppLock::padPerStateAndPasscode() {
    QFETCH(QString, passcode);
    QFETCH(qint64, state);
    QFETCH(bool, setupPad);
    QFETCH(bool, cancelShown);
    QFETCH(QString, title);
    test::AppLockWorld world(passcode);
    LockOnScreen screen(state);
    PLPadLockScreenAbstractViewController* pad = screen.lock->currentTopChildViewController();
    QVERIFY(pad);
    QVERIFY(pad->isComplexPin());
    QCOMPARE(qobject_cast<PLPadLockScreenSetupViewController*>(pad) != nullptr, setupPad);
    QCOMPARE(pad->padView()->cancelButton()->isVisible(), cancelShown);
    QCOMPARE(pad->padView()->enterPasscodeLabel()->text(), title);
    QCOMPARE(pad->view()->geometry(), screen.lock->view()->rect());
    if (auto* unlock = qobject_cast<PLPadLockScreenViewController*>(pad))
        QCOMPARE(unlock->remainingAttempts(), 3);
}

void TestAppLock::resultsByState_data() {
    QTest::addColumn<Input>("input");
    QTest::addColumn<qint64>("state");
    QTest::addColumn<QString>("storedBefore");
    QTest::addColumn<bool>("storeRefuses");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("storedAfter");
    QTest::addColumn<QList<bool>>("reported");
    QTest::addColumn<QStringList>("alerts");
    QTest::addColumn<qint64>("stateAfter");
    const QString wrong = QStringLiteral("Wrong Passcode. Please Try Again");
    using L = QStringList;
    using R = QList<bool>;
    // Every path through the buttons, and the same through the keys.
    const auto row = [](const char* name, qint64 state, const QString& before, bool refuses, const L& script,
                        const QString& after, const R& reported, const L& alerts, qint64 stateAfter) {
        for (const auto& [input, how] : {std::pair{Input::Buttons, "buttons"}, std::pair{Input::Keys, "keys"},
                                         std::pair{Input::Keypad, "keypad"}})
            QTest::addRow("%s, by %s", name, how)
                << input << state << before << refuses << script << after << reported << alerts << stateAfter;
    };
    row("switch off", 0, kStored, false, L{kStored}, "", R{false}, L{"Passcode Disabled"}, 0);
    row("switch off, cancelled", 0, kStored, false, L{"cancel"}, kStored, R{true}, L{}, 1);
    row("switch off, wrong", 0, kStored, false, L{"2"}, kStored, R{}, L{wrong}, 0);
    row("unlock", 1, kStored, false, L{kStored}, kStored, R{true}, L{}, 1);
    row("unlock, wrong", 1, kStored, false, L{"12"}, kStored, R{}, L{wrong}, 1);
    row("first set-up", 1, "", false, L{"4321", "4321"}, "4321", R{true}, L{"Passcode set successfully"}, 1);
    row("first set-up, mismatch", 1, "", false, L{"4321", "4322"}, "", R{}, L{}, 1);
    row("first set-up, mismatch, then a match", 1, "", false, L{"4321", "4322", "7890", "7890"}, "7890",
        R{true}, L{"Passcode set successfully"}, 1);
    row("first set-up, store refuses", 1, "", true, L{"4321", "4321"}, "", R{false},
        L{"The passcode could not be saved. Please try again."}, 0);
    row("change", 2, kStored, false, L{kStored, "5555", "5555"}, "5555", R{true},
        L{"Passcode changed successfully"}, 1);
    row("change, cancelled at the current passcode", 2, kStored, false, L{"cancel"}, kStored, R{true}, L{},
        2);
    row("change, cancelled at the new passcode", 2, kStored, false, L{kStored, "cancel"}, kStored, R{true},
        L{}, 2);
    row("change, store refuses", 2, kStored, true, L{kStored, "5555", "5555"}, kStored, R{true},
        L{"The passcode could not be saved. Please try again."}, 1);
}

void TestAppLock::resultsByState() {
    QFETCH(Input, input);
    QFETCH(qint64, state);
    QFETCH(QString, storedBefore);
    QFETCH(bool, storeRefuses);
    QFETCH(QStringList, script);
    QFETCH(QString, storedAfter);
    QFETCH(QList<bool>, reported);
    QFETCH(QStringList, alerts);
    QFETCH(qint64, stateAfter);

    test::AppLockWorld world(storedBefore);
    world.store->refuseWrites = storeRefuses;
    LockOnScreen screen(state);
    play(screen.lock, script, input);

    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), storedAfter);
    // What a new process would find.
    PLKeychainAccessHelper::dropKeychainInstanceForTesting();
    QCOMPARE(PLKeychainAccessHelper::currentPasscode(), storedAfter);
    QCOMPARE(screen.recorder.results, reported);
    QCOMPARE(alertMessages(screen.window), alerts);
    QCOMPARE(screen.lock->lockScreenState(), stateAfter);
    QCOMPARE(world.account->changes, 0); // only the completion path records the state itself
}

void TestAppLock::theCompletionPathRecordsTheLockState() {
    test::AppLockWorld world(kStored);
    LockOnScreen screen(0);
    QList<bool> done;
    screen.lock->setPasscodeControllerCompletionHandler(
        [&](bool finished, const std::optional<PLError>& error, platform::ui::ViewController* controller) {
            QVERIFY(!error);
            QCOMPARE(controller, screen.lock);
            done.append(finished);
        });
    play(screen.lock, {kStored});
    QCOMPARE(done, QList<bool>{true});
    QCOMPARE(world.account->appLockState(), 0);
    QCOMPARE(screen.recorder.results, QList<bool>{false});
}

void TestAppLock::threeWrongEntriesLockUntilTheApplicationIsBack() {
    test::AppLockWorld world(kStored);
    LockOnScreen screen(2);
    play(screen.lock, {"1", "2", "3"});
    auto* locked = qobject_cast<PLPadLockScreenViewController*>(screen.lock->currentTopChildViewController());
    QVERIFY(locked && locked->padView()->isLocked());
    QCOMPARE(alertMessages(screen.window).size(), 3);
    QCOMPARE(locked->padView()->detailLabel()->text(), QStringLiteral("You have been locked out."));

    becomeActive();
    auto* fresh = qobject_cast<PLPadLockScreenViewController*>(screen.lock->currentTopChildViewController());
    QVERIFY(fresh && fresh != locked);
    QVERIFY(!fresh->padView()->isLocked());
    QCOMPARE(fresh->remainingAttempts(), 3);
    // A change in progress becomes a plain unlock: no cancel, the usual title.
    QCOMPARE(screen.lock->lockScreenState(), 1);
    QVERIFY(!fresh->padView()->cancelButton()->isVisible());
    play(screen.lock, {kStored});
    QCOMPARE(screen.recorder.results, QList<bool>{true});
}

void TestAppLock::theKeyboardStaysWithThePad() {
    test::AppLockWorld world(kStored);
    LockOnScreen screen(1);
    QWindow* window = screen.window.windowHandle();
    auto* pad = qobject_cast<PLPadLockScreenViewController*>(screen.lock->currentTopChildViewController());
    QVERIFY(pad);
    // The pad has the keys from the start, and keeps them when its buttons come and go.
    QCOMPARE(screen.window.focusWidget(), pad->padView());
    typeDigits(window, "4");
    QCOMPARE(Animator::alpha(pad->padView()->deleteButton()), 1.0);
    QCOMPARE(screen.window.focusWidget(), pad->padView());
    QTest::keyClick(window, Qt::Key_Tab);
    QTest::keyClick(window, Qt::Key_Backtab);
    QCOMPARE(screen.window.focusWidget(), pad->padView());
    // Shortcuts are not digits; with no cancel on the pad, Escape does nothing.
    QTest::keyClick(window, Qt::Key_5, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_Escape);
    QCOMPARE(pad->currentPin(), QString("4"));
    QVERIFY(screen.recorder.results.isEmpty());
    QTest::keyClick(window, Qt::Key_Backspace);
    QTest::keyClick(window, Qt::Key_Backspace); // nothing left to take back
    QCOMPARE(pad->currentPin(), QString(""));
    QCOMPARE(Animator::alpha(pad->padView()->deleteButton()), 0.0);
    QTest::keyClick(window, Qt::Key_Return); // no passcode to check yet
    QCOMPARE(pad->totalAttempts(), 0);

    // A wrong passcode's alert takes the keys until it is answered: the right passcode typed while it
    // shows does not reach the pad behind it, Return answers it, and the pad has the keys again.
    typeDigits(window, "9999");
    QTest::keyClick(window, Qt::Key_Return);
    QCOMPARE(alertMessages(screen.window), QStringList{QStringLiteral("Wrong Passcode. Please Try Again")});
    typeDigits(window, kStored);
    QCOMPARE(pad->currentPin(), QString(""));
    QTest::keyClick(window, Qt::Key_Return);
    QVERIFY(alertMessages(screen.window).isEmpty());
    QVERIFY(screen.recorder.results.isEmpty());
    QCOMPARE(screen.window.focusWidget(), pad->padView());

    // Two more wrong passcodes, each alert answered: the pad locks and takes no more digits.
    for (const char* wrong : {"2", "3"}) {
        typeDigits(window, QString::fromLatin1(wrong));
        QTest::keyClick(window, Qt::Key_Return);
        QCOMPARE(alertMessages(screen.window).size(), 1);
        QTest::keyClick(window, Qt::Key_Return);
    }
    QVERIFY(alertMessages(screen.window).isEmpty());
    QVERIFY(pad->padView()->isLocked());
    typeDigits(window, kStored);
    QTest::keyClick(window, Qt::Key_Return);
    QCOMPARE(pad->currentPin(), QString(""));
    QVERIFY(screen.recorder.results.isEmpty());

    // The application is back while an alert is open (one the screens behind the lock raised): the
    // fresh pad has the keys once the alert is answered.
    auto* stray =
        new platform::ui::AlertView(QStringLiteral("Not sent"), QString(), QStringLiteral("OK"), {});
    stray->show(&screen.window);
    becomeActive();
    auto* fresh = screen.lock->currentTopChildViewController();
    QVERIFY(fresh && fresh != pad);
    QVERIFY(stray->isAncestorOf(screen.window.focusWidget()));
    typeDigits(window, kStored);
    QCOMPARE(fresh->currentPin(), QString(""));
    QTest::keyClick(window, Qt::Key_Return);
    QVERIFY(alertMessages(screen.window).isEmpty());
    QCOMPARE(screen.window.focusWidget(), fresh->padView());
    typeDigits(window, kStored);
    QTest::keyClick(window, Qt::Key_Return);
    QCOMPARE(screen.recorder.results, QList<bool>{true});
}

void TestAppLock::settingCellConfirmsOrReverts() {
    struct Owner : QObject, PLAppLockSettingCellDelegate {
        void appLockSettingCell(PLAppLockSettingCell*, bool on) override { answers.append(on); }
        void appLockSettingCellResetAppPinTapped(PLAppLockSettingCell*) override { ++resets; }
        QList<bool> answers;
        int resets = 0;
    } owner;
    platform::ui::Animator::setInstant(true);
    Window window;
    window.resize(320, 568);
    auto* cell = new PLAppLockSettingCell(QStringLiteral("PLAppLockSettingCell"), &window);
    cell->setGeometry(0, 40, 320, 54);
    cell->setAppLockCellDelegate(&owner);
    window.show();

    cell->changeViewForAppLockState(0, false);
    QCOMPARE(cell->enableOrDisableTextLabel()->text(), QStringLiteral("Enable App Lock"));
    QVERIFY(cell->resetPinButton()->isHidden());
    platform::ui::Switch* toggle = cell->enableOrDisableSwitch();
    QVERIFY(!toggle->isOn());

    QTest::keyClick(toggle, Qt::Key_Space); // the user turns it on
    QVERIFY(toggle->isOn());
    platform::ui::AlertView* alert = cell->confirmationAlert();
    QVERIFY(alert);
    QCOMPARE(alert->tag(), 100);
    QCOMPARE(alert->title(), QStringLiteral("Confirm"));
    QCOMPARE(alert->message(), QStringLiteral("Are you sure you want to enable App Lock?"));
    QCOMPARE(alert->buttonTitleAtIndex(alert->cancelButtonIndex()), QStringLiteral("No"));
    alert->tapButtonAtIndex(alert->cancelButtonIndex());
    QVERIFY(!toggle->isOn());
    QVERIFY(owner.answers.isEmpty());

    QTest::keyClick(toggle, Qt::Key_Space);
    cell->confirmationAlert()->tapButtonAtIndex(1); // "Yes"
    QCOMPARE(owner.answers, QList<bool>{true});

    cell->changeViewForAppLockState(1, false);
    QCOMPARE(cell->enableOrDisableTextLabel()->text(), QStringLiteral("Disable App Lock"));
    QVERIFY(!cell->resetPinButton()->isHidden());
    cell->resetPinButton()->click();
    QCOMPARE(owner.resets, 1);

    cell->changeViewForAppLockState(1, true);
    QVERIFY(!toggle->isEnabled());
    QCOMPARE(cell->enableOrDisableTextLabel()->text(), QStringLiteral("Reset App Lock"));
    QVERIFY(!cell->resetPinButton()->isHidden());
}

void TestAppLock::firstAppearanceSpendsTheChanceEvenWhenSignedOut() {
    test::AppLockWorld world(kStored);
    world.account->m_status = 0;
    BaseOnScreen base;
    base.show();
    QVERIFY(!base.lock());
    QVERIFY(!PLAppLockSettingsManager::sharedAppLockSettingsManager()->shouldShowAppLockScreen());
    resignActive();
    QVERIFY(!base.lock());

    // Signed in later: the first-appearance chance is gone, but resigning active still locks.
    world.account->m_status = 3;
    auto* second = new PLBaseViewController;
    base.window.setRootViewController(second);
    QVERIFY(!second->presentedViewController());
    resignActive();
    QVERIFY(qobject_cast<PLAppLockScreenViewController*>(second->presentedViewController()));
}

void TestAppLock::switchOffAndChangeNeedAStoredPasscode() {
    for (qint16 state : {0, 2}) {
        test::AppLockWorld world;
        world.account->m_appLockState = state;
        BaseOnScreen base;
        base.show();
        QVERIFY(!base.lock());
        resignActive();
        QVERIFY(!base.lock());
    }
    // Unlock always passes: with no passcode it is the first set-up.
    test::AppLockWorld world;
    BaseOnScreen base;
    base.show();
    QVERIFY(base.lock());
    QVERIFY(qobject_cast<PLPadLockScreenSetupViewController*>(base.lock()->currentTopChildViewController()));
}

void TestAppLock::twoResignActivesShowOneLock() {
    test::AppLockWorld world(kStored);
    BaseOnScreen base;
    base.show();
    PLAppLockScreenViewController* first = base.lock();
    QVERIFY(first);
    QCOMPARE(first->lockScreenState(), 1);
    QCOMPARE(first->appLockControllerDelegate(), base.screen);
    resignActive();
    resignActive();
    QCOMPARE(base.lock(), first);
    QCOMPARE(base.window.findChildren<PLAppLockScreenViewController*>().size(), 1);
    QVERIFY(PLAppLockSettingsManager::sharedAppLockSettingsManager()->isAlreadyPresentingLockScreen());

    // Unlocking takes it down; the next resign-active brings a new one.
    play(first, {kStored});
    QVERIFY(!base.lock());
    QVERIFY(!PLAppLockSettingsManager::sharedAppLockSettingsManager()->isAlreadyPresentingLockScreen());
    resignActive();
    QVERIFY(base.lock() && base.lock() != first);
}

void TestAppLock::finishingRecordsTheResultAndTakesTheLockDown_data() {
    QTest::addColumn<bool>("mandatory");
    QTest::addColumn<bool>("finished");
    QTest::addColumn<qint16>("expected");
    QTest::newRow("switched off") << false << false << qint16(0);
    QTest::newRow("switched off, lock imposed") << true << false << qint16(1);
    QTest::newRow("stays on") << false << true << qint16(1);
}

void TestAppLock::finishingRecordsTheResultAndTakesTheLockDown() {
    QFETCH(bool, mandatory);
    QFETCH(bool, finished);
    QFETCH(qint16, expected);
    test::AppLockWorld world(kStored);
    world.account->m_mandatory = mandatory;
    BaseOnScreen base;
    base.show();
    QVERIFY(base.lock());
    base.screen->appLockScreenViewController(base.lock(), finished);
    QCOMPARE(world.account->appLockState(), expected);
    QVERIFY(!base.lock());
    QVERIFY(!PLAppLockSettingsManager::sharedAppLockSettingsManager()->isAlreadyPresentingLockScreen());
}

void TestAppLock::aRefusedPresentationLeavesTheLockArmed() {
    test::AppLockWorld world(kStored);
    PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
    BaseOnScreen base;
    base.show();
    auto* other = new platform::ui::ViewController;
    base.screen->presentViewController(other, false);
    resignActive(); // the screen already presents: the lock cannot go up now
    QCOMPARE(base.screen->presentedViewController(), other);
    QVERIFY(!PLAppLockSettingsManager::sharedAppLockSettingsManager()->isAlreadyPresentingLockScreen());
    other->dismissViewController(false);
    base.screen->showAppLockScreenForType(1, false);
    QVERIFY(base.lock());
}

void TestAppLock::tableTwinArmsTheLockToo() {
    test::AppLockWorld world(kStored);
    Window window;
    window.resize(320, 568);
    auto* table = new PLBaseTableTableViewController;
    QVERIFY(table->tableView());
    window.setRootViewController(table);
    window.show();
    auto* lock = qobject_cast<PLAppLockScreenViewController*>(table->presentedViewController());
    QVERIFY(lock);
    play(lock, {kStored});
    QVERIFY(!table->presentedViewController());
    QCOMPARE(world.account->appLockState(), 1);
    // Off screen it no longer listens.
    table->beginAppearanceTransition(false, false);
    table->endAppearanceTransition();
    resignActive();
    QVERIFY(!table->presentedViewController());
}

// The whole path: the application leaving the active state puts the lock up, coming back gives it a
// fresh pad.
void TestAppLock::theApplicationStateDrivesTheLock() {
    test::AppLockWorld world(kStored);
    PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
    BaseOnScreen base;
    base.show();
    auto* monitor = ApplicationStateMonitor::shared();
    monitor->applicationStateChanged(Qt::ApplicationActive);
    QVERIFY(!base.lock());
    monitor->applicationStateChanged(Qt::ApplicationInactive);
    monitor->applicationStateChanged(Qt::ApplicationHidden);
    PLAppLockScreenViewController* lock = base.lock();
    QVERIFY(lock);
    QPointer<PLPadLockScreenAbstractViewController> first = lock->currentTopChildViewController();
    QVERIFY(first);
    monitor->applicationStateChanged(Qt::ApplicationActive);
    QCOMPARE(base.lock(), lock);
    QVERIFY(lock->currentTopChildViewController() != first);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestAppLock t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_applock.moc"
