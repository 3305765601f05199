#pragma once

namespace pelnix::ContactsScreens {

// Registers the contact picker with the screen registry: "Home"/"PLContactsNavigationController", a
// navigation controller whose top screen is the picker.
void registerScreens();

} // namespace pelnix::ContactsScreens
