#pragma once

#include "foundation/Clock.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The library's date texts in the device's locale (QLocale(), which follows QLocale::setDefault)
// and local time zone.
namespace pelnix::DateAdditions {

// Fixed patterns (Qt date-format syntax).
inline constexpr char kReplyDatePattern[] = "dd-MM-yyyy";
inline constexpr char kSettingExpiryDatePattern[] = "MMMM dd, hh:mm AP";
inline constexpr char kStamp24HourPattern[] = "dd MMM HH:mm";
inline constexpr char kStamp12HourPattern[] = "dd MMM hh:mm AP";
inline constexpr char kTimeOfDay24HourPattern[] = "H:mm";
inline constexpr char kTimeOfDay12HourPattern[] = "h:mm AP";
inline constexpr char kOlderDatePattern[] = "dd MMM yy";

// True when the locale's short time text carries no AM/PM marker.
bool timeIs24HourFormat();

QString getDateFormatterForReply();
QString getDateFormatterForSettingExpiry();
// `date` in `pattern` with the device's locale.
QString stringFromDate(const QDateTime& date, const QString& pattern);

// Now as "06 DEC 01:15 AM" (12-hour) or "06 DEC 13:15", upper-cased.
QString getCurrentDateString(const QDateTime& now = Clock::now());

// "Now" (same day, same hour, less than 2 minutes on), the time of day (same day), "Yesterday"
// (the calendar day before), else "dd MMM yy"; "" for no date. "Now" and "Yesterday" are localized.
QString getFormattedDateStringFromDate(const std::optional<QDateTime>& date,
                                       const QDateTime& now = Clock::now());

// Same hour of day and now's minute minus the date's minute below 2.
bool isDifferenceLessThanOrEqualToAMinute(const QDateTime& date, const QDateTime& now = Clock::now());

// The start of the date's calendar day.
QDateTime dateOnly(const QDateTime& date);
// The date's hour and minute (seconds 0) on the calendar's first day.
QDateTime timeOnly(const QDateTime& date);
// True when `date` falls on an earlier calendar day than `other`.
bool isOlderByOneOrMoreDays(const QDateTime& date, const QDateTime& other);

} // namespace pelnix::DateAdditions
