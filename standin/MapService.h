#pragma once

#include "RouteGuard.h"

#include <httplib.h>

namespace pelnix::standin {

// The map services the location screens use, on the service's own port (B = baseUrl()):
//   B"tiles/<z>/<x>/<y>.png"                     tiles of MapTileRenderer (404 outside the scheme)
//   B"geocoder/search?q=<text>&format=json"      the Gazetteer's places matching the text (an array)
//   B"geocoder/reverse?lat=<>&lon=<>&format=json" the nearest place, or {"error": ...}
// Only the JSON format is served; another answers 400.
class MapService {
public:
    explicit MapService(const RouteGuard& guard) : m_guard(guard) {}
    void install(httplib::Server& http);

private:
    const RouteGuard& m_guard;
};

} // namespace pelnix::standin
