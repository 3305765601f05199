#include "ui/rooms/RoomsScreens.h"

#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/rooms/PLGroupInfoViewController.h"
#include "ui/rooms/PLNewGroupMembersViewController.h"
#include "ui/rooms/PLNewGroupTableViewController.h"
#include "ui/rooms/PLNewGroupViewController.h"
#include "ui/rooms/PLOpenGroupsViewController.h"
#include "ui/rooms/PLProfileImageViewController.h"

namespace pelnix::RoomsScreens {

using platform::ui::ScreenRegistry;
using platform::ui::StoryboardSegue;

void registerScreens() {
    auto* registry = ScreenRegistry::shared();
    const QString home = QStringLiteral("Home");
    const QString list = QStringLiteral("PLChatRoomsTableViewController");
    registry->registerScreen(home, list, [] { return new PLChatRoomsTableViewController; });
    registry->registerScreen(home, QStringLiteral("PLOpenGroupsViewController"),
                             [] { return new PLOpenGroupsViewController; });
    registry->registerSegue(home, list, QStringLiteral("ChatRoomSelect"),
                            QStringLiteral("ChatWindowViewController"), StoryboardSegue::Kind::Push);

    const QString groupInfo = PLGroupInfoViewController::kIdentifier;
    registry->registerScreen(home, groupInfo, [] { return new PLGroupInfoViewController; });
    registry->registerSegue(home, QStringLiteral("ChatWindowViewController"),
                            QStringLiteral("GroupInfoSegue"), groupInfo, StoryboardSegue::Kind::Push);
    for (const QString& suffix : {QString(), QStringLiteral("_RTL")}) {
        registry->registerSegue(home, groupInfo, QStringLiteral("GroupMemberDetail") + suffix,
                                QStringLiteral("PLGroupMemeberDetailTableViewController"),
                                StoryboardSegue::Kind::Push);
        registry->registerSegue(home, groupInfo, QStringLiteral("MyProfileSegueIdentifier") + suffix,
                                QStringLiteral("PLUserProfileTableViewController"),
                                StoryboardSegue::Kind::Push);
    }
    registry->registerScreen(home, PLNewGroupViewController::kIdentifier,
                             [] { return new PLNewGroupViewController; });
    registry->registerScreen(home, PLNewGroupViewController::kNavigationIdentifier, [] {
        return new platform::ui::NavigationController(new PLNewGroupViewController);
    });
    registry->registerScreen(home, QStringLiteral("PLNewGroupTableViewController"),
                             [] { return new PLNewGroupTableViewController(false); });
    registry->registerScreen(home, QStringLiteral("PLNewGroupTableViewController_RTL"),
                             [] { return new PLNewGroupTableViewController(true); });
    registry->registerScreen(home, PLNewGroupMembersViewController::kIdentifier, [] {
        return new platform::ui::NavigationController(new PLNewGroupMembersViewController);
    });
    registry->registerScreen(PLProfileImageViewController::kNibName, PLProfileImageViewController::kNibName,
                             [] { return new PLProfileImageViewController; });
}

} // namespace pelnix::RoomsScreens
