#pragma once

namespace pelnix::RoomsScreens {

// Registers the rooms screens of the storyboard "Home" ("PLChatRoomsTableViewController",
// "PLOpenGroupsViewController", "PLGroupInfoViewController", the new group flow) with their segues:
// the rooms list's "ChatRoomSelect" to the conversation screen "ChatWindowViewController" (registered
// by its own library), the conversation's "GroupInfoSegue" to group information, and group
// information's segues to member detail and the own profile; the picture viewer under its nib name
// "PLProfileImageViewController"; the members screens ("GroupMembersViewController",
// "GroupMembersNavigationController" and its two tabs), member detail
// ("PLGroupMemeberDetailTableViewController", also the Active tab's segues "GroupMemberDetail" and
// "GroupMemberDetail_RTL") and the admin change, under the storyboards named after its nibs
// ("PLSelectAdminViewController", "PLMakeAdminViewController").
void registerScreens();

} // namespace pelnix::RoomsScreens
