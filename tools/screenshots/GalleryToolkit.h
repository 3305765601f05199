#pragma once

namespace pelnix::tools {

// The common widgets (busy overlay, search bar, styled fields, small views, splash, progress rings)
// and the paging, zooming and strip views, registered under the storyboard "Gallery".
void registerToolkitGalleryScreens();

} // namespace pelnix::tools
