#pragma once

#include <QString>

namespace pelnix {

class PLPadLockScreenViewController;
class PLPadLockScreenSetupViewController;

// What the unlock pad tells its owner. Every method is optional; the owner must be a QObject (the pad
// holds it weakly). Without validatePin every PIN is wrong.
class PLPadLockScreenViewControllerDelegate {
public:
    virtual ~PLPadLockScreenViewControllerDelegate() = default;
    virtual bool padLockScreenViewController(PLPadLockScreenViewController* pad, const QString& validatePin) {
        Q_UNUSED(pad);
        Q_UNUSED(validatePin);
        return false;
    }
    virtual void unlockWasSuccessfulForPadLockScreenViewController(PLPadLockScreenViewController* pad) {
        Q_UNUSED(pad);
    }
    // `afterAttemptNumber` counts from 1 since the attempts were last set.
    virtual void unlockWasUnsuccessful(const QString& pin, qint64 afterAttemptNumber,
                                       PLPadLockScreenViewController* pad) {
        Q_UNUSED(pin);
        Q_UNUSED(afterAttemptNumber);
        Q_UNUSED(pad);
    }
    virtual void unlockWasCancelledForPadLockScreenViewController(PLPadLockScreenViewController* pad) {
        Q_UNUSED(pad);
    }
    virtual void attemptsExpiredForPadLockScreenViewController(PLPadLockScreenViewController* pad) {
        Q_UNUSED(pad);
    }
};

// What the set-up pad tells its owner; the owner must be a QObject.
class PLPadLockScreenSetupViewControllerDelegate {
public:
    virtual ~PLPadLockScreenSetupViewControllerDelegate() = default;
    // Both entries agreed on `pin`.
    virtual void pinSet(const QString& pin, PLPadLockScreenSetupViewController* pad) {
        Q_UNUSED(pin);
        Q_UNUSED(pad);
    }
    virtual void unlockWasCancelledForSetupViewController(PLPadLockScreenSetupViewController* pad) {
        Q_UNUSED(pad);
    }
};

} // namespace pelnix
