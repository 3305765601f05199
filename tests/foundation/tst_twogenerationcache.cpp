#include "foundation/TwoGenerationCache.h"

#include <QTest>

using namespace pelnix;

class TestTwoGenerationCache : public QObject {
    Q_OBJECT
private slots:
    // A long list scrolled through: the rows on screen are asked for again and again while every
    // other row passes once. Asked again within half the limit, the rows on screen are never
    // measured again (a cache emptied when full would measure them again on every fill), and the
    // cache stays within its limit however many rows pass.
    void valuesInUseSurviveAStreamOfOthers() {
        TwoGenerationCache<int, int> cache(200);
        int computed = 0;
        const auto lookUp = [&](int key) {
            if (const int* known = cache.find(key))
                return *known;
            ++computed;
            cache.insert(key, key * 2);
            return key * 2;
        };
        for (int passing = 0; passing < 100'000; ++passing) {
            QCOMPARE(lookUp(1'000'000 + passing), (1'000'000 + passing) * 2);
            if (passing % 50 == 0)
                for (int onScreen = 0; onScreen < 12; ++onScreen)
                    QCOMPARE(lookUp(onScreen), onScreen * 2);
            QVERIFY(cache.size() <= 200);
        }
        QCOMPARE(computed, 100'000 + 12);
    }

    // What is not asked again goes after two turnovers; a value found in the older generation
    // starts over in the newer one, also when finding it turns the generations over.
    void generationsTurnOver() {
        TwoGenerationCache<int, QString> cache(4); // two per generation
        cache.insert(1, QStringLiteral("one"));
        cache.insert(2, QStringLiteral("two"));
        cache.insert(3, QStringLiteral("three")); // 1 and 2 become the older
        QVERIFY(cache.find(1));
        QCOMPARE(*cache.find(1), QStringLiteral("one")); // back in the newer generation, with 3
        cache.insert(4, QStringLiteral("four"));         // 3 and 1 become the older; 2 is dropped
        QVERIFY(!cache.find(2));
        QCOMPARE(*cache.find(3), QStringLiteral("three")); // moved back: the newer is full
        QCOMPARE(*cache.find(1), QStringLiteral("one"));   // moved back as the generations turn over
        QCOMPARE(*cache.find(3), QStringLiteral("three"));
        QVERIFY(cache.size() <= 4);
    }
};

QTEST_APPLESS_MAIN(TestTwoGenerationCache)
#include "tst_twogenerationcache.moc"
