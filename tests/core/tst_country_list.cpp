// The bundled country list and its lookups.
#include "core/model/PLCountryInfo.h"

#include <QRegularExpression>
#include <QTest>

using namespace pelnix;

class TestCountryList : public QObject {
    Q_OBJECT
private slots:
    void lookups();
};

void TestCountryList::lookups() {
    const auto list = PLCountryInfo::countryList();
    QVERIFY(list.size() > 200);
    for (const auto& country : list)
        // Dialling codes are digits only: the screens show them after a "+" of their own.
        QVERIFY2(!country.name().isEmpty() && !country.code().isEmpty() &&
                     QRegularExpression("^[0-9]+$").match(country.code()).hasMatch() &&
                     country.isoCode().size() == 2,
                 qPrintable(country.name()));
    // A shared dialling code answers the first entry in file order.
    QCOMPARE(PLCountryInfo::instanceForCountryCode("1")->isoCode(), QString("US"));
    QCOMPARE(PLCountryInfo::instanceForCountryCode("44")->name(), QString("United Kingdom"));
    // Letter case does not matter.
    QCOMPARE(PLCountryInfo::instanceForISOCode("de")->name(), QString("Germany"));
    QCOMPARE(PLCountryInfo::instanceWithKey("name", "NEW ZEALAND")->code(), QString("64"));
    QVERIFY(!PLCountryInfo::instanceForISOCode("zz"));
    QVERIFY(!PLCountryInfo::instanceWithKey("colour", "1"));
    QVERIFY(PLCountryInfo(QVariantMap{{"COUNTRY", "X"}}).code().isNull());
}

QTEST_GUILESS_MAIN(TestCountryList)
#include "tst_country_list.moc"
