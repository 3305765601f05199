#include "media/s3/S3XMLValues.h"

#include "media/s3/DateS3SDKUtil.h"

namespace pelnix::S3XMLValues {

qint64 decimalInteger(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    quint64 value = 0;
    while (i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'))
        value = value * 10 + quint64(text.at(i++).unicode() - '0');
    return negative ? -qint64(value) : qint64(value);
}

qint32 lowInt32(const QString& text) {
    return qint32(quint32(quint64(decimalInteger(text)) & 0xFFFFFFFFu));
}

bool boolean(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        ++i;
    while (i < text.size() && text.at(i) == QLatin1Char('0'))
        ++i;
    if (i >= text.size())
        return false;
    const QChar c = text.at(i);
    return c == QLatin1Char('Y') || c == QLatin1Char('y') || c == QLatin1Char('T') || c == QLatin1Char('t') ||
           (c >= QLatin1Char('1') && c <= QLatin1Char('9'));
}

QDateTime isoDate(const QString& text) {
    return DateS3SDKUtil::dateWithISO8061Format(text);
}

} // namespace pelnix::S3XMLValues
