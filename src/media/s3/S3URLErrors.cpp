#include "media/s3/S3URLErrors.h"

namespace pelnix {

int S3URLErrors::codeFor(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::NoError:
        return 0;
    case QNetworkReply::TimeoutError:
        return TimedOut;
    case QNetworkReply::RemoteHostClosedError:
        return NetworkConnectionLost;
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ProxyNotFoundError:
        return CannotFindHost;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError:
        return CannotConnectToHost;
    case QNetworkReply::ProxyConnectionClosedError:
        return NetworkConnectionLost;
    case QNetworkReply::ProxyTimeoutError:
        return TimedOut;
    case QNetworkReply::OperationCanceledError:
        return Cancelled;
    case QNetworkReply::SslHandshakeFailedError:
        return SecureConnectionFailed;
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return NotConnectedToInternet;
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return HTTPTooManyRedirects;
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::ProtocolUnknownError:
        return CannotParseResponse;
    default:
        return Unknown;
    }
}

bool S3URLErrors::isHttpStatusError(QNetworkReply::NetworkError error) {
    // Qt maps 400 to ProtocolInvalidOperationError and 407 to ProxyAuthenticationRequiredError.
    if (error == QNetworkReply::ProtocolInvalidOperationError ||
        error == QNetworkReply::ProxyAuthenticationRequiredError)
        return true;
    const int code = static_cast<int>(error);
    return (code >= 201 && code <= 299) || (code >= 401 && code <= 499);
}

PLError S3URLErrors::errorFor(QNetworkReply::NetworkError error, const QString& description) {
    return PLError(QString::fromLatin1(S3URLErrorDomain), codeFor(error), description,
                   {{QStringLiteral("NSLocalizedDescription"), description}});
}

} // namespace pelnix
