#include "ui/contacts/ContactsScreens.h"

#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/contacts/PLContactsViewController.h"

namespace pelnix::ContactsScreens {

void registerScreens() {
    platform::ui::ScreenRegistry::shared()->registerScreen(
        PLContactsViewController::kStoryboard, PLContactsViewController::kNavigationIdentifier,
        [] { return new platform::ui::NavigationController(new PLContactsViewController); });
}

} // namespace pelnix::ContactsScreens
