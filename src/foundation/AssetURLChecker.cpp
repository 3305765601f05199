#include "foundation/AssetURLChecker.h"

#include <QFileInfo>

namespace pelnix {

bool AssetURLChecker::assetExists(const QUrl& assetURL) {
    if (!assetURL.isLocalFile())
        return false;
    const QFileInfo info(assetURL.toLocalFile());
    return info.exists() && info.isFile();
}

} // namespace pelnix
