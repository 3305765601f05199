#pragma once

#include <QSize>
#include <QString>

namespace pelnix::tools {

// The root container under the storyboard "GalleryShell" with its side drawer closed and open
// ("RootDrawerClosed", "RootDrawerOpen", and open right to left "RootDrawerOpenRightToLeft", each also
// at 400 x 720 with the suffix "@400x720"), over the rooms gallery's store. The pages are the
// gallery's own, registered as a host registers its storyboards: "SDKTest" (a landing page), "Home"
// (the chats navigation controller as initial screen, and "PLSideDrawerTableViewController", a drawer
// of the drawer cells).
void registerShellGalleryScreens();

QSize shellGallerySize(const QString& identifier);

} // namespace pelnix::tools
