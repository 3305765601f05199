#pragma once

#include <QSizeF>

namespace pelnix {

// What the file-name resolution needs to know about the device: screen scale, interface idiom
// (0 phone, 1 tablet, 2 desktop) and the main screen's bounds in points.
//
// The foundation library links no GUI module, so it cannot ask a screen itself: the layer that owns
// the screens sets the current traits (from QScreen) and tests set fakes. Until then the defaults
// below describe a scale-1 phone layout.
struct DeviceTraits {
    double scale = 1.0;
    int idiom = 0;
    QSizeF screenBounds{320, 480};

    // The main screen is tall when height / width lies within 0.01 of 1.775 or of its inverse.
    bool isTallScreen() const;
    double longerScreenSide() const;

    bool operator==(const DeviceTraits&) const = default;

    static DeviceTraits current();
    static void setCurrent(const DeviceTraits& traits);
};

} // namespace pelnix
