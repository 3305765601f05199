#pragma once

namespace pelnix::AccountScreens {

// Registers the account screens under their storyboard (or nib) names with the screen registry.
void registerScreens();

} // namespace pelnix::AccountScreens
