#include "media/s3/S3Client.h"

#include "media/s3/S3AuthUtils.h"
#include "media/s3/S3Connection.h"
#include "media/s3/S3Endpoints.h"
#include "media/s3/S3ErrorHandler.h"
#include "media/s3/S3Logger.h"
#include "media/s3/S3ServiceException.h"

#include <QUrlQuery>
#include <algorithm>

namespace pelnix {

namespace {
const QString kDefaultContentType = QStringLiteral("application/x-www-form-urlencoded; charset=utf-8");
const QString kTokenHeader = QStringLiteral("x-amz-security-token");
// The scheme word of the keyed-hash Authorization header, fixed by the protocol.
const QString kAuthorizationScheme = QStringLiteral("AWS");

// The query parameters the keyed-hash scheme signs: sub-resources and response-header overrides.
const QStringList kSignedSubResources = {
    QStringLiteral("acl"),
    QStringLiteral("lifecycle"),
    QStringLiteral("location"),
    QStringLiteral("logging"),
    QStringLiteral("notification"),
    QStringLiteral("partNumber"),
    QStringLiteral("policy"),
    QStringLiteral("requestPayment"),
    QStringLiteral("torrent"),
    QStringLiteral("uploadId"),
    QStringLiteral("uploads"),
    QStringLiteral("versionId"),
    QStringLiteral("versioning"),
    QStringLiteral("versions"),
    QStringLiteral("website"),
    QStringLiteral("response-content-type"),
    QStringLiteral("response-content-language"),
    QStringLiteral("response-expires"),
    QStringLiteral("response-cache-control"),
    QStringLiteral("response-content-disposition"),
    QStringLiteral("response-content-encoding"),
};

// The resource signed for an address a redirect named on the request's own server: the bucket when
// the host names it, the path as sent, and the signed sub-resources of its query in name order.
QString redirectedResource(const S3Request& request, const QUrl& target) {
    QString resource = target.path(QUrl::FullyEncoded);
    if (resource.isEmpty())
        resource = QStringLiteral("/");
    const QString bucketLabel = request.bucket() + QLatin1Char('.');
    if (!request.bucket().isEmpty() && target.host().startsWith(bucketLabel, Qt::CaseInsensitive))
        resource.prepend(QLatin1Char('/') + request.bucket());
    QList<QPair<QString, QString>> signedItems;
    for (const auto& item : QUrlQuery(target).queryItems(QUrl::FullyDecoded))
        if (kSignedSubResources.contains(item.first))
            signedItems.append(item);
    std::stable_sort(signedItems.begin(), signedItems.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList parts;
    for (const auto& [name, value] : signedItems)
        parts << (value.isEmpty() ? name : name + QLatin1Char('=') + value);
    if (!parts.isEmpty())
        resource += QLatin1Char('?') + parts.join(QLatin1Char('&'));
    return resource;
}
} // namespace

std::unique_ptr<S3Client> S3Client::copy() const {
    auto client = std::make_unique<S3Client>();
    client->copySettingsFrom(*this);
    return client;
}

std::shared_ptr<S3Response> S3Client::putObject(const std::shared_ptr<S3PutObjectRequest>& request) {
    return invoke(request);
}

S3Credentials S3Client::credentialsFor(const S3Request& request) const {
    if (request.credentials())
        return *request.credentials();
    return m_provider ? m_provider->credentials() : S3Credentials();
}

QString S3Client::stringToSign(const S3Request& request) const {
    return stringToSignOf(request);
}

QString S3Client::stringToSignOf(const S3Request& request, const QString& redirectedResource) {
    const S3URLRequest& url = request.urlRequest();
    auto header = [&](const char* name) {
        const QString value = url.valueForHTTPHeaderField(QLatin1String(name));
        return value.isNull() ? QString() : value;
    };
    S3HeaderList headers = url.allHTTPHeaderFields();
    std::stable_sort(headers.begin(), headers.end(), [](const auto& a, const auto& b) {
        return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
    });
    QString amzHeaders;
    for (const auto& h : headers) {
        const QString name = h.first.toLower();
        if (name.startsWith(QLatin1String("x-amz-")))
            amzHeaders += name + QLatin1Char(':') + h.second + QLatin1Char('\n');
    }
    QString resource = redirectedResource;
    if (resource.isNull()) {
        if (!request.key().isEmpty())
            resource = QStringLiteral("/%1/%2").arg(request.bucket(), request.encodedKey());
        else if (!request.bucket().isEmpty())
            resource = QStringLiteral("/%1/").arg(request.bucket());
        else
            resource = QStringLiteral("/");
    }
    const QUrl target = url.url();
    if (redirectedResource.isNull() && target.hasQuery() && !target.query(QUrl::FullyEncoded).isEmpty())
        resource += QLatin1Char('?') + QUrl::fromPercentEncoding(target.query(QUrl::FullyEncoded).toUtf8());
    return QStringLiteral("%1\n%2\n%3\n%4\n%5%6")
        .arg(url.httpMethod(), header("Content-MD5"), header("Content-Type"), header("Date"), amzHeaders,
             resource);
}

S3URLRequest& S3Client::signS3Request(S3Request& request) {
    return signS3Request(request, credentialsFor(request));
}

S3URLRequest& S3Client::signS3Request(S3Request& request, const S3Credentials& credentials,
                                      const QUrl& redirected) {
    S3URLRequest& url = request.configureURLRequest();
    QString resource;
    if (!redirected.isEmpty()) {
        // The Host header names a server, never a user of it.
        const QUrl address = redirected.adjusted(QUrl::RemoveUserInfo);
        url.setURL(address);
        url.setValueForHTTPHeaderField(address.authority(QUrl::FullyEncoded), QStringLiteral("Host"));
        resource = redirectedResource(request, address);
    }
    if (url.valueForHTTPHeaderField(QStringLiteral("Content-Type")).isNull())
        url.setValueForHTTPHeaderField(kDefaultContentType, QStringLiteral("Content-Type"));
    // Peers drop the blanks around a header value before they check the signature; sign what they see.
    url.trimHeaderValues();
    const QString text = stringToSignOf(request, resource);
    if (S3Logger::isVerboseLoggingEnabled()) {
        // The security token is part of the signed text but never of a log line.
        QString shown = text;
        const QString token = url.valueForHTTPHeaderField(kTokenHeader);
        if (!token.isEmpty())
            shown.replace(token, QString::fromLatin1(kMaskedHeaderValue));
        S3Logger::logDebug(QStringLiteral("In SignURLRequest: String to Sign = [%1]").arg(shown));
    }
    const QString signature =
        S3AuthUtils::HMACSign(text.toUtf8(), credentials.secretKey(), S3AuthUtils::SHA1);
    url.addEarlierAuthorization(url.valueForHTTPHeaderField(QStringLiteral("Authorization")));
    url.setValueForHTTPHeaderField(
        QStringLiteral("%1 %2:%3").arg(kAuthorizationScheme, credentials.accessKey(), signature),
        QStringLiteral("Authorization"));
    // What the request was signed with, so that whatever comes back can be cleared of it.
    url.setCredentials(credentials);
    return url;
}

bool S3Client::signForRedirect(S3Request& request, const S3Credentials& credentials, const QUrl& target) {
    if (S3Connection::isSameServer(target, request.urlRequest().url())) {
        // A signature covers the resource it asks for: another path or query is signed for anew.
        signS3Request(request, credentials, target);
        return !malformedHeaderReason(request.urlRequest());
    }
    const QString scheme = target.scheme().toLower();
    const bool wasSecure = request.protocol() == QLatin1String("https");
    if (scheme != QLatin1String("https") && (scheme != QLatin1String("http") || wasSecure))
        return false;
    const QUrl current(request.protocol() + QStringLiteral("://") + request.hostName());
    const auto portOf = &S3Connection::portOf;
    if (!current.isValid() || portOf(target) != portOf(current) || !target.userInfo().isEmpty())
        return false;
    QString host = target.host().toLower();
    const QString bucketLabel = request.bucket().toLower() + QLatin1Char('.');
    if (!request.bucket().isEmpty() && host.startsWith(bucketLabel))
        host = host.mid(bucketLabel.size());
    QStringList serviceHosts{current.host().toLower()};
    for (int region = 0; region <= 7; ++region)
        serviceHosts << QUrl(S3Endpoints::s3Endpoint(region, wasSecure)).host().toLower();
    if (host.isEmpty() || !serviceHosts.contains(host))
        return false;
    const QString previous = request.endpoint();
    request.setEndpoint(
        QStringLiteral("%1://%2%3")
            .arg(scheme, host, target.port() >= 0 ? QStringLiteral(":%1").arg(target.port()) : QString()));
    signS3Request(request, credentials);
    // Followed only where this request's own address for that endpoint is what the service named.
    const QUrl rebuilt = request.urlRequest().url();
    const bool named = rebuilt.host().compare(target.host(), Qt::CaseInsensitive) == 0 &&
                       portOf(rebuilt) == portOf(target) && rebuilt.scheme() == scheme;
    if (!named || unsendableReason(request)) {
        request.setEndpoint(previous);
        signS3Request(request, credentials);
        return false;
    }
    S3Logger::logInfo(QStringLiteral("Signed again for %1").arg(request.endpoint()));
    return true;
}

void S3Client::logRequest(const S3Request& request) const {
    if (!S3Logger::isVerboseLoggingEnabled())
        return;
    const S3URLRequest& url = request.urlRequest();
    logTheRequestHeaders(url);
    // The body is the file being stored: its size only.
    S3Logger::logDebug(QStringLiteral("Request body: "));
    S3Logger::logDebug(QStringLiteral("%1 bytes").arg(url.httpBody().size()));
}

std::shared_ptr<S3Response> S3Client::finish(const std::shared_ptr<S3ServiceResponse>& response) {
    if (S3ExceptionPtr exception = response->exception()) {
        S3Logger::logInfo(QStringLiteral("Request threw exception: %1").arg(exception->description()));
        if (const auto* service = dynamic_cast<const S3ServiceException*>(exception.get());
            service && exception->className() == QLatin1String("S3ServiceException"))
            S3Logger::logInfo(QStringLiteral("HTTP: %1, S3 Error Code: %2")
                                  .arg(service->statusCode())
                                  .arg(service->errorCode()));
        S3Logger::logInfo(QStringLiteral("Reason: %1").arg(exception->reason()));
        response->setError(S3ErrorHandler::errorFromExceptionWithThrowsExceptionOption(exception));
    }
    return std::dynamic_pointer_cast<S3Response>(response);
}

S3ExceptionPtr S3Client::unsendableReason(const S3Request& request) {
    const S3URLRequest& url = request.urlRequest();
    if (S3ExceptionPtr malformed = malformedHeaderReason(url))
        return malformed;
    // Qt's HTTP layer removes "." and ".." path segments (a key "." would go to the bucket itself),
    // so the path is checked as it will be sent against the path that was signed.
    const QString built = request.encodedPath();
    const QString sent =
        QString::fromUtf8(url.url().toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveQuery |
                                              QUrl::RemoveFragment | QUrl::NormalizePathSegments));
    if (sent != built)
        return std::make_shared<S3ClientException>(
            QStringLiteral("The request cannot be sent: its path \"%1\" would reach the server as \"%2\".")
                .arg(built, sent));
    return nullptr;
}

std::shared_ptr<S3Response> S3Client::refuse(const S3ExceptionPtr& exception) {
    auto response = std::make_shared<S3Response>();
    response->setError(S3ErrorHandler::errorFromExceptionWithThrowsExceptionOption(exception));
    return response;
}

std::shared_ptr<S3Response> S3Client::invoke(const std::shared_ptr<S3Request>& request) {
    if (!request)
        return refuse(std::make_shared<S3ClientException>(QStringLiteral("Request cannot be nil.")));
    if (S3ExceptionPtr invalid = request->validate())
        return refuse(invalid);
    request->setUserAgent(userAgent());
    if (request->endpoint().isNull())
        request->setEndpoint(m_endpoint);
    // A token set by the caller is kept; one taken from the credentials is read again on every
    // attempt, so that it always travels with the secret it belongs to after a refresh.
    const bool callerToken = !request->securityToken().isNull();
    S3Logger::logDebug(QStringLiteral("Begin Request: %1").arg(request->className()));

    std::shared_ptr<S3ServiceResponse> response;
    bool clockCorrected = false;
    for (qint64 attempt = 0; attempt < m_maxRetries; ++attempt) {
        if (attempt > 0)
            request->setDate(QDateTime::currentDateTimeUtc());
        const S3Credentials credentials = credentialsFor(*request);
        if (!callerToken)
            request->setSecurityToken(credentials.securityToken().isEmpty() ? QString()
                                                                            : credentials.securityToken());
        S3URLRequest& url = signS3Request(*request, credentials);
        if (S3ExceptionPtr unsendable = unsendableReason(*request))
            return refuse(unsendable);
        url.setTimeoutInterval(m_connectionTimeout != 0 ? m_connectionTimeout : m_timeout);
        logRequest(*request);
        response = constructResponseFromRequest(*request);
        response->setRequest(request);

        auto* connection = new S3Connection(request, response, m_timeout, m_connectionHost);
        connection->setRedirectSigner([request, credentials](const QUrl& target) {
            return signForRedirect(*request, credentials, target);
        });
        if (request->delegate()) {
            response->setIsAsyncCall(true);
            connection->start();
            return nullptr;
        }
        response->setIsAsyncCall(false);
        runUntilEnded(connection);
        S3Logger::logDebug(QStringLiteral("Response Status Code : %1").arg(response->httpStatusCode()));

        if (!shouldRetry(*response) || !firstClockCorrection(*response, clockCorrected)) {
            if (response->exception())
                return finish(response);
            break;
        }
        S3Logger::logDebug(QStringLiteral("Retrying Request: %1").arg(attempt));
        pauseExponentially(int(attempt));
    }

    if (!response) {
        // No attempt was made (maxRetries below 1): that is a failure, not an empty success.
        response = constructResponseFromRequest(*request);
        response->setRequest(request);
        response->setException(
            std::make_shared<S3ClientException>(QStringLiteral("Unknown error occurred.")));
    }
    if (response->exception())
        return finish(response);
    auto s3 = std::dynamic_pointer_cast<S3Response>(response);
    S3Logger::logInfo(QStringLiteral("Received response from server. RequestId: %1. HTTP: %2. Id2: %3.")
                          .arg(response->requestId())
                          .arg(response->httpStatusCode())
                          .arg(s3 ? s3->id2() : QString()));
    S3Logger::logInfo(QStringLiteral("Response [%1]").arg(response->description()));
    return s3;
}

} // namespace pelnix
