#pragma once

#include <QDateTime>
#include <QString>

namespace pelnix::DateS3SDKUtil {

// All through S3SDKUtil's conversions, so the runtime clock skew applies.
QString stringWithISO8061Format(const QDateTime& date); // yyyy-MM-dd'T'HH:mm:ss.SSS'Z'
QString stringWithISO8601Format(const QDateTime& date); // yyyy-MM-dd'T'HH:mm:ss'Z'
QString stringWithRFC822Format(const QDateTime& date);  // EEE, dd MMM yyyy HH:mm:ss z
QDateTime dateWithISO8061Format(const QString& text);
QDateTime dateWithRFC822Format(const QString& text);
QString ISO8061FormattedCurrentTimestamp();
QString dateStamp(const QDateTime& date); // yyyyMMdd
QString dateTime(const QDateTime& date);  // yyyyMMdd'T'HHmmss'Z'

} // namespace pelnix::DateS3SDKUtil
