#include "media/s3/S3SDKUtil.h"

#include "media/s3/S3ClientException.h"

#include <QHash>
#include <QSysInfo>
#include <QTimeZone>
#include <atomic>
#include <cmath>

namespace pelnix {

namespace {

std::atomic<double> g_clockSkew{0.0};

const char* const kDayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct Token {
    QChar letter; // null for a literal
    int count = 0;
    QString literal;
};

QList<Token> tokenize(const QString& format) {
    QList<Token> tokens;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            const qsizetype end = format.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype stop = end < 0 ? format.size() : end;
            tokens.append({QChar(), 0, format.mid(i + 1, stop - i - 1)});
            i = stop + 1;
        } else if (c.isLetter()) {
            qsizetype j = i;
            while (j < format.size() && format.at(j) == c)
                ++j;
            tokens.append({c, int(j - i), {}});
            i = j;
        } else {
            tokens.append({QChar(), 0, QString(c)});
            ++i;
        }
    }
    return tokens;
}

QString padded(int value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// Reads exactly `count` digits (or 1..max when count is 0) at `pos`.
std::optional<int> readNumber(const QString& text, qsizetype& pos, int count) {
    int value = 0;
    int read = 0;
    while (pos < text.size() && text.at(pos).isDigit() && (count == 0 || read < count) && read < 9) {
        value = value * 10 + text.at(pos).digitValue();
        ++pos;
        ++read;
    }
    if (read == 0 || (count > 0 && read != count))
        return std::nullopt;
    return value;
}

std::optional<int> readName(const QString& text, qsizetype& pos, const char* const* names, int n) {
    for (int i = 0; i < n; ++i) {
        const QLatin1String name(names[i]);
        if (text.mid(pos, name.size()).compare(name, Qt::CaseInsensitive) == 0) {
            pos += name.size();
            return i;
        }
    }
    return std::nullopt;
}

// "GMT", "UTC", "UT", "Z", "+hhmm", "-hh:mm", "GMT+hh:mm" -> offset seconds east of UTC.
std::optional<int> readZone(const QString& text, qsizetype& pos) {
    for (const char* name : {"GMT", "UTC", "UT", "Z"}) {
        const QLatin1String n(name);
        if (text.mid(pos, n.size()).compare(n, Qt::CaseInsensitive) == 0) {
            pos += n.size();
            break;
        }
    }
    if (pos >= text.size() || (text.at(pos) != QLatin1Char('+') && text.at(pos) != QLatin1Char('-')))
        return 0;
    const int sign = text.at(pos) == QLatin1Char('-') ? -1 : 1;
    ++pos;
    auto hours = readNumber(text, pos, 2);
    if (!hours)
        return std::nullopt;
    if (pos < text.size() && text.at(pos) == QLatin1Char(':'))
        ++pos;
    qsizetype save = pos;
    auto minutes = readNumber(text, pos, 2);
    if (!minutes) {
        pos = save;
        minutes = 0;
    }
    return sign * (*hours * 3600 + *minutes * 60);
}

QDateTime parseUtc(const QString& text, const QString& format) {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0, msec = 0, zone = 0;
    qsizetype pos = 0;
    for (const Token& t : tokenize(format)) {
        if (t.letter.isNull()) {
            if (!text.mid(pos).startsWith(t.literal))
                return {};
            pos += t.literal.size();
            continue;
        }
        std::optional<int> v;
        switch (t.letter.unicode()) {
        case 'y':
            v = readNumber(text, pos, t.count == 2 ? 2 : 0);
            if (v && t.count == 2)
                *v += 2000;
            if (v)
                year = *v;
            break;
        case 'M':
            if (t.count >= 3) {
                v = readName(text, pos, kMonthNames, 12);
                if (v)
                    month = *v + 1;
            } else {
                v = readNumber(text, pos, t.count == 2 ? 2 : 0);
                if (v)
                    month = *v;
            }
            break;
        case 'd':
            v = readNumber(text, pos, t.count == 2 ? 2 : 0);
            if (v)
                day = *v;
            break;
        case 'E':
            v = readName(text, pos, kDayNames, 7);
            break;
        case 'H':
            v = readNumber(text, pos, t.count == 2 ? 2 : 0);
            if (v)
                hour = *v;
            break;
        case 'm':
            v = readNumber(text, pos, t.count == 2 ? 2 : 0);
            if (v)
                minute = *v;
            break;
        case 's':
            v = readNumber(text, pos, t.count == 2 ? 2 : 0);
            if (v)
                second = *v;
            break;
        case 'S':
            v = readNumber(text, pos, t.count);
            if (v)
                msec = int(*v * std::pow(10.0, 3 - t.count));
            break;
        case 'z':
        case 'Z':
            v = readZone(text, pos);
            if (v)
                zone = *v;
            break;
        default:
            return {};
        }
        if (!v)
            return {};
    }
    if (pos != text.size())
        return {};
    const QDate date(year, month, day);
    const QTime time(hour, minute, second, msec);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC).addSecs(-zone);
}

QString formatUtc(const QDateTime& value, const QString& format) {
    const QDateTime utc = value.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    QString out;
    for (const Token& tok : tokenize(format)) {
        if (tok.letter.isNull()) {
            out += tok.literal;
            continue;
        }
        switch (tok.letter.unicode()) {
        case 'y':
            out += tok.count == 2 ? padded(d.year() % 100, 2) : padded(d.year(), tok.count);
            break;
        case 'M':
            out += tok.count >= 3 ? QString::fromLatin1(kMonthNames[d.month() - 1])
                                  : padded(d.month(), tok.count);
            break;
        case 'd':
            out += padded(d.day(), tok.count);
            break;
        case 'E':
            out += QString::fromLatin1(kDayNames[d.dayOfWeek() - 1]);
            break;
        case 'H':
            out += padded(t.hour(), tok.count);
            break;
        case 'm':
            out += padded(t.minute(), tok.count);
            break;
        case 's':
            out += padded(t.second(), tok.count);
            break;
        case 'S':
            out += padded(t.msec(), 3).left(tok.count);
            break;
        case 'z':
        case 'Z':
            out += QStringLiteral("GMT");
            break;
        default:
            out += QString(tok.count, tok.letter);
        }
    }
    return out;
}

const QHash<QString, QString>& mimeTable() {
    static const QHash<QString, QString> table = [] {
        static const char* const rows[] = {"application/acad:dwg",
                                           "application/andrew-inset:ez",
                                           "application/clariscad:ccad",
                                           "application/drafting:drw",
                                           "application/dsptype:tsp",
                                           "application/dxf:dxf",
                                           "application/i-deas:unv",
                                           "application/mac-binhex40:hqx",
                                           "application/mac-compactpro:cpt",
                                           "application/mspowerpoint:pot pps ppt ppz",
                                           "application/msword:doc docx dot",
                                           "application/octet-stream:bin class dms exe lha lzh",
                                           "application/oda:oda",
                                           "application/pdf:pdf",
                                           "application/postscript:ai eps ps",
                                           "application/pro_eng:prt",
                                           "application/set:set",
                                           "application/SLA:stl",
                                           "application/smil:smi smil",
                                           "application/solids:sol",
                                           "application/STEP:step stp",
                                           "application/vda:vda",
                                           "application/vnd.ms-excel:xlc xll xlm xls xlw",
                                           "application/x-bcpio:bcpio",
                                           "application/x-cdlink:vcd",
                                           "application/x-chess-pgn:pgn",
                                           "application/x-cpio:cpio",
                                           "application/x-csh:csh",
                                           "application/x-director:dcr dir dxr",
                                           "application/x-dvi:dvi",
                                           "application/x-freelance:pre",
                                           "application/x-futuresplash:spl",
                                           "application/x-gtar:gtar",
                                           "application/x-gzip:gz",
                                           "application/x-hdf:hdf",
                                           "application/x-ipix:ipx",
                                           "application/x-ipscript:ips",
                                           "application/x-javascript:js",
                                           "application/x-koan:skd skm skp skt",
                                           "application/x-latex:latex",
                                           "application/x-lisp:lsp",
                                           "application/x-lotusscreencam:scm",
                                           "application/x-netcdf:cdf nc",
                                           "application/x-ole-storage:msi",
                                           "application/x-sh:sh",
                                           "application/x-shar:shar",
                                           "application/x-shockwave-flash:swf",
                                           "application/x-stuffit:sit",
                                           "application/x-sv4cpio:sv4cpio",
                                           "application/x-sv4crc:sv4crc",
                                           "application/x-tar:tar",
                                           "application/x-tcl:tcl",
                                           "application/x-tex:tex",
                                           "application/x-troff:roff t tr",
                                           "application/x-troff-man:man",
                                           "application/x-troff-me:me",
                                           "application/x-troff-ms:ms",
                                           "application/x-ustar:ustar",
                                           "application/x-wais-source:src",
                                           "application/zip:zip",
                                           "audio/basic:au snd",
                                           "audio/midi:kar mid midi",
                                           "audio/mp4a-latm:m4a",
                                           "audio/mpeg:mp2 mp3 mpga",
                                           "audio/TSP-audio:tsi",
                                           "audio/x-aiff:aif aifc aiff",
                                           "audio/x-pn-realaudio:ram rm",
                                           "audio/x-pn-realaudio-plugin:rpm",
                                           "audio/x-realaudio:ra",
                                           "audio/x-wav:wav",
                                           "chemical/x-pdb:pdb xyz",
                                           "image/cmu-raster:ras",
                                           "image/gif:gif",
                                           "image/ief:ief",
                                           "image/jpeg:jpe jpeg jpg",
                                           "image/png:png",
                                           "image/tiff:tif tiff",
                                           "image/x-portable-anymap:pnm",
                                           "image/x-portable-bitmap:pbm",
                                           "image/x-portable-graymap:pgm",
                                           "image/x-portable-pixmap:ppm",
                                           "image/x-rgb:rgb",
                                           "image/x-xbitmap:xbm",
                                           "image/x-xpixmap:xpm",
                                           "image/x-xwindowdump:xwd",
                                           "model/iges:iges igs",
                                           "model/mesh:mesh msh silo",
                                           "model/vrml:vrml wrl",
                                           "text/css:css",
                                           "text/html:htm html",
                                           "text/plain:asc c cc cpp cs f f90 h hh m txt",
                                           "text/richtext:rtx",
                                           "text/rtf:rtf",
                                           "text/sgml:sgm sgml",
                                           "text/tab-separated-values:tsv",
                                           "text/x-setext:etx",
                                           "text/xml:xml",
                                           "video/mp4:mp4",
                                           "video/mpeg:mpe mpeg mpg",
                                           "video/ogv:ogv",
                                           "video/quicktime:mov qt",
                                           "video/webm:webm",
                                           "video/x-fli:fli",
                                           "video/x-m4v:m4v",
                                           "video/x-msvideo:avi",
                                           "video/x-sgi-movie:movie",
                                           "www/mime:mime",
                                           "x-conference/x-cooltalk:ice"};
        QHash<QString, QString> t;
        for (const char* row : rows) {
            const QString line = QString::fromLatin1(row);
            const qsizetype colon = line.indexOf(QLatin1Char(':'));
            const QString type = line.left(colon);
            for (const QString& ext : line.mid(colon + 1).split(QLatin1Char(' ')))
                t.insert(ext, type);
        }
        return t;
    }();
    return table;
}

} // namespace

QString S3SDKUtil::userAgentString() {
    return userAgentString(QSysInfo::productType(), QSysInfo::productVersion(), QLocale::system().name());
}

QString S3SDKUtil::userAgentString(const QString& systemName, const QString& systemVersion,
                                   const QString& localeIdentifier) {
    QString name = systemName;
    name.replace(QLatin1Char(' '), QLatin1Char('-'));
    return QStringLiteral("s3-client-iOS/%1 %2/%3 %4")
        .arg(QLatin1String(S3SDKVersion), name, systemVersion, localeIdentifier);
}

QString S3SDKUtil::urlEncode(const QString& text) {
    // Qt leaves exactly the unreserved set A-Z a-z 0-9 - . _ ~ unescaped.
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QByteArray S3SDKUtil::hexDecode(const QString& hex) {
    auto digitOf = [](QChar c) {
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9')
            return int(u - '0');
        if (u >= 'a' && u <= 'f')
            return int(u - 'a' + 10);
        if (u >= 'A' && u <= 'F')
            return int(u - 'A' + 10);
        return -1;
    };
    QByteArray out;
    for (qsizetype i = 0; i < hex.size() / 2; ++i) {
        int value = 0;
        for (int k = 0; k < 2; ++k) {
            const int digit = digitOf(hex.at(2 * i + k));
            if (digit < 0)
                break; // an invalid pair keeps the value of its valid prefix
            value = value * 16 + digit;
        }
        out.append(char(value));
    }
    return out;
}

QString S3SDKUtil::hexEncode(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c.unicode() < 16)
            out += QLatin1Char('0');
        out += QString::number(c.unicode(), 16);
    }
    return out;
}

QString S3SDKUtil::hexEncodeData(const QByteArray& data) {
    return QString::fromLatin1(data.toHex());
}

QString S3SDKUtil::MIMETypeForExtension(const QString& extension) {
    return mimeTable().value(extension.toLower(), QStringLiteral("application/octet-stream"));
}

std::optional<double> S3SDKUtil::convertStringToNumber(const QString& text) {
    bool ok = false;
    const double value = timestampLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

QDateTime S3SDKUtil::convertStringToDate(const QString& text) {
    const QDateTime withMillis = convertStringToDate(text, QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.SSS'Z'"));
    if (withMillis.isValid())
        return withMillis;
    return convertStringToDate(text, QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

QDateTime S3SDKUtil::millisSinceEpochToDate(double millis) {
    return secondsSinceEpochToDate(millis / 1000.0);
}

QDateTime S3SDKUtil::secondsSinceEpochToDate(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround((seconds - getRuntimeClockSkew()) * 1000.0)),
                                          Qt::UTC);
}

QDateTime S3SDKUtil::convertStringToDate(const QString& text, const QString& format) {
    const QDateTime parsed = parseUtc(text, format);
    if (!parsed.isValid())
        return {};
    return parsed.addMSecs(qint64(std::llround(getRuntimeClockSkew() * 1000.0)));
}

QString S3SDKUtil::convertDateToString(const QDateTime& date, const QString& format) {
    if (!date.isValid())
        return {};
    return formatUtc(date.addMSecs(-qint64(std::llround(getRuntimeClockSkew() * 1000.0))), format);
}

QUrl S3SDKUtil::URLWithURL(const QString& url, const QString& protocol) {
    if (protocol != QLatin1String("http") && protocol != QLatin1String("https"))
        S3ClientException(QStringLiteral("protocol must be 'http' or 'https'.")).raise();
    if (url.startsWith(protocol + QLatin1Char(':')))
        return QUrl(url);
    const QString other =
        protocol == QLatin1String("http") ? QStringLiteral("https://") : QStringLiteral("http://");
    // Only the first 8 characters are searched, as many as "https://" has.
    QString head = url.left(8);
    const QString tail = url.mid(8);
    head.replace(other, protocol + QStringLiteral("://"));
    return QUrl(head + tail);
}

QLocale S3SDKUtil::timestampLocale() {
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

void S3SDKUtil::setRuntimeClockSkew(double seconds) {
    g_clockSkew = seconds;
}

double S3SDKUtil::getRuntimeClockSkew() {
    return g_clockSkew;
}

} // namespace pelnix
