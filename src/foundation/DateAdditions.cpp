#include "foundation/DateAdditions.h"

#include "foundation/PLCurrentBundleInfo.h"

#include <QLocale>

namespace pelnix::DateAdditions {

namespace {
QDateTime local(const QDateTime& date) {
    return date.toLocalTime();
}
} // namespace

bool timeIs24HourFormat() {
    const QLocale locale;
    const QString probe = locale.toString(Clock::now().time(), QLocale::ShortFormat);
    const QString am = locale.amText();
    const QString pm = locale.pmText();
    return !(!am.isEmpty() && probe.contains(am)) && !(!pm.isEmpty() && probe.contains(pm));
}

QString getDateFormatterForReply() {
    return QLatin1String(kReplyDatePattern);
}

QString getDateFormatterForSettingExpiry() {
    return QLatin1String(kSettingExpiryDatePattern);
}

QString stringFromDate(const QDateTime& date, const QString& pattern) {
    return QLocale().toString(local(date), pattern);
}

QString getCurrentDateString(const QDateTime& now) {
    const char* pattern = timeIs24HourFormat() ? kStamp24HourPattern : kStamp12HourPattern;
    return stringFromDate(now, QLatin1String(pattern)).toUpper();
}

QString getFormattedDateStringFromDate(const std::optional<QDateTime>& date, const QDateTime& now) {
    if (!date || !date->isValid())
        return {};
    const QDate day = local(*date).date();
    const QDate today = local(now).date();
    if (day == today) {
        if (isDifferenceLessThanOrEqualToAMinute(*date, now))
            return PLCurrentBundleInfo::localizedString(QStringLiteral("Now"));
        const char* pattern = timeIs24HourFormat() ? kTimeOfDay24HourPattern : kTimeOfDay12HourPattern;
        return stringFromDate(*date, QLatin1String(pattern));
    }
    // Calendar days, not 86,400 s: a day next to a daylight-saving change is 23 or 25 hours long.
    if (today.addDays(-1) == day)
        return PLCurrentBundleInfo::localizedString(QStringLiteral("Yesterday"));
    return stringFromDate(*date, QLatin1String(kOlderDatePattern));
}

bool isDifferenceLessThanOrEqualToAMinute(const QDateTime& date, const QDateTime& now) {
    const QTime then = local(date).time();
    const QTime current = local(now).time();
    return then.hour() == current.hour() && current.minute() - then.minute() < 2;
}

QDateTime dateOnly(const QDateTime& date) {
    return local(date).date().startOfDay();
}

QDateTime timeOnly(const QDateTime& date) {
    const QTime time = local(date).time();
    return QDateTime(QDate(1, 1, 1), QTime(time.hour(), time.minute()));
}

bool isOlderByOneOrMoreDays(const QDateTime& date, const QDateTime& other) {
    return local(date).date() < local(other).date();
}

} // namespace pelnix::DateAdditions
