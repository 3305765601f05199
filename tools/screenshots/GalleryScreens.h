#pragma once

namespace pelnix::tools {

// Screens of the layer itself, registered under the storyboard "Gallery" with fixture data: a
// navigation stack with bar items, an alert, an action sheet and a long indexed table.
void registerGalleryScreens();

} // namespace pelnix::tools
