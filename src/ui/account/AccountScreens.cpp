#include "ui/account/AccountScreens.h"

#include "platform/ui/ScreenRegistry.h"
#include "ui/account/PLAppLockScreenViewController.h"

namespace pelnix::AccountScreens {

void registerScreens() {
    // The lock screen comes from a nib of its own name rather than from a storyboard.
    const QString name = QStringLiteral("PLAppLockScreenViewController");
    platform::ui::ScreenRegistry::shared()->registerScreen(name, name,
                                                           [] { return new PLAppLockScreenViewController; });
}

} // namespace pelnix::AccountScreens
