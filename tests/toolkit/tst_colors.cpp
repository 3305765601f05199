#include "TestSandbox.h"
#include "ui/toolkit/Color.h"

#include <QTest>

using pelnix::Color;

class TestColors : public QObject {
    Q_OBJECT
private slots:
    void namesAreFoundBeforeAnyHexReading() {
        QCOMPARE(Color::colorWithString("Red"), Color::rgb(1, 0, 0));
        QCOMPARE(Color::colorWithString("RED"), Color::rgb(1, 0, 0));
        QCOMPARE(Color::colorWithString("white").model(), Color::Model::Monochrome);
        // "#red" is no name, and "red" without the "#" is three characters, but not hex: black.
        QCOMPARE(Color::colorWithString("#red"), Color::monochrome(0));
        QCOMPARE(Color::colorWithString("#xyz"), Color::monochrome(0));
    }

    void hexLengthsAndPrefixes() {
        for (const char* text : {"#fff", "fff", "0xfff", "#0xfff", "#FFF"}) {
            const Color c = Color::colorWithString(text);
            QCOMPARE(c.model(), Color::Model::RGB);
            QCOMPARE(c.RGBAValue(), 0xffffffffu);
        }
        QCOMPARE(Color::colorWithString(""), Color::rgb(0, 0, 0, 0));
        QCOMPARE(Color::colorWithString("#ffff"), Color::monochrome(0));
        QCOMPARE(Color::colorWithString("#fffffffff"), Color::monochrome(0));
        const Color blue = Color::colorWithString("0086ca");
        QCOMPARE(blue.red(), 0.0);
        QCOMPARE(blue.green(), double(0x86 / 255.0f));
        QCOMPARE(blue.blue(), double(0xca / 255.0f));
        QCOMPARE(blue.alpha(), 1.0);
        QCOMPARE(Color::colorWithString("0086ca80").alpha(), double(0x80 / 255.0f));
        // Leading white space is skipped by the reader but counts towards the length.
        QCOMPARE(Color::colorWithString(" 12345").RGBAValue(), 0x012345ffu);
        QCOMPARE(Color::colorWithString(" fff"), Color::monochrome(0));
        // Digits stop at the first non-digit and are read that far: 12345z -> 0x12345.
        QCOMPARE(Color::colorWithString("12345z").RGBAValue(), 0x00012345u);
    }

    void packingTruncatesAndRoundTripsEveryByte() {
        QCOMPARE(Color::rgb(0, 0, 0, 0.5).RGBAValue() & 0xff, 0x7fu);
        for (quint32 byte = 0; byte < 256; ++byte) {
            const quint32 value = (byte << 24) | (byte << 16) | ((255 - byte) << 8) | byte;
            QCOMPARE(Color::colorWithRGBAValue(value).RGBAValue(), value);
        }
        QCOMPARE(Color::colorWithRGBValue(0x123456).RGBValue(), 0x123456u);
        QCOMPARE(Color::colorWithRGBValue(0x123456).alpha(), 1.0);
        // Models other than monochrome and RGB read as opaque black, keeping their own alpha.
        double c[4];
        Color::other(0.3).getRGBAComponents(c);
        QCOMPARE(c[3], 1.0);
        QCOMPARE(Color::other(0.3).alpha(), 0.3);
    }

    void stringValueAndEquivalence() {
        QCOMPARE(Color::colorWithString("0086ca").stringValue(), QStringLiteral("#0086ca"));
        QCOMPARE(Color::colorWithString("#0086ca80").stringValue(), QStringLiteral("#0086ca80"));
        QCOMPARE(Color::colorWithString("#ff0000").stringValue(), QStringLiteral("red"));
        const Color rgbWhite = Color::colorWithString("#ffffff");
        QCOMPARE(rgbWhite.stringValue(), QStringLiteral("#ffffff")); // not equal to the grey white
        QVERIFY(rgbWhite.isEquivalentToColor(Color::monochrome(1)));
        QVERIFY(!Color::other().isEquivalentToColor(Color::monochrome(0)));
        QVERIFY(!rgbWhite.isEquivalent(QVariant(QStringLiteral("white"))));
        QVERIFY(rgbWhite.isEquivalent(QVariant::fromValue(Color::monochrome(1))));
    }

    void brightnessAndBlend() {
        const Color base = Color::rgb(0.2, 0.4, 0.5, 0.8);
        const Color bright = base.colorWithBrightness(2);
        QCOMPARE(bright.blue(), 1.0);
        QVERIFY(bright.green() > 0.79);
        const Color dark = base.colorWithBrightness(-1);
        QCOMPARE(dark, Color::rgb(0, 0, 0, 0.8));
        const Color other = Color::rgb(1, 1, 1, 1);
        QCOMPARE(base.colorBlendedWithColor(other, 2), base.colorBlendedWithColor(other, 1));
        QCOMPARE(base.colorBlendedWithColor(other, -1), base.colorBlendedWithColor(other, 0));
        QCOMPARE(base.colorBlendedWithColor(other, 0), base);
        QCOMPARE(base.colorBlendedWithColor(Color::monochrome(0), 0.5).red(), 0.1);
    }

    void registeredNamesParseAndWrite() {
        const Color brand = Color::rgb(0.1, 0.2, 0.3);
        Color::registerColor(brand, "Brand");
        QCOMPARE(Color::colorWithString("brand"), brand);
        QCOMPARE(Color::colorWithString("BRAND"), brand);
        QCOMPARE(brand.stringValue(), QStringLiteral("brand"));
        Color::registerColor(Color::rgb(0.9, 0.9, 0.9), "brand"); // replaces
        QCOMPARE(Color::colorWithString("Brand"), Color::rgb(0.9, 0.9, 0.9));
        QCOMPARE(Color::standardColors().size(), 16);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestColors t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_colors.moc"
