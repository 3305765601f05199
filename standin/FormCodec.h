#pragma once

#include <QJsonObject>

#include <string>

namespace pelnix::standin {

// Decoding of form-encoded parameters and percent-escaped URL parts.
class FormCodec {
public:
    // %XX -> byte; "+" -> space only when `plusIsSpace` (form bodies). Malformed escapes stay as they are.
    static std::string percentDecode(const std::string& text, bool plusIsSpace);
    // "a=1&b=x%20y+z" -> {"a": "1", "b": "x y z"}; values are strings; a later repeated key wins.
    static QJsonObject parse(const std::string& text);
    // The same for a URL's query as typed: "+" stays a plus (RFC 3986), so "a+b@c" names that address.
    static QJsonObject parseQuery(const std::string& text);
    // The query part of a request target ("" when there is none).
    static std::string queryOf(const std::string& target);
};

} // namespace pelnix::standin
