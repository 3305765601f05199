#pragma once

#include "core/api/PLGeneralAPIService.h"

namespace pelnix {

// DELETE of the caller's `customURL` (remove a member or a pending member, close a group).
class PLDeleteGeneralAPIService : public PLGeneralAPIService {
    Q_OBJECT
public:
    using PLGeneralAPIService::PLGeneralAPIService;
    int serviceType() const override { return Delete; }
};

} // namespace pelnix
