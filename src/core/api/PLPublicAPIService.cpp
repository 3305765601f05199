#include "core/api/PLPublicAPIService.h"

#include "core/api/PLAppConfigurations.h"

namespace pelnix {

QString PLPublicAPIService::targetURLString() const {
    return PLAppConfigurations::currentConfiguration()->basePublicURL();
}

} // namespace pelnix
