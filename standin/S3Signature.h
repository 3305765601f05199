#pragma once

#include <QtGlobal>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pelnix::standin {

// Signature version 2 of the S3 object API: the string to sign and its keyed hash.
class S3Signature {
public:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    // "METHOD\nContent-MD5\nContent-Type\nDate\n" + the sorted lower-case x-amz-* headers (values
    // trimmed, repeated headers comma-joined) + the canonical resource ("/bucket/encoded-key"). The
    // Date line is empty when the request carries x-amz-date.
    static std::string stringToSign(const std::string& method, const Headers& headers,
                                    const std::string& canonicalResource);
    // Base64 of HMAC-SHA1 over the string, keyed with the secret's UTF-8 bytes.
    static std::string sign(const std::string& secretKey, const std::string& stringToSign);
    // Constant-time comparison of two signatures.
    static bool matches(const std::string& expected, const std::string& given);
    // An HTTP date ("Tue, 14 Nov 2023 22:13:20 GMT", also "+0000"-style zones) in ms since 1970.
    static std::optional<qint64> parseHttpDate(const std::string& text);
    static std::string formatHttpDate(qint64 msecsSinceEpoch);
};

} // namespace pelnix::standin
