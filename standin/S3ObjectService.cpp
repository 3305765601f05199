#include "S3ObjectService.h"

#include "FormCodec.h"
#include "S3Signature.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QJsonObject>
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

// "<bucket>.127.0.0.1", "<bucket>.s3.localhost" or "<bucket>.localhost" names the bucket in the host
// (virtual-host style). s3.localhost is a name the endpoint can be given under which clients prefix
// buckets, as they do for a domain but not for an address or a single-label name.
std::string bucketFromHost(const std::string& host) {
    if (host == "s3.localhost")
        return {};
    for (const std::string suffix : {".127.0.0.1", ".s3.localhost", ".localhost"}) {
        if (host.size() > suffix.size() &&
            host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0)
            return host.substr(0, host.size() - suffix.size());
    }
    return {};
}

} // namespace

void S3ObjectService::error(const httplib::Request& request, httplib::Response& response, int status,
                            const std::string& code, const std::string& message, const std::string& extra) {
    const std::string requestId = QUuid::createUuid().toString(QUuid::Id128).left(16).toUpper().toStdString();
    const std::string resource = request.target.substr(0, request.target.find('?'));
    response.status = status;
    response.set_header("x-amz-request-id", requestId);
    response.set_content("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>" + xmlEscaped(code) +
                             "</Code><Message>" + xmlEscaped(message) + "</Message><Resource>" +
                             xmlEscaped(resource) + "</Resource>" + extra + "<RequestId>" + requestId +
                             "</RequestId></Error>",
                         "application/xml");
}

void S3ObjectService::refuseBody(const httplib::Request& request, httplib::Response& response,
                                 RequestBody::Outcome outcome) {
    switch (outcome) {
    case RequestBody::Outcome::TooLarge:
        return error(request, response, 400, "EntityTooLarge",
                     "The body is larger than this service accepts.");
    case RequestBody::Outcome::Unsupported:
        return error(request, response, 501, "NotImplemented", "Multipart form bodies are not stored.");
    case RequestBody::Outcome::Unreadable:
    case RequestBody::Outcome::Complete:
        return error(request, response, 400, "IncompleteBody", "The body ended before it was complete.");
    }
}

void S3ObjectService::install(httplib::Server& server) {
    const auto withBody = m_guard.streaming(
        [this](const httplib::Request& q, httplib::Response& r, RequestBody& body) { handle(q, r, &body); });
    server.Put(".*", withBody);
    server.Post(".*", withBody);
    server.Delete(".*", withBody);
    // GET routes also serve HEAD.
    server.Get(".*",
               m_guard([this](const httplib::Request& q, httplib::Response& r) { handle(q, r, nullptr); }));
}

void S3ObjectService::handle(const httplib::Request& request, httplib::Response& response,
                             RequestBody* body) {
    auto fail = [&](int status, const std::string& code, const std::string& message,
                    const std::string& extra = {}) {
        error(request, response, status, code, message, extra);
    };
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
    if (authorization.rfind("AWS4-", 0) == 0 || request.has_param("X-Amz-Algorithm"))
        return fail(400, "InvalidRequest",
                    "Signature version 4 is not supported here: sign the request with signature version 2 "
                    "(Authorization: AWS <access key>:<signature>).");
    if (authorization.rfind("AWS ", 0) != 0 || authorization.find(':') == std::string::npos)
        return fail(403, "AccessDenied", "The request carries no signature.");
    const std::string credentials = authorization.substr(4);
    const size_t colon = credentials.rfind(':');
    const std::string accessKey = credentials.substr(0, colon);
    const std::string givenSignature = credentials.substr(colon + 1);
    const auto storageKey = m_context.store.storageKey(QString::fromStdString(accessKey));
    if (!storageKey)
        return fail(403, "InvalidAccessKeyId", "No storage key has this access key ID.");

    std::string dateText = request.get_header_value("x-amz-date");
    if (dateText.empty())
        dateText = request.get_header_value("Date");
    const auto date = S3Signature::parseHttpDate(dateText);
    if (!date)
        return fail(403, "AccessDenied", "The request needs a valid Date or x-amz-date header.");
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (std::llabs(now - *date) > kAllowedSkewMs)
        return fail(403, "RequestTimeTooSkewed", "The request's date is too far from this service's clock.",
                    "<RequestTime>" + xmlEscaped(dateText) + "</RequestTime><ServerTime>" +
                        S3Signature::formatHttpDate(now) + "</ServerTime>");

    const std::string sessionToken = request.get_header_value("x-amz-security-token");
    if (sessionToken != storageKey->sessionToken.toStdString())
        return fail(400, "InvalidToken", "The security token does not belong to this access key.");

    S3Signature::Headers headers;
    for (const auto& [name, value] : request.headers)
        headers.emplace_back(name, value);
    const std::string stringToSign = S3Signature::stringToSign(request.method, headers, resource);
    const std::string expected = S3Signature::sign(storageKey->secret.toStdString(), stringToSign);
    if (!S3Signature::matches(expected, givenSignature))
        return fail(403, "SignatureDoesNotMatch", "The signature does not match the request and the key.",
                    "<StringToSign>" + xmlEscaped(stringToSign) + "</StringToSign>");

    if (bucket.empty() || key.empty())
        return fail(501, "NotImplemented", "Only objects are served: PUT, GET and HEAD.");
    if (key.size() > kMaxKeyBytes)
        return fail(400, "KeyTooLongError", "The key is longer than 1,024 bytes.");

    if (request.method == "PUT" && body)
        return putObject(request, response, *body, bucket, key);
    if (request.method == "GET" || request.method == "HEAD") {
        const auto object =
            m_context.store.object(QString::fromStdString(bucket), QString::fromStdString(key));
        if (!object)
            return fail(404, "NoSuchKey", "No object has this key.", "<Key>" + xmlEscaped(key) + "</Key>");
        response.set_header("ETag", "\"" + object->etag.toStdString() + "\"");
        response.set_header("Last-Modified", S3Signature::formatHttpDate(object->body->modifiedMsecs()));
        for (auto it = object->metadata.begin(); it != object->metadata.end(); ++it)
            response.set_header(it.key().toStdString(), it.value().toString().toStdString());
        ObjectFile::serve(object->body, response,
                          object->contentType.isEmpty() ? "binary/octet-stream"
                                                        : object->contentType.toStdString());
        return;
    }
    fail(405, "MethodNotAllowed", "This method is not served for objects.");
}

void S3ObjectService::putObject(const httplib::Request& request, httplib::Response& response,
                                RequestBody& body, const std::string& bucket, const std::string& key) {
    auto fail = [&](int status, const std::string& code, const std::string& message) {
        error(request, response, status, code, message);
    };
    QByteArray givenDigest;
    if (request.has_header("Content-MD5")) {
        givenDigest =
            QByteArray::fromBase64(QByteArray::fromStdString(request.get_header_value("Content-MD5")),
                                   QByteArray::AbortOnBase64DecodingErrors);
        if (givenDigest.size() != 16)
            return fail(400, "InvalidDigest", "The Content-MD5 header is not a valid digest.");
    }
    const QString path = m_context.store.newObjectFilePath();
    auto file = ObjectFile::create(path);
    if (!file)
        return fail(500, "InternalError", "The object could not be stored.");
    // A failed write still reads the body to its end, so the answer can be sent on a clean connection.
    bool written = true;
    const auto outcome = body.read([&](const char* data, size_t size) {
        written = written && file->append(data, size);
        return true;
    });
    written = file->finish() && written;
    const QByteArray digest = file->md5();
    const QString etag = file->md5Hex();
    file.reset();
    if (outcome != RequestBody::Outcome::Complete || !written ||
        (!givenDigest.isEmpty() && givenDigest != digest)) {
        QFile::remove(path);
        if (outcome != RequestBody::Outcome::Complete)
            return; // the guard answers
        if (!written)
            return fail(500, "InternalError", "The object could not be stored.");
        return fail(400, "BadDigest", "The Content-MD5 header does not match the body.");
    }

    QJsonObject metadata;
    for (const auto& [name, value] : request.headers) {
        const QString lower = QString::fromStdString(name).toLower();
        if (!lower.startsWith("x-amz-meta-"))
            continue;
        const QString previous = metadata.value(lower).toString();
        metadata.insert(lower, previous.isEmpty() ? QString::fromStdString(value)
                                                  : previous + "," + QString::fromStdString(value));
    }
    if (!m_context.store.putObject(QString::fromStdString(bucket), QString::fromStdString(key),
                                   QString::fromStdString(request.get_header_value("Content-Type")), metadata,
                                   path, etag))
        return fail(500, "InternalError", "The object could not be stored.");
    response.set_header("ETag", "\"" + etag.toStdString() + "\"");
    response.status = 200;
}

} // namespace pelnix::standin
