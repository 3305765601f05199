#pragma once

#include <QSize>
#include <QString>

namespace pelnix::tools {

// The account screens under the storyboard "GalleryAccount": the passcode pads (four digits with two
// in, complex with three, locked out, the second step of a change) and the settings row of the app
// lock; the lock screen itself; and each account screen in the states it shows a user (sign-up empty,
// filled and refused, and filled right to left; verification waiting and after a wrong code, also
// right to left; attempts exceeded; settings with the lock off and on, and on right to left; the
// profile with and without a picture, in editing, and with the picture selection
// helper's choice over it; phone registration and
// verification; the country picker filtered; the configuration and logged-out pages), at 320 x 568
// and, with the suffix "@400x720", at 400 x 720. The account screens keep their store in a throwaway
// sandbox of their own unless `ownSandbox` is false (a test that set one).
void registerAccountGalleryScreens(bool ownSandbox = true);

// The window size of a gallery identifier.
QSize accountGallerySize(const QString& identifier);
// The colour of the gallery's stored profile picture.
inline constexpr unsigned kAccountGalleryPictureRgb = 0x2f9e6e;
// The text the filtered country picker shows.
inline constexpr const char* kAccountGallerySearch = "in";

} // namespace pelnix::tools
