#pragma once

#include <QString>

namespace pelnix {

namespace platform::ui {
class Geocoder;
}

// The map services of the location screens, from the configuration ("mapTileURL", "geocoderURL").
namespace PLMapServices {

// The geocoder the screen layer has installed; else one for the configured geocoding server (kept
// while that URL stays); else the one that answers every request with "not available".
platform::ui::Geocoder* geocoder();
// The configured tile server's URL template; empty when none is configured.
QString tileURLTemplate();

} // namespace PLMapServices
} // namespace pelnix
