#include "ui/rooms/RoomsScreens.h"

#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/rooms/PLActiveMembersViewController.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/rooms/PLGroupInfoViewController.h"
#include "ui/rooms/PLGroupMembersViewController.h"
#include "ui/rooms/PLGroupMemeberDetailTableViewController.h"
#include "ui/rooms/PLMakeAdminViewController.h"
#include "ui/rooms/PLNewGroupMembersViewController.h"
#include "ui/rooms/PLNewGroupTableViewController.h"
#include "ui/rooms/PLNewGroupViewController.h"
#include "ui/rooms/PLOpenGroupsViewController.h"
#include "ui/rooms/PLPendingMembersViewController.h"
#include "ui/rooms/PLProfileImageViewController.h"
#include "ui/rooms/PLSelectAdminViewController.h"

namespace pelnix::RoomsScreens {

using platform::ui::ScreenRegistry;
using platform::ui::StoryboardSegue;

namespace {
void registerMemberScreens() {
    auto* registry = ScreenRegistry::shared();
    const QString home = QStringLiteral("Home");
    registry->registerScreen(home, PLGroupMembersViewController::kIdentifier,
                             [] { return new PLGroupMembersViewController; });
    registry->registerScreen(home, PLGroupMembersViewController::kNavigationIdentifier, [] {
        return new platform::ui::NavigationController(new PLGroupMembersViewController);
    });
    registry->registerScreen(home, PLActiveMembersViewController::kIdentifier,
                             [] { return new PLActiveMembersViewController; });
    registry->registerScreen(home, PLPendingMembersViewController::kIdentifier,
                             [] { return new PLPendingMembersViewController; });
    registry->registerScreen(home, PLGroupMemeberDetailTableViewController::kIdentifier,
                             [] { return new PLGroupMemeberDetailTableViewController; });
    // The admin change comes from nibs of its own name.
    const QString selectAdmin = PLSelectAdminViewController::kIdentifier;
    registry->registerScreen(selectAdmin, selectAdmin, [] { return new PLSelectAdminViewController; });
    const QString makeAdmin = PLMakeAdminViewController::kIdentifier;
    registry->registerScreen(makeAdmin, makeAdmin, [] { return new PLMakeAdminViewController; });
    for (const QString& segue :
         {PLActiveMembersViewController::kDetailSegue, PLActiveMembersViewController::kDetailSegueRTL})
        registry->registerSegue(home, PLActiveMembersViewController::kIdentifier, segue,
                                QStringLiteral("PLGroupMemeberDetailTableViewController"),
                                StoryboardSegue::Kind::Push);
}
} // namespace

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
    registerMemberScreens();
}

} // namespace pelnix::RoomsScreens
