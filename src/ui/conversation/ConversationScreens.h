#pragma once

namespace pelnix::ConversationScreens {

// Registers the conversation screens under their storyboard names and identifiers: the chat window
// is "ChatWindowViewController" of "Home", reached from the rooms list by the segue "ChatRoomSelect".
void registerScreens();

} // namespace pelnix::ConversationScreens
