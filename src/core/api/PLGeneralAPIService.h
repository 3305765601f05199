#pragma once

#include "core/api/PLPrivateAPIService.h"

namespace pelnix {

// A private call to a whole address chosen by the caller (`customURL`); GET unless a subclass says.
class PLGeneralAPIService : public PLPrivateAPIService {
    Q_OBJECT
public:
    using PLPrivateAPIService::PLPrivateAPIService;
    QString targetURLString() const override;

    QString customURL() const { return m_customURL; }
    void setCustomURL(const QString& url) { m_customURL = url; }

private:
    QString m_customURL;
};

} // namespace pelnix
