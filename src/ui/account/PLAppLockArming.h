#pragma once

#include "platform/NotificationCenter.h"

#include <QPointer>
#include <QtGlobal>

namespace pelnix {

namespace platform::ui {
class ViewController;
}
class PLAppLockScreenViewController;

// How a base screen arms the app lock: while the screen is on screen, the application resigning
// active puts the lock screen up; the first base screen to appear after start puts it up once; the
// lock screen's result is recorded and the lock screen taken down. Owned by the screen.
class PLAppLockArming {
public:
    // `screen` must implement PLAppLockScreenViewControllerDelegate. `alwaysAnimated`: present with
    // animation even when asked not to.
    PLAppLockArming(platform::ui::ViewController* screen, bool alwaysAnimated);
    ~PLAppLockArming();
    PLAppLockArming(const PLAppLockArming&) = delete;
    PLAppLockArming& operator=(const PLAppLockArming&) = delete;

    void screenDidAppear();
    void screenWillDisappear();
    void addAppLockScreenOnResigningActive();
    // Puts the lock screen up in state `type` when the account is signed in, no lock screen is up
    // yet and the state can be shown; answers whether it went up.
    bool showAppLockScreenForType(qint64 type, bool animated);
    void lockScreenFinished(PLAppLockScreenViewController* lockScreen, bool didFinishProcessing);

private:
    QPointer<platform::ui::ViewController> m_screen;
    bool m_alwaysAnimated = false;
    platform::NotificationCenter::Token m_observer = 0;
};

} // namespace pelnix
