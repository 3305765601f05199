#include "TestSandbox.h"
#include "foundation/StringAdditions.h"

#include <QCoreApplication>
#include <QTest>

using namespace pelnix;
using namespace pelnix::StringAdditions;

class TestStringAdditions : public QObject {
    Q_OBJECT
private slots:
    void formEscapingOfServerParameters_data();
    void formEscapingOfServerParameters();
    void htmlEscapesTwiceAndReversesOnce();
    void firstInitialKeepsSurrogatePairsWhole();
    void inputChecks();
    void patternValidationAndItsLanguageWaiver();
    void trimmingAndJsonEscaping();
};

void TestStringAdditions::formEscapingOfServerParameters_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("space") << "a b"
                           << "a%20b";
    QTest::newRow("ampersand") << "a&b=c"
                               << "a%26b%3Dc";
    QTest::newRow("slash") << "a/b"
                           << "a%2Fb";
    QTest::newRow("e acute") << "\u00e9"
                             << "%C3%A9";
    QTest::newRow("emoji") << "\U0001F600"
                           << "%F0%9F%98%80";
    QTest::newRow("unreserved untouched") << "AZaz09-._~"
                                          << "AZaz09-._~";
    QTest::newRow("reserved") << "!*'\"();:@+$,?%#[]"
                              << "%21%2A%27%22%28%29%3B%3A%40%2B%24%2C%3F%25%23%5B%5D";
    QTest::newRow("line end") << "a\nb"
                              << "a%0Ab";
    QTest::newRow("empty") << ""
                           << "";
}

void TestStringAdditions::formEscapingOfServerParameters() {
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(PL_stringByReplacingPercentEscapesUsingEncoding(text), escaped);
    QCOMPARE(URLDecodedString(escaped), text);
}

void TestStringAdditions::htmlEscapesTwiceAndReversesOnce() {
    QCOMPARE(escapeHTMLCodes("<b>Tom & \"Jerry's\"</b>"),
             QStringLiteral(
                 "&amp;lt;b&amp;gt;Tom &amp;amp; &amp;quot;Jerry&amp;#39;s&amp;quot;&amp;lt;/b&amp;gt;"));
    QCOMPARE(reverseEscapeHTMLCodes("&lt;b&gt;&quot;x&#39;&amp;"), QStringLiteral("<b>\"x'&"));
    // "&amp;" comes off first, so one reversal of the double escape restores every character but
    // the ampersand, which keeps one level; a second reversal gives the original.
    const QString original = QStringLiteral("<a href='x'>\"&\"</a>");
    QCOMPARE(reverseEscapeHTMLCodes(escapeHTMLCodes(original)), QStringLiteral("<a href='x'>\"&amp;\"</a>"));
    QCOMPARE(reverseEscapeHTMLCodes(reverseEscapeHTMLCodes(escapeHTMLCodes(original))), original);
    QVERIFY(!escapeHTMLCodes(QString()).isNull());
    QCOMPARE(reverseEscapeHTMLCodes(""), QString(""));
}

void TestStringAdditions::firstInitialKeepsSurrogatePairsWhole() {
    QCOMPARE(stringGroupByFirstInitial("abc"), QStringLiteral("A"));
    QCOMPARE(stringGroupByFirstInitial("a"), QStringLiteral("a"));
    QCOMPARE(stringGroupByFirstInitial(""), QString());
    QCOMPARE(stringGroupByFirstInitial("\u00e9mile"), QStringLiteral("\u00c9"));
    // DESERET SMALL LETTER LONG I (outside the BMP) upper-cases to its capital, as a whole pair.
    QCOMPARE(stringGroupByFirstInitial("\U00010428bc"), QStringLiteral("\U00010400"));
    QCOMPARE(stringGroupByFirstInitial("\U0001F600 smile"), QStringLiteral("\U0001F600"));
    // One character, even if two UTF-16 units, comes back unchanged.
    QCOMPARE(stringGroupByFirstInitial("\U00010428"), QStringLiteral("\U00010428"));
    for (const QString& initial :
         {stringGroupByFirstInitial("\U0001F600x"), stringGroupByFirstInitial("\U00010428x")})
        QVERIFY(!initial.back().isHighSurrogate());
}

void TestStringAdditions::inputChecks() {
    QVERIFY(isValidEmailAddress("ada@example.org"));
    QVERIFY(isValidEmailAddress("a.b+c@mail.example.co.uk"));
    QVERIFY(!isValidEmailAddress("ada@localhost"));
    QVERIFY(!isValidEmailAddress("ada.example.org"));
    QVERIFY(!isValidEmailAddress("ada@example.org\nrest"));
    QVERIFY(!isValidEmailAddress(""));
    QVERIFY(isValidPassword("123456"));
    QVERIFY(!isValidPassword("12345"));
    QVERIFY(isValidPhoneNumber("1"));
    QVERIFY(!isValidPhoneNumber(""));
    QCOMPARE(base64EncodedString("Zoë"), QStringLiteral("Wm/Dqw=="));
}

void TestStringAdditions::patternValidationAndItsLanguageWaiver() {
    const QString lettersOnly = QStringLiteral("^[a-zA-Z ]+$");
    QVERIFY(validateString("Ada Lovelace", lettersOnly, "en-US"));
    QVERIFY(!validateString("Zo\u00eb", lettersOnly, "en-GB"));
    QVERIFY(validateString("Zo\u00eb", lettersOnly, "de-DE"));
    QVERIFY(validateString("1234", lettersOnly, "fr"));
    // The waiver is for that one pattern only.
    QVERIFY(!validateString("Zo\u00eb", "^[a-z]+$", "de-DE"));
    // Case-insensitive, anywhere in the text.
    QVERIFY(validateString("xxABCxx", "abc", "en"));
    QVERIFY(!validateString("x", "", "en"));
    QVERIFY(!validateString("x", QString(), "en"));
    QVERIFY(!validateString(QString(), "x", "en"));
    QVERIFY(!validateString("((", "((", "en"));
}

void TestStringAdditions::trimmingAndJsonEscaping() {
    QCOMPARE(stringByTrimmingWhiteSpacesAndNewLines(" \t hi there \n"), QStringLiteral("hi there"));
    const QString trimmedNull = stringTrimmedForLeadingAndTrailingWhiteSpacesFromString(QString());
    QVERIFY(!trimmedNull.isNull());
    QVERIFY(trimmedNull.isEmpty());
    QCOMPARE(stringTrimmedForLeadingAndTrailingWhiteSpacesFromString("\n  a  b \t"), QStringLiteral("a  b"));
    QCOMPARE(stringTrimmedForLeadingAndTrailingWhiteSpacesFromString("   "), QString(""));
    QCOMPARE(escapeString(R"(say "hi" \ bye)"), QStringLiteral(R"(say \"hi\" \\ bye)"));
    QCOMPARE(escapeNewLine("a\nb"), QStringLiteral("a\\nb"));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestStringAdditions t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_stringadditions.moc"
