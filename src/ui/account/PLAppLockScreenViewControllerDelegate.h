#pragma once

namespace pelnix {

class PLAppLockScreenViewController;

// Told when the lock screen is done: `didFinishProcessing` is true when the lock stays on, false
// when it was switched off. The delegate must be a QObject (held weakly); it takes the screen down.
class PLAppLockScreenViewControllerDelegate {
public:
    virtual ~PLAppLockScreenViewControllerDelegate() = default;
    virtual void appLockScreenViewController(PLAppLockScreenViewController* controller,
                                             bool didFinishProcessing) = 0;
};

} // namespace pelnix
