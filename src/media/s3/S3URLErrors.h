#pragma once

#include "platform/PLError.h"

#include <QNetworkReply>

namespace pelnix {

inline constexpr const char* S3URLErrorDomain = "NSURLErrorDomain";

// Transport failures as URL-loading error codes, the form the retry rules and uploaders read.
class S3URLErrors {
public:
    static constexpr int Unknown = -1;
    static constexpr int Cancelled = -999;
    static constexpr int BadURL = -1000;
    static constexpr int TimedOut = -1001;
    static constexpr int CannotFindHost = -1003;
    static constexpr int CannotConnectToHost = -1004;
    static constexpr int NetworkConnectionLost = -1005;
    static constexpr int HTTPTooManyRedirects = -1007;
    static constexpr int NotConnectedToInternet = -1009;
    static constexpr int CannotParseResponse = -1017;
    static constexpr int SecureConnectionFailed = -1200;

    static int codeFor(QNetworkReply::NetworkError error);
    // True for Qt's reply errors that stand for an HTTP status rather than a transport failure.
    static bool isHttpStatusError(QNetworkReply::NetworkError error);
    static PLError errorFor(QNetworkReply::NetworkError error, const QString& description);
};

} // namespace pelnix
