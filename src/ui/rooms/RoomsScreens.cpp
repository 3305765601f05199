#include "ui/rooms/RoomsScreens.h"

#include "platform/ui/ScreenRegistry.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/rooms/PLOpenGroupsViewController.h"

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
}

} // namespace pelnix::RoomsScreens
