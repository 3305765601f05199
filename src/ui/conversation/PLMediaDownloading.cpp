#include "ui/conversation/PLMediaDownloading.h"

namespace pelnix {

namespace {
PLMediaDownloading::Maker& installedMaker() {
    static PLMediaDownloading::Maker maker;
    return maker;
}
} // namespace

void PLMediaDownloading::setMaker(Maker maker) {
    installedMaker() = std::move(maker);
}

std::unique_ptr<PLMediaDownloading> PLMediaDownloading::make() {
    const Maker& maker = installedMaker();
    return maker ? maker() : nullptr;
}

} // namespace pelnix
