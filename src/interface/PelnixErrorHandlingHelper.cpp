#include "interface/PelnixErrorHandlingHelper.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/Log.h"

namespace pelnix {

QString PelnixErrorHandlingHelper::errorDomain() {
    return PLCurrentBundleInfo::identifier();
}

PLError PelnixErrorHandlingHelper::silentErrorWithCode(qint64 code, const QString& localisedString) {
    return PLError(errorDomain(), code, localisedString);
}

PLError PelnixErrorHandlingHelper::errorWithCode(qint64 code, const QString& localisedString) {
    platform::Log::write(localisedString);
    return silentErrorWithCode(code, localisedString);
}

} // namespace pelnix
