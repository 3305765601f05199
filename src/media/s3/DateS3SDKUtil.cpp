#include "media/s3/DateS3SDKUtil.h"

#include "media/s3/S3SDKUtil.h"

namespace pelnix::DateS3SDKUtil {

namespace {
const QString kISO8061 = QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.SSS'Z'");
const QString kRFC822 = QStringLiteral("EEE, dd MMM yyyy HH:mm:ss z");
} // namespace

QString stringWithISO8061Format(const QDateTime& date) {
    return S3SDKUtil::convertDateToString(date, kISO8061);
}
QString stringWithISO8601Format(const QDateTime& date) {
    return S3SDKUtil::convertDateToString(date, QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}
QString stringWithRFC822Format(const QDateTime& date) {
    return S3SDKUtil::convertDateToString(date, kRFC822);
}
QDateTime dateWithISO8061Format(const QString& text) {
    return S3SDKUtil::convertStringToDate(text, kISO8061);
}
QDateTime dateWithRFC822Format(const QString& text) {
    return S3SDKUtil::convertStringToDate(text, kRFC822);
}
QString ISO8061FormattedCurrentTimestamp() {
    return stringWithISO8061Format(QDateTime::currentDateTimeUtc());
}
QString dateStamp(const QDateTime& date) {
    return S3SDKUtil::convertDateToString(date, QStringLiteral("yyyyMMdd"));
}
QString dateTime(const QDateTime& date) {
    return S3SDKUtil::convertDateToString(date, QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

} // namespace pelnix::DateS3SDKUtil
