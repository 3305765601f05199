#pragma once

namespace pelnix::AccountScreens {

// Registers the account screens under their storyboard (or nib) names with the screen registry:
// "Login" (sign-up, its navigation controller, e-mail verification, attempts exceeded, the terms
// pages), "LoggedOut" (the logged-out page, initially in a navigation controller), "Home" (settings,
// the profile and its navigation controllers, the phone screens and the country picker with their
// segues), and the nibs of the configuration and lock screens. Safe to call again.
void registerScreens();

} // namespace pelnix::AccountScreens
