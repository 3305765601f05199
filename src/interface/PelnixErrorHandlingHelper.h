#pragma once

#include "platform/PLError.h"

#include <QString>

namespace pelnix {

// The error codes the library gives the host, all in the library's own domain.
enum PelnixErrorCode : qint64 {
    PelnixErrorParametersNotSet = -1000,
    PelnixErrorInvalidGroupID = -1001,
    PelnixErrorNotInitialized = -1003,
    PelnixErrorSessionActive = -1004,
    PelnixErrorPasscodeAlreadyEnabled = -1005,
    PelnixErrorPasscodeNotEnabled = -1006,
    PelnixErrorNetworkNotAvailable = -1007,
    PelnixErrorProfile = -1009,
};

// Builds the errors handed to the host.
class PelnixErrorHandlingHelper {
public:
    // An error of the library's domain with `code` and the (already localized) text as its
    // description; with logging on, the text is also logged as "Pelnix : <text>".
    static PLError errorWithCode(qint64 code, const QString& localisedString);
    // The same error without the log line (the parameter check and the cancelled login log their
    // own lines).
    static PLError silentErrorWithCode(qint64 code, const QString& localisedString);
    // The library's error domain: the bundle identifier.
    static QString errorDomain();
};

} // namespace pelnix
