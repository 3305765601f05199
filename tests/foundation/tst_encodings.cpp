#include "TestSandbox.h"
#include "foundation/Base64.h"
#include "foundation/DataEncodings.h"
#include "foundation/JsonHelpers.h"
#include "foundation/NumericText.h"
#include "foundation/SafeReaders.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <limits>

using namespace pelnix;

namespace {
class Profile : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString name READ name CONSTANT)
public:
    QString name() const { return QStringLiteral("Ada"); }
};
} // namespace

class TestEncodings : public QObject {
    Q_OBJECT
private slots:
    void base64PaddingByLength();
    void base64DecodingIsLenient_data();
    void base64DecodingIsLenient();
    void base64OfTextAndInvalidUtf8();
    void hexInBothCases();
    void md5StopsAtTheFirstNulOfText();
    void doublyEncodedJsonBecomesADictionary();
    void stringAndNumberReaders();
    void keyPathsThroughNestedContainers();
    void readersOnOtherReceivers();
    void numericTextReadsLikeIntValue();
    void rectangleFromText();
};

void TestEncodings::base64PaddingByLength() {
    QCOMPARE(PLBase64Encode(""), QByteArray(""));
    QCOMPARE(PLBase64Encode("abc"), QByteArray("YWJj"));
    QCOMPARE(PLBase64Encode("abcd"), QByteArray("YWJjZA=="));
    QCOMPARE(PLBase64Encode("abcde"), QByteArray("YWJjZGU="));
    QCOMPARE(PLBase64Encode(QByteArray("\xff\xfe\x00", 3)), QByteArray("//4A"));
    // Line separation: CR LF after each 64 characters, none after the last line.
    const QByteArray lines = PLBase64Encode(QByteArray(96, 'x'), true);
    QCOMPARE(lines.size(), 64 + 2 + 64);
    QCOMPARE(lines.mid(64, 2), QByteArray("\r\n"));
    QVERIFY(!PLBase64Encode(QByteArray(48, 'x'), true).contains('\n'));
    QVERIFY(!Base64::base64EncodedString(QByteArray(200, 'x')).contains('\n'));
    for (int length = 0; length < 20; ++length) {
        QByteArray data;
        for (int i = 0; i < length; ++i)
            data += char(i * 37);
        QCOMPARE(PLBase64Decode(PLBase64Encode(data)), data);
    }
}

void TestEncodings::base64DecodingIsLenient_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("padded") << "YWJjZA==" << QByteArray("abcd");
    QTest::newRow("white space and breaks") << " YW\r\nJj\tZA = =" << QByteArray("abcd");
    QTest::newRow("padding mid-text is skipped") << "YW=Jj" << QByteArray("abc");
    QTest::newRow("tail of 2 gives 1 byte") << "YWJjZA" << QByteArray("abcd");
    QTest::newRow("tail of 3 gives 2 bytes") << "YWJjZGU" << QByteArray("abcde");
    QTest::newRow("lone leftover dropped") << "YWJjZ" << QByteArray("abc");
    QTest::newRow("foreign characters") << "Y*W#J!j" << QByteArray("abc");
    QTest::newRow("non-ASCII gives nothing") << "YWJj\u00e9" << QByteArray();
    QTest::newRow("empty") << "" << QByteArray();
}

void TestEncodings::base64DecodingIsLenient() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Base64::dataFromBase64String(text), bytes);
}

void TestEncodings::base64OfTextAndInvalidUtf8() {
    const QString text = QStringLiteral("Grüße \U0001F600");
    QCOMPARE(Base64::base64DecodedString(Base64::base64EncodedString(text)), std::optional<QString>(text));
    // 0xff is never UTF-8; a sequence cut short is not either.
    QCOMPARE(Base64::stringWithBase64EncodedString(Base64::base64EncodedString(QByteArray("a\xff"))),
             std::nullopt);
    QCOMPARE(Base64::stringWithBase64EncodedString(Base64::base64EncodedString(QByteArray("\xc3"))),
             std::nullopt);
}

void TestEncodings::hexInBothCases() {
    QCOMPARE(Hex::hexString(QByteArray("\xab\x00", 2)), QStringLiteral("ab00"));
    QCOMPARE(DataAdditions::hexRepresentation(QByteArray("\xab\x00", 2)), QStringLiteral("AB00"));
    QCOMPARE(Hex::dataFromHexidecimal("abc"), QByteArray("\xab"));
    QCOMPARE(Hex::dataFromHexidecimal("ABff01"), QByteArray("\xab\xff\x01"));
    // strtol per pair: a non-hex first character gives 0, a non-hex second one the first digit.
    QCOMPARE(Hex::dataFromHexidecimal("zzaz"), QByteArray("\x00\x0a", 2));
    QCOMPARE(Hex::dataFromHexidecimal(""), QByteArray());
}

void TestEncodings::md5StopsAtTheFirstNulOfText() {
    QCOMPARE(MD5::MD5(QString()), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
    QCOMPARE(MD5::MD5(QStringLiteral("abc")), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
    QCOMPARE(MD5::MD5String(QStringLiteral("abc")), QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
    QCOMPARE(MD5::MD5(QString::fromUtf8("abc\0def", 7)), MD5::MD5(QStringLiteral("abc")));
    // Data digests take every byte.
    QVERIFY(MD5::MD5(QByteArray("abc\0def", 7)) != MD5::MD5(QByteArray("abc")));
    QCOMPARE(MD5::md5String(QByteArray("abc")), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
    QCOMPARE(MD5::base64MD5(QByteArray("abc")), QStringLiteral("kAFQmDzST7DWlj99KOF/cg=="));
}

void TestEncodings::doublyEncodedJsonBecomesADictionary() {
    const QString object = QStringLiteral(R"({"a":1,"b":{"c":"d"}})");
    QCOMPARE(JSONSerialization::convertStringToDictionary(object)->value("a").toInt(), 1);
    const QString once =
        QString::fromUtf8(QJsonDocument(QJsonArray{object}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
    const QString twice =
        QString::fromUtf8(QJsonDocument(QJsonArray{once}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
    const auto unwrapped = JSONSerialization::convertStringToDictionary(twice);
    QVERIFY(unwrapped.has_value());
    QCOMPARE(unwrapped->value("b").toMap().value("c").toString(), QStringLiteral("d"));
    QCOMPARE(JSONSerialization::convertStringToDictionary("[1,2]"), std::nullopt);
    QCOMPARE(JSONSerialization::convertStringToDictionary("\"just text\""), std::nullopt);
    QCOMPARE(JSONSerialization::convertStringToDictionary("{broken"), std::nullopt);
    QCOMPARE(JSONSerialization::convertStringToDictionary(""), std::nullopt);
    QCOMPARE(JSONSerialization::convertStringToDictionary("1], [2"), std::nullopt);

    const QString pretty =
        JSONSerialization::convertJsonToString(QVariantMap{{"name", "Zoë"}, {"list", QVariantList{1, 2}}});
    QVERIFY(pretty.contains('\n'));
    QCOMPARE(JSONSerialization::convertStringToDictionary(pretty)->value("name").toString(),
             QStringLiteral("Zoë"));
    QCOMPARE(JSONSerialization::convertJsonToString(QVariant(42)), QString());
}

void TestEncodings::stringAndNumberReaders() {
    const QVariantMap map{{"count", 7},
                          {"text", "12abc"},
                          {"spaced", "  -42 apples"},
                          {"real", 3.9},
                          {"flag", true},
                          {"null", QVariant::fromValue(nullptr)},
                          {"list", QVariantList{1}},
                          {"empty", ""},
                          {"huge", "99999999999"}};
    QCOMPARE(SafeKVC::stringForKey(map, "count"), QString(""));
    QVERIFY(!SafeKVC::stringForKey(map, "missing").isNull());
    QCOMPARE(SafeKVC::stringForKey(map, "text"), QStringLiteral("12abc"));
    QCOMPARE(SafeKVC::stringForKey(map, "null"), QString(""));
    QVERIFY(SafeKVC::nonEmptyStringForKey(map, "empty").isNull());
    QCOMPARE(SafeKVC::intForKey(map, "text"), 12);
    QCOMPARE(SafeKVC::intForKey(map, "spaced"), -42);
    QCOMPARE(SafeKVC::intForKey(map, "real"), 3);
    QCOMPARE(SafeKVC::intForKey(map, "flag"), 1);
    QCOMPARE(SafeKVC::intForKey(map, "null"), 0);
    QCOMPARE(SafeKVC::intForKey(map, "list"), 0);
    QCOMPARE(SafeKVC::intForKey(map, "missing"), 0);
    QCOMPARE(SafeKVC::intForKey(map, "huge"), std::numeric_limits<int>::max());
    QCOMPARE(SafeKVC::doubleForKey(map, "spaced"), -42.0);
    QCOMPARE(SafeKVC::floatForKey(map, "real"), 3.9f);
    QCOMPARE(SafeKVC::numberForKey(map, "missing"), 0.0);
    QCOMPARE(SafeKVC::arrayForKey(map, "list").size(), 1);
    QVERIFY(SafeKVC::arrayForKey(map, "text").isEmpty());
    QCOMPARE(SafeKVC::valueForKey(map, "count", SafeKVC::ValueClass::String), QVariant());
    QCOMPARE(SafeKVC::valueForKey(map, "count", SafeKVC::ValueClass::Number).toInt(), 7);
    QCOMPARE(SafeKVC::valueForKey(map, "text").toString(), QStringLiteral("12abc"));
}

void TestEncodings::keyPathsThroughNestedContainers() {
    const QJsonObject json = QJsonDocument::fromJson(R"({"user":{"profile":{"name":"Ada","age":"36"},
        "tags":["a","b"],"id":1.7e12,"nothing":null},"scalar":"x"})")
                                 .object();
    QCOMPARE(SafeKVC::stringForKeyPath(json, "user.profile.name"), QStringLiteral("Ada"));
    QCOMPARE(SafeKVC::intForKeyPath(json, "user.profile.age"), 36);
    QCOMPARE(SafeKVC::doubleForKeyPath(json, "user.id"), 1.7e12);
    QCOMPARE(SafeKVC::valueForKeyPath(json, "user.profile", SafeKVC::ValueClass::Dictionary)
                 .toMap()
                 .value("name")
                 .toString(),
             QStringLiteral("Ada"));
    QCOMPARE(SafeKVC::valueForKeyPath(json, "user.tags", SafeKVC::ValueClass::Array).toList().size(), 2);
    QCOMPARE(SafeKVC::arrayForKey(json, "scalar"), QVariantList());
    // A path through a string, a missing link or a null ends quietly.
    QCOMPARE(SafeKVC::valueForKeyPath(json, "scalar.length"), QVariant());
    QCOMPARE(SafeKVC::stringForKeyPath(json, "user.missing.name"), QString(""));
    QCOMPARE(SafeKVC::intForKeyPath(json, "user.nothing.deeper"), 0);
    QVERIFY(SafeKVC::valueForKeyPath(json, "user.nothing").isNull());

    const QVariantMap map{{"outer", QVariantMap{{"inner", QVariantHash{{"n", "5"}}}}}};
    QCOMPARE(SafeKVC::intForKeyPath(map, "outer.inner.n"), 5);
}

void TestEncodings::readersOnOtherReceivers() {
    Profile profile;
    QCOMPARE(SafeKVC::stringForKey(&profile, "name"), QStringLiteral("Ada"));
    QCOMPARE(SafeKVC::valueForKey(&profile, "noSuchProperty"), QVariant());
    QCOMPARE(SafeKVC::valueForKey(static_cast<QObject*>(nullptr), "name"), QVariant());
    QCOMPARE(SafeKVC::valueForKey(KeyValueSource(QVariant(42)), "name"), QVariant());
    QCOMPARE(SafeKVC::intForKey(KeyValueSource(QVariant("text")), "length"), 0);
}

void TestEncodings::numericTextReadsLikeIntValue() {
    QCOMPARE(NumericText::intValue("  +17x"), 17);
    QCOMPARE(NumericText::intValue("-2147483649"), std::numeric_limits<int>::min());
    QCOMPARE(NumericText::intValue("12.9"), 12);
    QCOMPARE(NumericText::intValue("x12"), 0);
    QCOMPARE(NumericText::intValue("- 5"), 0);
    QCOMPARE(NumericText::doubleValue(" 1.5e3kg"), 1500.0);
    QCOMPARE(NumericText::doubleValue("2e"), 2.0);
    QCOMPARE(NumericText::doubleValue(".5"), 0.5);
    QCOMPARE(NumericText::doubleValue("."), 0.0);
}

void TestEncodings::rectangleFromText() {
    const QVariantMap map{{"frame", "{{0, 352}, {320, 216.5}}"},
                          {"described", "NSRect: {{1, 2}, {3, 4}}"},
                          {"bad", "{{1, 2}, {3}}"},
                          {"value", QRectF(5, 6, 7, 8)}};
    QCOMPARE(DictionaryAdditions::rectForKeyPath(map, "frame"), QRectF(0, 352, 320, 216.5));
    QCOMPARE(DictionaryAdditions::rectForKeyPath(map, "described"), QRectF(1, 2, 3, 4));
    QCOMPARE(DictionaryAdditions::rectForKeyPath(map, "bad"), QRectF());
    QCOMPARE(DictionaryAdditions::rectForKeyPath(map, "missing"), QRectF());
    QCOMPARE(DictionaryAdditions::rectForKeyPath(map, "value"), QRectF(5, 6, 7, 8));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestEncodings t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_encodings.moc"
