#include "foundation/DeviceTraits.h"

#include <QMutex>

#include <algorithm>
#include <cmath>

namespace pelnix {

namespace {
QMutex g_mutex;
DeviceTraits g_current;
} // namespace

bool DeviceTraits::isTallScreen() const {
    if (screenBounds.width() <= 0)
        return false;
    const double ratio = screenBounds.height() / screenBounds.width();
    return std::abs(ratio - 1.775) <= 0.01 || std::abs(ratio - 0.5633802817) <= 0.01;
}

double DeviceTraits::longerScreenSide() const {
    return std::max(screenBounds.width(), screenBounds.height());
}

DeviceTraits DeviceTraits::current() {
    QMutexLocker lock(&g_mutex);
    return g_current;
}

void DeviceTraits::setCurrent(const DeviceTraits& traits) {
    QMutexLocker lock(&g_mutex);
    g_current = traits;
}

} // namespace pelnix
