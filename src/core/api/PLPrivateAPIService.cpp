#include "core/api/PLPrivateAPIService.h"

#include "core/api/PLAppConfigurations.h"

namespace pelnix {

QString PLPrivateAPIService::targetURLString() const {
    return PLAppConfigurations::currentConfiguration()->baseURL();
}

QString PLPrivateAPIService::joinPath(const QString& base, const QString& component) {
    if (base.isEmpty())
        return component;
    QString left = base;
    while (left.endsWith(QLatin1Char('/')) && left.size() > 1)
        left.chop(1);
    QString right = component;
    while (right.startsWith(QLatin1Char('/')))
        right.remove(0, 1);
    if (right.isEmpty())
        return left;
    return left + QLatin1Char('/') + right;
}

} // namespace pelnix
