#pragma once

#include <QSize>
#include <QString>

namespace pelnix::tools {

// The group screens under the storyboard "GalleryGroups", each at 320 x 568 and again at 400 x 720
// (identifiers ending in "@400x720"): group information as the admin, as a member and for a group its
// admin deleted; its edit mode; the picture viewer over the team's photo and, for a group without a
// picture, over its placeholder; and the new group flow's steps (the empty form, the
// filled form, the members editor). They read the rooms gallery's store.
void registerGroupsGalleryScreens();

// The window size a groups gallery screen is shown at.
QSize groupsGallerySize(const QString& identifier);

} // namespace pelnix::tools
