#include "S3ObjectService.h"

#include "FormCodec.h"
#include "S3Signature.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QUuid>

#include <cstdlib>

namespace pelnix::standin {

namespace {

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The host the client addressed, without the port.
std::string hostName(const httplib::Request& request) {
    std::string host = request.get_header_value("Host");
    if (!host.empty() && host.front() == '[')
        return host.substr(0, host.find(']') + 1);
    return host.substr(0, host.find(':'));
}

// "<bucket>.127.0.0.1" or "<bucket>.localhost" names the bucket in the host (virtual-host style).
std::string bucketFromHost(const std::string& host) {
    for (const std::string suffix : {".127.0.0.1", ".localhost"}) {
        if (host.size() > suffix.size() &&
            host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0)
            return host.substr(0, host.size() - suffix.size());
    }
    return {};
}

} // namespace

void S3ObjectService::error(httplib::Response& response, int status, const std::string& code,
                            const std::string& message, const std::string& extra) {
    const std::string requestId = QUuid::createUuid().toString(QUuid::Id128).left(16).toUpper().toStdString();
    response.status = status;
    response.set_header("x-amz-request-id", requestId);
    response.set_content("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>" + xmlEscaped(code) +
                             "</Code><Message>" + xmlEscaped(message) + "</Message>" + extra + "<RequestId>" +
                             requestId + "</RequestId></Error>",
                         "application/xml");
}

void S3ObjectService::install(httplib::Server& server) {
    auto handler = m_guard([this](const httplib::Request& q, httplib::Response& r) { handle(q, r); });
    server.Put(".*", handler);
    server.Get(".*", handler);
    server.Delete(".*", handler);
    server.Post(".*", handler);
}

void S3ObjectService::handle(const httplib::Request& request, httplib::Response& response) {
    // Like S3, every answer carries the service's clock, from which clients measure their skew.
    response.set_header("Date", S3Signature::formatHttpDate(QDateTime::currentMSecsSinceEpoch()));
    // The signature covers the path exactly as sent, so work from the raw target, not the decoded path.
    const std::string rawPath = request.target.substr(0, request.target.find('?'));
    std::string bucket = bucketFromHost(hostName(request));
    std::string encodedKey;
    std::string resource;
    if (!bucket.empty()) {
        encodedKey = rawPath.size() > 1 ? rawPath.substr(1) : std::string();
        resource = "/" + bucket + rawPath;
    } else {
        const size_t slash = rawPath.find('/', 1);
        bucket = FormCodec::percentDecode(
            rawPath.substr(1, slash == std::string::npos ? std::string::npos : slash - 1), false);
        encodedKey = slash == std::string::npos ? std::string() : rawPath.substr(slash + 1);
        resource = rawPath;
    }
    const std::string key = FormCodec::percentDecode(encodedKey, false);

    const std::string authorization = request.get_header_value("Authorization");
    if (authorization.rfind("AWS ", 0) != 0 || authorization.find(':') == std::string::npos)
        return error(response, 403, "AccessDenied", "Access Denied");
    const std::string credentials = authorization.substr(4);
    const size_t colon = credentials.rfind(':');
    const std::string accessKey = credentials.substr(0, colon);
    const std::string givenSignature = credentials.substr(colon + 1);
    const auto storageKey = m_context.store.storageKey(QString::fromStdString(accessKey));
    if (!storageKey)
        return error(response, 403, "InvalidAccessKeyId",
                     "The AWS Access Key Id you provided does not exist in our records.",
                     "<AWSAccessKeyId>" + xmlEscaped(accessKey) + "</AWSAccessKeyId>");

    std::string dateText = request.get_header_value("x-amz-date");
    if (dateText.empty())
        dateText = request.get_header_value("Date");
    const auto date = S3Signature::parseHttpDate(dateText);
    if (!date)
        return error(response, 403, "AccessDenied",
                     "AWS authentication requires a valid Date or x-amz-date header");
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (std::llabs(now - *date) > kAllowedSkewMs)
        return error(response, 403, "RequestTimeTooSkewed",
                     "The difference between the request time and the current time is too large.",
                     "<RequestTime>" + xmlEscaped(dateText) + "</RequestTime><ServerTime>" +
                         S3Signature::formatHttpDate(now) + "</ServerTime>");

    const std::string sessionToken = request.get_header_value("x-amz-security-token");
    if (sessionToken != storageKey->sessionToken.toStdString())
        return error(response, 400, "InvalidToken", "The provided token is malformed or otherwise invalid.");

    S3Signature::Headers headers;
    for (const auto& [name, value] : request.headers)
        headers.emplace_back(name, value);
    const std::string stringToSign = S3Signature::stringToSign(request.method, headers, resource);
    const std::string expected = S3Signature::sign(storageKey->secret.toStdString(), stringToSign);
    if (!S3Signature::matches(expected, givenSignature))
        return error(response, 403, "SignatureDoesNotMatch",
                     "The request signature we calculated does not match the signature you provided. "
                     "Check your key and signing method.",
                     "<StringToSign>" + xmlEscaped(stringToSign) + "</StringToSign>");

    if (bucket.empty() || key.empty())
        return error(response, 501, "NotImplemented", "Only object PUT and GET are served.");

    if (request.method == "PUT") {
        const QByteArray body = QByteArray::fromStdString(request.body);
        if (request.has_header("Content-MD5")) {
            const QByteArray given =
                QByteArray::fromBase64(QByteArray::fromStdString(request.get_header_value("Content-MD5")),
                                       QByteArray::AbortOnBase64DecodingErrors);
            if (given.size() != 16)
                return error(response, 400, "InvalidDigest", "The Content-MD5 you specified was invalid.");
            if (given != QCryptographicHash::hash(body, QCryptographicHash::Md5))
                return error(response, 400, "BadDigest",
                             "The Content-MD5 you specified did not match what we received.");
        }
        const QString etag =
            m_context.store.putObject(QString::fromStdString(bucket), QString::fromStdString(key),
                                      QString::fromStdString(request.get_header_value("Content-Type")), body);
        response.set_header("ETag", "\"" + etag.toStdString() + "\"");
        response.status = 200;
        return;
    }
    if (request.method == "GET") {
        const auto object =
            m_context.store.object(QString::fromStdString(bucket), QString::fromStdString(key));
        if (!object)
            return error(response, 404, "NoSuchKey", "The specified key does not exist.",
                         "<Key>" + xmlEscaped(key) + "</Key>");
        response.set_header("ETag", "\"" + object->etag.toStdString() + "\"");
        response.set_content(object->data.toStdString(), object->contentType.isEmpty()
                                                             ? "binary/octet-stream"
                                                             : object->contentType.toStdString());
        return;
    }
    error(response, 405, "MethodNotAllowed", "The specified method is not allowed against this resource.");
}

} // namespace pelnix::standin
