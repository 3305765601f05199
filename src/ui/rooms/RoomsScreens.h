#pragma once

namespace pelnix::RoomsScreens {

// Registers the rooms screens of the storyboard "Home" ("PLChatRoomsTableViewController",
// "PLOpenGroupsViewController") and the rooms list's segue "ChatRoomSelect" to the conversation screen
// "ChatWindowViewController", which its own library registers.
void registerScreens();

} // namespace pelnix::RoomsScreens
