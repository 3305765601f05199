#pragma once

namespace pelnix::tools {

// The passcode screens under the storyboard "GalleryAccount": the four-digit pad with two digits in,
// the complex pad with three, an unlock pad locked out after three wrong entries, the second step of
// a passcode change, and the settings row of the app lock; plus the lock screen itself.
void registerAccountGalleryScreens();

} // namespace pelnix::tools
