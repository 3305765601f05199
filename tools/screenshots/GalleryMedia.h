#pragma once

namespace pelnix::tools {

// The web view with a page, a video frame, a PDF page, a map with pins and a contact card,
// registered under the storyboard "GalleryMedia".
void registerMediaGalleryScreens();

} // namespace pelnix::tools
