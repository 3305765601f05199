#pragma once

#include "platform/PLError.h"

#include <QtGlobal>
#include <functional>

namespace pelnix {

namespace platform::ui {
class ViewController;
}

// What the facade asks of the screens. The screens stand above the facade (they read its types and
// hooks), so the facade cannot call them: the library's assembly, above both, fills this in when the
// library loads. A program without the assembly gets no screens from the facade, never a crash.
struct PelnixScreenAssembly {
    // The app-lock screen's states: 0 switch the lock off, 1 unlock (or set up a first passcode),
    // 2 change the passcode.
    enum LockState : qint64 { SwitchOff = 0, Unlock = 1, Change = 2 };
    using LockScreenHandler =
        std::function<void(bool done, const PLOptionalError& error, platform::ui::ViewController* screen)>;

    // Registers every screen area in the screen registry and hands their analytics to the host's
    // tracker; called once, by the set-up on a GUI application.
    std::function<void()> registerScreens;
    // Whether the lock screen can be shown in `state` (switching off and changing need a passcode).
    std::function<bool(qint64 state)> canShowLockScreen;
    // A new passcode container for the passcode view `type` (0 to 3), answering through `completion`.
    std::function<platform::ui::ViewController*(qint64 type, LockScreenHandler completion)> passcodeContainer;

    static PelnixScreenAssembly& shared();
};

} // namespace pelnix
