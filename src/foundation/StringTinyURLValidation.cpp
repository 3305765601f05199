#include "foundation/StringTinyURLValidation.h"

namespace pelnix::TinyURLValidation {

bool isValidTinyURL(const QString& url) {
    if (url.isNull())
        return false;
    return !url.contains(QLatin1String("profiles/dummy/profile")) &&
           !url.contains(QLatin1String("images/pattern"));
}

} // namespace pelnix::TinyURLValidation
