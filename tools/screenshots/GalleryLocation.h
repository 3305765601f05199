#pragma once

#include <QSize>
#include <QString>

namespace pelnix::platform::ui {
class MapView;
}

namespace pelnix::tools {

// The location screens under the storyboard "GalleryLocation", presented over a host screen as the
// chat window presents them, on the tiles and gazetteer of a stand-in of the gallery's own, with the
// position replayed from an NMEA log (the user stands in Cubbon Park, Bengaluru):
//   "LocationSend" (320 x 568, and "LocationSend400x720"): sending, the user's position on the map;
//   "LocationSendFailed": Send tapped while the geocoding server fails, its alert up;
//   "LocationWithPin" (320 x 568, and "LocationWithPin400x720"): showing the address "Sydney Opera
//   House" with its pin; "ChooseLocation" (320 x 568, and "ChooseLocation400x720"): the pin dropped
//   north-east of the user.
void registerLocationGalleryScreens(bool ownSandbox = true);

QSize locationGallerySize(const QString& identifier);

// Draws `map` from the tiles of the location galleries' stand-in and waits until the tiles it shows
// are in.
void showLocationGalleryTiles(platform::ui::MapView* map);

} // namespace pelnix::tools
