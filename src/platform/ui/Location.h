#pragma once

#include "MapView.h"

#include <QtGlobal>

namespace pelnix::platform::ui {

// One fix of the device's position.
struct Location {
    Coordinate coordinate;
    double horizontalAccuracy = -1; // metres; negative when unknown
    double verticalAccuracy = -1;   // metres; negative when the fix has no altitude
    qint64 timestamp = 0;           // milliseconds since 1970
    bool operator==(const Location&) const = default;
};

} // namespace pelnix::platform::ui
