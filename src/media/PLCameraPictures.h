#pragma once

#include <QImage>

namespace pelnix {

// A picture the user takes with the camera for an upload (a group's or the profile's picture) is kept
// among their photos too, in the configuration's picture album ("Pelnix_Images"), as a camera keeps
// what it takes; a picture picked from the library is there already.
namespace PLCameraPictures {

// Saves `picture` into the album unless it came from the library, once per picture: a second size of
// the same pick, or a retry of its upload, is not saved again. Returns at once; the upload does not
// wait for the write, and a failed write (logged) changes nothing for it. Main thread.
void keepInAlbum(const QImage& picture, bool isExistingMedia);

} // namespace PLCameraPictures
} // namespace pelnix
