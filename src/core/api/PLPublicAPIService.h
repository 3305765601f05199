#pragma once

#include "core/api/PLAPIService.h"

namespace pelnix {

// The public account API: POST to the configuration's public URL, without Accept or Authorization.
class PLPublicAPIService : public PLAPIService {
    Q_OBJECT
public:
    using PLAPIService::PLAPIService;
    QString targetURLString() const override;
    int serviceType() const override { return Post; }
    bool isPublicAPI() const override { return true; }

    // The account API version every account call carries.
    static QString apiVersion() { return QStringLiteral("1.1"); }
};

} // namespace pelnix
