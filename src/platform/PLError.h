#pragma once

#include <QString>
#include <QVariantMap>
#include <optional>

namespace pelnix {

// An error value: a domain, a code, a localized description and free-form user info.
struct PLError {
    QString domain;
    qint64 code = 0;
    QString localizedDescription;
    QVariantMap userInfo;

    PLError() = default;
    PLError(QString domain, qint64 code, QString description = {}, QVariantMap userInfo = {});

    bool operator==(const PLError& other) const = default;
    QString debugText() const;
    // Domain and code only: a description may carry an address or a server's words, which no log line
    // holds.
    QString logText() const;
};

using PLOptionalError = std::optional<PLError>;

} // namespace pelnix
