#include "FormCodec.h"

#include <cctype>

namespace pelnix::standin {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "name=value" pairs split at "&", each side decoded.
QJsonObject pairs(const std::string& text, bool plusIsSpace) {
    QJsonObject values;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string pair = text.substr(start, end - start);
        if (!pair.empty()) {
            const size_t equals = pair.find('=');
            const std::string key = FormCodec::percentDecode(pair.substr(0, equals), plusIsSpace);
            const std::string value = equals == std::string::npos
                                          ? ""
                                          : FormCodec::percentDecode(pair.substr(equals + 1), plusIsSpace);
            values.insert(QString::fromStdString(key), QString::fromStdString(value));
        }
        start = end + 1;
    }
    return values;
}

} // namespace

std::string FormCodec::percentDecode(const std::string& text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(char(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(plusIsSpace && c == '+' ? ' ' : c);
    }
    return out;
}

QJsonObject FormCodec::parse(const std::string& text) {
    return pairs(text, true);
}

QJsonObject FormCodec::parseQuery(const std::string& text) {
    return pairs(text, false);
}

std::string FormCodec::queryOf(const std::string& target) {
    const size_t mark = target.find('?');
    return mark == std::string::npos ? std::string() : target.substr(mark + 1);
}

} // namespace pelnix::standin
