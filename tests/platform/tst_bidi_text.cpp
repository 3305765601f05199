// Directional controls in people's and the server's text: ordinary text is none of them, and a value
// is isolated from the text around it with its own controls balanced. (What an action's address and a
// file name make of each control is tested where they are used.)
#include "platform/BidiText.h"

#include <QTest>

using pelnix::platform::BidiText;

namespace {
const QChar kFsi(0x2068);
const QChar kPdi(0x2069);
const QChar kRlo(0x202E);

} // namespace

class TestBidiText : public QObject {
    Q_OBJECT
private slots:
    void ordinaryCharactersAreNoControls_data();
    void ordinaryCharactersAreNoControls();
    void isolation_data();
    void isolation();
    void firstStrongDirection_data();
    void firstStrongDirection();
    void paragraphs_data();
    void paragraphs();
};

void TestBidiText::ordinaryCharactersAreNoControls_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QStringLiteral("Ann Smith <ann@acme.test> +1 555-0100");
    QTest::newRow("accents and emoji") << QStringLiteral("Zoë Ørsted \U0001F600");
    QTest::newRow("zero-width joiner and space") << QStringLiteral("a\u200Db\u200Bc");
    QTest::newRow("hebrew letters") << QStringLiteral("\u05D3\u05D5\u05D3");
}

void TestBidiText::ordinaryCharactersAreNoControls() {
    QFETCH(QString, text);
    QVERIFY(!BidiText::hasControls(text));
    QCOMPARE(BidiText::withoutControls(text), text);
    QCOMPARE(BidiText::withControlsShown(text), text);
}

void TestBidiText::isolation_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("isolated");
    const QString fsi(kFsi);
    const QString pdi(kPdi);
    const QString rlo(kRlo);
    QTest::newRow("left-to-right text stays as it is")
        << QStringLiteral("Ann (12)") << QStringLiteral("Ann (12)");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("right-to-left name")
        << QStringLiteral("\u05D3\u05D5\u05D3") << fsi + QStringLiteral("\u05D3\u05D5\u05D3") + pdi;
    QTest::newRow("arabic digits") << QStringLiteral("\u0661\u0662")
                                   << fsi + QStringLiteral("\u0661\u0662") + pdi;
    QTest::newRow("override") << rlo + QStringLiteral("gnp.exe")
                              << fsi + rlo + QStringLiteral("gnp.exe") + pdi;
    QTest::newRow("a closing mark of its own would end the isolate")
        << QStringLiteral("a") + pdi + rlo + QStringLiteral("b")
        << fsi + QStringLiteral("a") + rlo + QStringLiteral("b") + pdi;
    QTest::newRow("an isolate left open is closed")
        << fsi + QStringLiteral("a") + rlo << fsi + fsi + QStringLiteral("a") + rlo + pdi + pdi;
    QTest::newRow("a balanced isolate is kept")
        << fsi + QStringLiteral("a") + pdi + QStringLiteral("b")
        << fsi + fsi + QStringLiteral("a") + pdi + QStringLiteral("b") + pdi;
    QTest::newRow("each line on its own")
        << QStringLiteral("plain\n") + rlo + QStringLiteral("evil")
        << QStringLiteral("plain\n") + fsi + rlo + QStringLiteral("evil") + pdi;
    QTest::newRow("a line end inside an override")
        << rlo + QStringLiteral("a\u2029b")
        << fsi + rlo + QStringLiteral("a") + pdi + QStringLiteral("\u2029b");
}

void TestBidiText::isolation() {
    QFETCH(QString, text);
    QTEST(BidiText::isolated(text), "isolated");
    QFETCH(QString, isolated);
    QCOMPARE(BidiText::needsIsolation(text), isolated != text);
}

void TestBidiText::firstStrongDirection_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Qt::LayoutDirection>("direction");
    const auto ltr = Qt::LeftToRight;
    const auto rtl = Qt::RightToLeft;
    const QString fsi(kFsi), pdi(kPdi);
    QTest::newRow("latin") << QStringLiteral("Hello \"world\"") << ltr;
    QTest::newRow("hebrew") << QStringLiteral("\u05E9\u05DC\u05D5\u05DD") << rtl;
    QTest::newRow("arabic") << QStringLiteral("\u0645\u0631\u062D\u0628\u0627") << rtl;
    QTest::newRow("digits, then hebrew") << QStringLiteral("42 (\u05E9\u05DC\u05D5\u05DD)") << rtl;
    QTest::newRow("arabic digits, then latin") << QStringLiteral("\u0661\u0662 apples") << ltr;
    QTest::newRow("hebrew, then latin") << QStringLiteral("\u05D0 a") << rtl;
    QTest::newRow("latin on a later line") << QStringLiteral("42\n\u2014 ok") << ltr;
    QTest::newRow("digits alone") << QStringLiteral("12 34") << ltr;
    QTest::newRow("empty") << QString() << ltr;
    QTest::newRow("right-to-left mark") << QStringLiteral("\u200FHello") << rtl;
    QTest::newRow("left-to-right mark") << QStringLiteral("\u200E\u05D0") << ltr;
    QTest::newRow("an isolate is passed over")
        << fsi + QStringLiteral("\u05D0") + pdi + QStringLiteral("a") << ltr;
    QTest::newRow("an isolate left open hides the rest") << fsi + QStringLiteral("\u05D0 a") << ltr;
    QTest::newRow("a closing mark alone closes nothing") << pdi + QStringLiteral("\u05D0") << rtl;
    QTest::newRow("an override is no strong character") << kRlo + QStringLiteral("abc") << ltr;
    QTest::newRow("a letter beyond the basic plane") << QStringLiteral("1 \U0001E900") << rtl;
}

void TestBidiText::firstStrongDirection() {
    QFETCH(QString, text);
    QTEST(BidiText::firstStrongDirection(text), "direction");
}

void TestBidiText::paragraphs_data() {
    QTest::addColumn<QString>("text");
    // Each paragraph's text and direction ('L' or 'R').
    QTest::addColumn<QStringList>("paragraphs");
    QTest::addColumn<QString>("directions");
    const QString fsi(kFsi), pdi(kPdi);
    const QString hello = QStringLiteral("\u0645\u0631\u062D\u0628\u0627 \u0628\u0643\u0645!");
    const QString shalom = QStringLiteral("\u05E9\u05DC\u05D5\u05DD");
    QTest::newRow("one paragraph") << QStringLiteral("See you") << QStringList{"See you"} << "L";
    QTest::newRow("empty") << QString() << QStringList{""} << "L";
    QTest::newRow("arabic, then english")
        << hello + "\nSee you at 10." << QStringList{hello, "See you at 10."} << "RL";
    QTest::newRow("english, then hebrew") << "Moved.\n" + shalom << QStringList{"Moved.", shalom} << "LR";
    QTest::newRow("a paragraph separator")
        << hello + QChar(QChar::ParagraphSeparator) + "Ok" << QStringList{hello, "Ok"} << "RL";
    QTest::newRow("a carriage return belongs to the line end")
        << shalom + "\r\nOk\r" << QStringList{shalom, "Ok\r"} << "RL";
    QTest::newRow("a line separator breaks no paragraph")
        << shalom + QChar(QChar::LineSeparator) + "Ok"
        << QStringList{shalom + QChar(QChar::LineSeparator) + "Ok"} << "R";
    QTest::newRow("digits follow the paragraph before")
        << shalom + "\n10 - 12\nOk\n\U0001F600" << QStringList{shalom, "10 - 12", "Ok", "\U0001F600"}
        << "RRLL";
    QTest::newRow("leading digits follow the first direction found")
        << "(1)\n\n" + shalom + "\nOk" << QStringList{"(1)", "", shalom, "Ok"} << "RRRL";
    QTest::newRow("no strong character at all") << "1\n2" << QStringList{"1", "2"} << "LL";
    QTest::newRow("a final line end") << "Ok\n" << QStringList{"Ok", ""} << "LL";
    QTest::newRow("an isolate is passed over in its paragraph")
        << "1\n" + fsi + shalom + pdi + "a" << QStringList{"1", fsi + shalom + pdi + "a"} << "LL";
    QTest::newRow("an isolate left open ends with its paragraph")
        << fsi + "a\n" + shalom << QStringList{fsi + "a", shalom} << "RR";
}

void TestBidiText::paragraphs() {
    QFETCH(QString, text);
    QFETCH(QStringList, paragraphs);
    QFETCH(QString, directions);
    QStringList texts;
    QString read;
    qsizetype previousEnd = -1;
    for (const BidiText::Paragraph& paragraph : BidiText::paragraphs(text)) {
        QVERIFY(paragraph.start > previousEnd);
        previousEnd = paragraph.start + paragraph.length;
        texts << text.mid(paragraph.start, paragraph.length);
        read += paragraph.direction == Qt::RightToLeft ? QLatin1Char('R') : QLatin1Char('L');
    }
    QCOMPARE(texts, paragraphs);
    QCOMPARE(read, directions);
}

QTEST_GUILESS_MAIN(TestBidiText)
#include "tst_bidi_text.moc"
