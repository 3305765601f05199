#include "LocationProvider.h"

#include "PositioningLocationProvider.h"

namespace pelnix::platform::ui {

namespace {
LocationProvider::Maker& maker() {
    static LocationProvider::Maker made;
    return made;
}
} // namespace

LocationProvider* LocationProvider::create(QObject* parent) {
    return maker() ? maker()(parent) : new PositioningLocationProvider(nullptr, parent);
}

void LocationProvider::setMaker(Maker made) {
    maker() = std::move(made);
}

} // namespace pelnix::platform::ui
