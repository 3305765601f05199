#pragma once

namespace pelnix::RoomsScreens {

// Registers the rooms screens of the storyboard "Home" ("PLChatRoomsTableViewController",
// "PLOpenGroupsViewController") and the rooms list's segue "ChatRoomSelect" to the conversation screen
// "ChatWindowViewController", which its own library registers; the members screens
// ("GroupMembersViewController", "GroupMembersNavigationController" and its two tabs), member detail
// ("PLGroupMemeberDetailTableViewController", also the Active tab's segues "GroupMemberDetail" and
// "GroupMemberDetail_RTL") and the admin change, under the storyboards named after its nibs
// ("PLSelectAdminViewController", "PLMakeAdminViewController").
void registerScreens();

} // namespace pelnix::RoomsScreens
