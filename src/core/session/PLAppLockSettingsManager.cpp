#include "core/session/PLAppLockSettingsManager.h"

namespace pelnix {

PLAppLockSettingsManager* PLAppLockSettingsManager::sharedAppLockSettingsManager() {
    static PLAppLockSettingsManager manager;
    return &manager;
}

} // namespace pelnix
