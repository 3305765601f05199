#pragma once

namespace pelnix::ChatletScreens {

// Registers the smart-message screens of the conversation with the screen registry (the composer and
// the share-contact screens in "Chatlets", the details page in "Reply", the in-app browser in "Home"
// and "Reply") and installs the card that offers to keep a shared contact.
void registerScreens();

} // namespace pelnix::ChatletScreens
