#pragma once

#include <QUrl>

namespace pelnix {

// Whether a media asset still exists. Assets here are local files (there is no photo library), so
// the answer is synchronous and safe on any thread.
class AssetURLChecker {
public:
    static bool assetExists(const QUrl& assetURL);
};

} // namespace pelnix
