#include "S3Signature.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QMessageAuthenticationCode>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <strings.h>

namespace pelnix::standin {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string headerValue(const S3Signature::Headers& headers, const std::string& name) {
    for (const auto& [key, value] : headers) {
        if (lower(key) == name)
            return trimmed(value);
    }
    return {};
}

} // namespace

std::string S3Signature::stringToSign(const std::string& method, const Headers& headers,
                                      const std::string& canonicalResource) {
    std::string text = method + "\n";
    text += headerValue(headers, "content-md5") + "\n";
    text += headerValue(headers, "content-type") + "\n";
    // x-amz-date, when present, is the signed date (among the amz headers) and the Date line stays
    // empty: some clients cannot set Date themselves.
    const bool amzDate = std::any_of(headers.begin(), headers.end(),
                                     [](const auto& header) { return lower(header.first) == "x-amz-date"; });
    text += (amzDate ? std::string() : headerValue(headers, "date")) + "\n";
    std::map<std::string, std::string> amz;
    for (const auto& [key, value] : headers) {
        const std::string name = lower(key);
        if (name.rfind("x-amz-", 0) != 0)
            continue;
        auto& joined = amz[name];
        joined += (joined.empty() ? "" : ",") + trimmed(value);
    }
    for (const auto& [name, value] : amz)
        text += name + ":" + value + "\n";
    return text + canonicalResource;
}

std::string S3Signature::sign(const std::string& secretKey, const std::string& stringToSign) {
    const QByteArray mac =
        QMessageAuthenticationCode::hash(QByteArray::fromStdString(stringToSign),
                                         QByteArray::fromStdString(secretKey), QCryptographicHash::Sha1);
    return mac.toBase64().toStdString();
}

bool S3Signature::matches(const std::string& expected, const std::string& given) {
    if (expected.size() != given.size())
        return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        difference |= static_cast<unsigned char>(expected[i] ^ given[i]);
    return difference == 0;
}

std::optional<qint64> S3Signature::parseHttpDate(const std::string& text) {
    char weekday[8] = {}, month[8] = {}, zone[16] = {};
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(text.c_str(), "%7[A-Za-z], %d %7s %d %d:%d:%d %15s", weekday, &day, month, &year, &hour,
                    &minute, &second, zone) != 8)
        return std::nullopt;
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int monthIndex = -1;
    for (int i = 0; i < 12; ++i) {
        if (strcasecmp(month, months[i]) == 0)
            monthIndex = i;
    }
    if (monthIndex < 0 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60 || year < 1970)
        return std::nullopt;
    long offsetSeconds = 0;
    const std::string zoneText = zone;
    if (zoneText == "GMT" || zoneText == "UTC" || zoneText == "UT" || zoneText == "Z") {
        offsetSeconds = 0;
    } else if (zoneText.size() == 5 && (zoneText[0] == '+' || zoneText[0] == '-') &&
               std::all_of(zoneText.begin() + 1, zoneText.end(),
                           [](unsigned char c) { return std::isdigit(c); })) {
        offsetSeconds = (std::stol(zoneText.substr(1, 2)) * 60 + std::stol(zoneText.substr(3, 2))) * 60;
        if (zoneText[0] == '-')
            offsetSeconds = -offsetSeconds;
    } else {
        return std::nullopt;
    }
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = monthIndex;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    const time_t seconds = timegm(&parts);
    return (qint64(seconds) - offsetSeconds) * 1000;
}

std::string S3Signature::formatHttpDate(qint64 msecsSinceEpoch) {
    const time_t seconds = time_t(msecsSinceEpoch / 1000);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s, %02d %s %04d %02d:%02d:%02d GMT", days[parts.tm_wday],
                  parts.tm_mday, months[parts.tm_mon], parts.tm_year + 1900, parts.tm_hour, parts.tm_min,
                  parts.tm_sec);
    return buffer;
}

} // namespace pelnix::standin
