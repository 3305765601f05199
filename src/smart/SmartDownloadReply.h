#pragma once

#include "platform/PLError.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace pelnix {

// Reads the reply of one smart-message download (stylesheets, forms, chatlet catalogue): a JSON
// object, or the server's failure {"error", "reason", "statusCode"}.
struct SmartDownloadReply {
    QJsonObject object;
    PLOptionalError error;
    QString message;

    bool ok() const { return !error; }
    // The failure as a log line shows it: the error's domain and code. The message is the server's
    // text or a transport's description, which names the address asked for.
    QString loggable() const;

    // `transportError` wins; then the "error" object; then a body that is no JSON object. The message
    // is the error's text, or the localized `defaultText`.
    static SmartDownloadReply read(const QByteArray& data, const PLOptionalError& transportError,
                                   const QString& defaultText);
};

} // namespace pelnix
