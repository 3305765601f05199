#include "core/api/PLGeneralAPIService.h"

namespace pelnix {

QString PLGeneralAPIService::targetURLString() const {
    return m_customURL.isNull() ? PLPrivateAPIService::targetURLString() : m_customURL;
}

} // namespace pelnix
