#pragma once

namespace pelnix::tools {

// Screens of the controls, the popover and the blur view, under the storyboard "Gallery": a settings
// page of switches, segmented control, slider and toolbar; a search bar with scopes over a list; a
// popover opened from a bar button; and a blurred panel over a picture.
void registerControlsGalleryScreens();

} // namespace pelnix::tools
