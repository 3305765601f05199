#pragma once

// The parameter rules every request class shares: "or empty", "when set", "when non-empty" lists
// joined with ",", and booleans as "true"/"false".

#include "core/api/PLAPIService.h"

#include <QStringList>

namespace pelnix::RequestParameters {

inline QString orEmpty(const QString& value) {
    return value.isNull() ? QString(QLatin1String("")) : value;
}

inline QString boolText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

inline void addWhenSet(PLParameters& parameters, const char* key, const QString& value) {
    if (!value.isNull())
        parameters.append({QString::fromLatin1(key), value});
}

inline void addWhenNonEmpty(PLParameters& parameters, const char* key, const QStringList& list) {
    if (!list.isEmpty())
        parameters.append({QString::fromLatin1(key), list.join(QLatin1Char(','))});
}

} // namespace pelnix::RequestParameters
