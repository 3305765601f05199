#pragma once

#include "platform/PLError.h"
#include "platform/ui/ViewController.h"
#include "ui/account/PLAppLockScreenViewControllerDelegate.h"
#include "ui/account/PLPadLockScreenAbstractViewController.h"
#include "ui/account/PLPadLockScreenAppearance.h"
#include "ui/account/PLPadLockScreenDelegates.h"

#include <QPointer>
#include <functional>
#include <optional>

namespace pelnix {

// The app-lock screen: shows the pad for its lock state, checks the entered passcode against the one
// in the secret store, stores a new one, shows the outcome and reports the end to whoever showed it.
// It never takes itself down.
//
// Lock states: 0 switch the lock off (the current passcode first), 1 unlock, or set up a first
// passcode when none is stored, 2 change the passcode (the current one, then a new one twice).
class PLAppLockScreenViewController : public platform::ui::ViewController,
                                      public PLPadLockScreenViewControllerDelegate,
                                      public PLPadLockScreenSetupViewControllerDelegate {
    Q_OBJECT
public:
    enum LockState : qint64 { SwitchOff = 0, Unlock = 1, Change = 2 };
    static constexpr int kAllowedAttempts = 3;
    using CompletionHandler =
        std::function<void(bool done, const std::optional<PLError>& error, platform::ui::ViewController*)>;

    explicit PLAppLockScreenViewController(QObject* parent = nullptr);
    ~PLAppLockScreenViewController() override;

    // States 0 and 2 need a stored passcode; every other state can always be shown.
    static bool canShowAppScreenForType(qint64 type);
    // The look of the lock screen's pads.
    static PLPadLockScreenAppearance padAppearance();

    qint64 lockScreenState() const { return m_state; }
    void setLockScreenState(qint64 state) { m_state = state; }
    // Must implement PLAppLockScreenViewControllerDelegate; held weakly.
    QObject* appLockControllerDelegate() const { return m_delegate; }
    void setAppLockControllerDelegate(QObject* delegate) { m_delegate = delegate; }
    CompletionHandler passcodeControllerCompletionHandler() const { return m_completion; }
    void setPasscodeControllerCompletionHandler(CompletionHandler handler) {
        m_completion = std::move(handler);
    }
    PLPadLockScreenAbstractViewController* currentTopChildViewController() const { return m_currentPad; }

    void configurePadViewColor();
    // Builds a fresh pad for the current state and shows it in place of the previous one.
    void showLockScreen();
    // The application is active again: a switch-off or change becomes an unlock, with a fresh pad.
    void appWillBecomeActiveHandler();
    void passCodeProcessingDone();
    void showSuccessMessagePasscodeChangesForState(qint64 state);

    // Pad results.
    bool padLockScreenViewController(PLPadLockScreenViewController* pad, const QString& validatePin) override;
    void unlockWasSuccessfulForPadLockScreenViewController(PLPadLockScreenViewController* pad) override;
    void unlockWasUnsuccessful(const QString& pin, qint64 afterAttemptNumber,
                               PLPadLockScreenViewController* pad) override;
    void unlockWasCancelledForPadLockScreenViewController(PLPadLockScreenViewController* pad) override;
    void pinSet(const QString& pin, PLPadLockScreenSetupViewController* pad) override;
    void unlockWasCancelledForSetupViewController(PLPadLockScreenSetupViewController* pad) override;

protected:
    QWidget* loadView() override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    PLPadLockScreenSetupViewController* makeSetupPad(bool cancelAllowed);
    void switchCurrentTopChildViewControllerWithController(PLPadLockScreenAbstractViewController* pad);
    void showAlert(const QString& title, const QString& message);
    // Stores the new passcode; on a refused write tells the user and answers false.
    bool storePasscode(const QString& pin);

    qint64 m_state = Unlock;
    QPointer<QObject> m_delegate;
    CompletionHandler m_completion;
    QPointer<PLPadLockScreenAbstractViewController> m_currentPad;
};

} // namespace pelnix
