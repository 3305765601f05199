#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

namespace pelnix::tools {

// The rooms screens under the storyboard "GalleryRooms", each at the phone's 320 x 568 and some also at
// 400 x 720 (identifiers ending in "@400x720"): the rooms list empty (filtered, or with no room at all),
// its floating label, with 20 rooms (pictures, unread
// badges, admin marks), searching, and with a row swiped open; the public groups; the side drawer's
// cells. The rooms come from a store of the gallery's own, imported through the core's room import.
void registerRoomsGalleryScreens();

// The window size a rooms gallery screen is shown at.
QSize roomsGallerySize(const QString& identifier);

// The gallery's store, once per process (the first call decides): in a temporary sandbox of its own
// when `ownSandbox`, else below the sandbox root already set; the signed-in Ann and twenty rooms, whose
// pictures are in the image cache (Ann alone, no room, without `withRooms`). Answers the room IDs,
// newest first.
QStringList prepareRoomsGalleryStore(bool ownSandbox, bool withRooms = true);
// What the searching screen has typed.
QString roomsGallerySearchText();
// What the floating label says.
QString roomsGalleryFloatingText();

} // namespace pelnix::tools
