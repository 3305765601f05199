#include "ui/conversation/ChatletScreens.h"

#include "core/model/PLAddressBookHelper.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/conversation/PLAddContactViewController.h"
#include "ui/conversation/PLAddressBookContactViewController.h"
#include "ui/conversation/PLChatWindowSearchViewController.h"
#include "ui/conversation/PLContactDetailViewController.h"
#include "ui/conversation/PLInternalLinkWebViewController.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLReplyWebViewController.h"

namespace pelnix::ChatletScreens {

using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;

namespace {
// A navigation controller over the registered screen, with that screen's storyboard identity.
template <typename Screen>
NavigationController* navigationOver(const QString& storyboard, const QString& identifier) {
    auto* screen = ScreenRegistry::shared()->instantiate(storyboard, identifier);
    return new NavigationController(screen);
}
} // namespace

void registerScreens() {
    auto* registry = ScreenRegistry::shared();
    const QString chatlets = PLPostChatletViewController::kStoryboard;
    registry->registerScreen(chatlets, PLPostChatletViewController::kIdentifier,
                             [] { return new PLPostChatletViewController; });
    registry->registerScreen(chatlets, PLPostChatletViewController::kNavigationIdentifier, [chatlets] {
        return navigationOver<PLPostChatletViewController>(chatlets,
                                                           PLPostChatletViewController::kIdentifier);
    });
    registry->setInitialScreen(chatlets, PLPostChatletViewController::kNavigationIdentifier);
    registry->registerScreen(chatlets, PLAddressBookContactViewController::kIdentifier,
                             [] { return new PLAddressBookContactViewController; });
    registry->registerScreen(chatlets, PLAddressBookContactViewController::kNavigationIdentifier, [chatlets] {
        return navigationOver<PLAddressBookContactViewController>(
            chatlets, PLAddressBookContactViewController::kIdentifier);
    });
    registry->registerScreen(chatlets, PLContactDetailViewController::kIdentifier,
                             [] { return new PLContactDetailViewController; });
    registry->registerSegue(chatlets, PLAddressBookContactViewController::kIdentifier,
                            PLAddressBookContactViewController::kDetailSegue,
                            PLContactDetailViewController::kIdentifier,
                            platform::ui::StoryboardSegue::Kind::Push);

    const QString reply = PLReplyWebViewController::kStoryboard;
    registry->registerScreen(reply, PLReplyWebViewController::kIdentifier,
                             [] { return new PLReplyWebViewController; });
    registry->registerScreen(reply, PLReplyWebViewController::kNavigationIdentifier, [reply] {
        return navigationOver<PLReplyWebViewController>(reply, PLReplyWebViewController::kIdentifier);
    });
    registry->setInitialScreen(reply, PLReplyWebViewController::kNavigationIdentifier);
    // The in-app browser comes from the storyboard of the screen that opens it.
    for (const QString& storyboard : {PLInternalLinkWebViewController::kStoryboard, reply})
        registry->registerScreen(storyboard, PLInternalLinkWebViewController::kIdentifier,
                                 [] { return new PLInternalLinkWebViewController; });

    registry->registerScreen(PLChatWindowSearchViewController::kStoryboard,
                             PLChatWindowSearchViewController::kIdentifier,
                             [] { return new PLChatWindowSearchViewController; });

    PLAddressBookHelper::setAddContactPresenter(&PLAddContactViewController::showOptionToAddContact);
}

} // namespace pelnix::ChatletScreens
