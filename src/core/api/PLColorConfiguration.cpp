#include "core/api/PLColorConfiguration.h"

namespace pelnix {

std::shared_ptr<PLColorConfiguration> PLColorConfiguration::colorConfiguration() {
    return sharedInstance();
}

} // namespace pelnix
