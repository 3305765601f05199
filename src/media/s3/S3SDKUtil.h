#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QUrl>
#include <optional>

namespace pelnix {

inline constexpr const char* S3SDKVersion = "1.7.1";

// Shared helpers of the S3 runtime: user agent, URL encoding, hex text, MIME types, dates with the
// process-wide clock-skew correction.
class S3SDKUtil {
public:
    static QString userAgentString();
    static QString userAgentString(const QString& systemName, const QString& systemVersion,
                                   const QString& localeIdentifier);

    // Percent-encodes UTF-8 leaving only A-Z a-z 0-9 - . _ ~ bare (query parameters and object keys alike).
    static QString urlEncode(const QString& text);
    static QByteArray hexDecode(const QString& hex);
    static QString hexEncode(const QString& text);
    static QString hexEncodeData(const QByteArray& data);
    static QString MIMETypeForExtension(const QString& extension);

    static std::optional<double> convertStringToNumber(const QString& text);
    static QDateTime convertStringToDate(const QString& text);
    static QDateTime millisSinceEpochToDate(double millis);
    static QDateTime secondsSinceEpochToDate(double seconds);
    // Date patterns use the letters yyyy yy MM MMM dd EEE HH mm ss SSS z and quoted literals; GMT, en_US.
    // Parsing adds the clock skew, formatting subtracts it. Invalid QDateTime when the text does not match.
    static QDateTime convertStringToDate(const QString& text, const QString& format);
    static QString convertDateToString(const QDateTime& date, const QString& format);

    // Forces the scheme to "http" or "https"; another protocol raises S3ClientException.
    static QUrl URLWithURL(const QString& url, const QString& protocol);

    static QLocale timestampLocale();
    // Device clock minus service clock, seconds.
    static void setRuntimeClockSkew(double seconds);
    static double getRuntimeClockSkew();
};

} // namespace pelnix
