#include "TestSandbox.h"
#include "foundation/Clock.h"
#include "foundation/DateAdditions.h"
#include "foundation/StringAdditions.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTest>

#include <ctime>

using namespace pelnix;
using namespace pelnix::DateAdditions;

namespace {
QDateTime at(int year, int month, int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}
const QLocale kUS(QLocale::English, QLocale::UnitedStates);
const QLocale kGB(QLocale::English, QLocale::UnitedKingdom);
} // namespace

class TestDateAdditions : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(kUS); }
    void cleanup() { Clock::setSource({}); }

    void nowOrTimeOfDayOnTheSameDay();
    void yesterdayAndOlderAroundMidnightAndYearEnd();
    void yesterdayOnTheDaysAfterDaylightSavingChanges();
    void currentStampIsUpperCasedInEitherClock();
    void calendarDayComparisons();
};

void TestDateAdditions::nowOrTimeOfDayOnTheSameDay() {
    QVERIFY(!timeIs24HourFormat());
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 6, 10, 30, 0), at(2026, 12, 6, 10, 30, 30)),
             QStringLiteral("Now"));
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 6, 10, 0), at(2026, 12, 6, 10, 1)),
             QStringLiteral("Now"));
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 6, 10, 0), at(2026, 12, 6, 10, 2)),
             QStringLiteral("10:00 AM"));
    // Two minutes apart but across the hour: the hours differ, so the time.
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 6, 10, 58), at(2026, 12, 6, 11, 0)),
             QStringLiteral("10:58 AM"));
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 6, 13, 5), at(2026, 12, 6, 23, 0)),
             QStringLiteral("1:05 PM"));
    // Later in the same hour counts as now too.
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 6, 10, 40), at(2026, 12, 6, 10, 5)),
             QStringLiteral("Now"));
    QCOMPARE(getFormattedDateStringFromDate(std::nullopt, at(2026, 12, 6, 10, 5)), QString());

    QLocale::setDefault(kGB);
    QVERIFY(timeIs24HourFormat());
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 6, 10, 0), at(2026, 12, 6, 10, 2)),
             QStringLiteral("10:00"));
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 6, 9, 5), at(2026, 12, 6, 22, 0)),
             QStringLiteral("9:05"));

    // The same boundary through the injected clock and a UTC-based time stamp.
    Clock::setSource([] { return at(2026, 12, 6, 10, 1); });
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 6, 10, 0).toUTC()), QStringLiteral("Now"));
    QCOMPARE(StringAdditions::convertToDateString(at(2026, 12, 6, 10, 0).toMSecsSinceEpoch() + 999),
             QStringLiteral("Now"));
}

void TestDateAdditions::yesterdayAndOlderAroundMidnightAndYearEnd() {
    const QDateTime justAfterMidnight = at(2026, 12, 6, 0, 0, 30);
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 5, 23, 59), justAfterMidnight),
             QStringLiteral("Yesterday"));
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 5, 0, 0), at(2026, 12, 6, 23, 59)),
             QStringLiteral("Yesterday"));
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 4, 23, 59), justAfterMidnight),
             QStringLiteral("04 Dec 26"));
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 31, 22, 0), at(2027, 1, 1, 0, 5)),
             QStringLiteral("Yesterday"));
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 30, 22, 0), at(2027, 1, 1, 0, 5)),
             QStringLiteral("30 Dec 26"));
    // A date in the future but on another day is simply a date.
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 12, 7, 9, 0), justAfterMidnight),
             QStringLiteral("07 Dec 26"));
}

void TestDateAdditions::yesterdayOnTheDaysAfterDaylightSavingChanges() {
    // Europe/Berlin: clocks go forward on 29 March 2026 (a 23-hour day) and back on 25 October 2026
    // (a 25-hour day). The start of today less 86,400 s is not the start of yesterday on either.
    QCOMPARE(at(2026, 3, 29, 0, 0).secsTo(at(2026, 3, 30, 0, 0)), 23 * 3600);
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 3, 29, 12, 0), at(2026, 3, 30, 9, 0)),
             QStringLiteral("Yesterday"));
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 3, 29, 0, 10), at(2026, 3, 30, 0, 5)),
             QStringLiteral("Yesterday"));
    QCOMPARE(at(2026, 10, 25, 0, 0).secsTo(at(2026, 10, 26, 0, 0)), 25 * 3600);
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 10, 25, 23, 30), at(2026, 10, 26, 8, 0)),
             QStringLiteral("Yesterday"));
    QCOMPARE(getFormattedDateStringFromDate(at(2026, 10, 24, 23, 30), at(2026, 10, 26, 0, 30)),
             QStringLiteral("24 Oct 26"));
    QCOMPARE(dateOnly(at(2026, 3, 29, 15, 0)), at(2026, 3, 29, 0, 0));
}

void TestDateAdditions::currentStampIsUpperCasedInEitherClock() {
    Clock::setSource([] { return at(2001, 12, 6, 1, 15); });
    QCOMPARE(getCurrentDateString(), QStringLiteral("06 DEC 01:15 AM"));
    QCOMPARE(getCurrentDateString(at(2001, 12, 6, 13, 15)), QStringLiteral("06 DEC 01:15 PM"));
    QLocale::setDefault(kGB);
    QCOMPARE(getCurrentDateString(at(2001, 12, 6, 13, 15)), QStringLiteral("06 DEC 13:15"));
    QCOMPARE(stringFromDate(at(2026, 1, 2, 3, 4), getDateFormatterForReply()), QStringLiteral("02-01-2026"));
    QCOMPARE(stringFromDate(at(2026, 1, 2, 15, 4), getDateFormatterForSettingExpiry()),
             QStringLiteral("January 02, 03:04 PM"));
}

void TestDateAdditions::calendarDayComparisons() {
    QVERIFY(isOlderByOneOrMoreDays(at(2026, 3, 31, 23, 0), at(2026, 4, 1, 1, 0)));
    QVERIFY(isOlderByOneOrMoreDays(at(2025, 12, 31, 23, 59), at(2026, 1, 1, 0, 0)));
    QVERIFY(isOlderByOneOrMoreDays(at(2025, 3, 10, 8, 0), at(2026, 2, 5, 8, 0)));
    QVERIFY(!isOlderByOneOrMoreDays(at(2026, 3, 31, 9, 0), at(2026, 3, 31, 18, 0)));
    // A later receiver is never older, whatever its day-of-month says.
    QVERIFY(!isOlderByOneOrMoreDays(at(2026, 5, 1, 9, 0), at(2026, 4, 30, 9, 0)));
    QVERIFY(!isOlderByOneOrMoreDays(at(2027, 1, 1, 9, 0), at(2026, 12, 31, 9, 0)));

    QCOMPARE(dateOnly(at(2026, 12, 6, 17, 45, 12)), at(2026, 12, 6, 0, 0));
    const QDateTime time = timeOnly(at(2026, 12, 6, 17, 45, 12));
    QCOMPARE(time.time(), QTime(17, 45));
    QCOMPARE(timeOnly(at(2020, 1, 1, 17, 45, 59)), time);
}

int main(int argc, char** argv) {
    // Fixed zone with daylight saving, set before anything reads local time.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestDateAdditions t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_dateadditions.moc"
