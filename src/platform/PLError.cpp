#include "platform/PLError.h"

namespace pelnix {

PLError::PLError(QString domain, qint64 code, QString description, QVariantMap userInfo)
    : domain(std::move(domain)), code(code), localizedDescription(std::move(description)),
      userInfo(std::move(userInfo)) {}

QString PLError::debugText() const {
    return QStringLiteral("Error Domain=%1 Code=%2 \"%3\"").arg(domain).arg(code).arg(localizedDescription);
}

QString PLError::logText() const {
    return QStringLiteral("Error Domain=%1 Code=%2").arg(domain).arg(code);
}

} // namespace pelnix
