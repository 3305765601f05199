#pragma once

#include "core/api/PLAPIService.h"

namespace pelnix {

// The authenticated API: Accept and Authorization headers; the target is the effective base URL.
class PLPrivateAPIService : public PLAPIService {
    Q_OBJECT
public:
    using PLAPIService::PLAPIService;
    QString targetURLString() const override;
    bool isPublicAPI() const override { return false; }

    // Joins `component` to `base` with exactly one "/" between them.
    static QString joinPath(const QString& base, const QString& component);
};

} // namespace pelnix
