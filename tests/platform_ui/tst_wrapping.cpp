#include "platform/ui/Label.h"
#include "platform/ui/LineBreaker.h"
#include "platform/ui/LineTruncation.h"
#include "platform/ui/TextView.h"

#include <QApplication>
#include <QTest>

using namespace pelnix::platform::ui;

namespace {

struct Lines {
    QList<int> starts;
    qreal height = 0;
    bool operator==(const Lines&) const = default;
};

QTextOption wrapping() {
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

template <typename Create> Lines layOut(QTextLayout& layout, qreal width, Create create) {
    Lines lines;
    layout.beginLayout();
    for (;;) {
        QTextLine line = create();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        line.setPosition(QPointF(0, lines.height));
        lines.height += line.height();
        lines.starts << line.textStart();
    }
    layout.endLayout();
    return lines;
}

// Qt's own lines.
Lines qtLines(const QString& text, const QFont& font, qreal width) {
    QTextLayout layout(text, font);
    layout.setTextOption(wrapping());
    return layOut(layout, width, [&] { return layout.createLine(); });
}

Lines breakerLines(const QString& text, const QFont& font, qreal width) {
    QTextLayout layout(text, font);
    layout.setTextOption(wrapping());
    LineBreaker breaker(layout);
    return layOut(layout, width, [&] { return breaker.createLine(); });
}

QString repeated(const QString& piece, int length) {
    QString text;
    while (text.size() < length)
        text += piece;
    text.truncate(length);
    return text;
}

// The label's text pixels alone, cropped to where they are.
QImage textPixels(const QString& text, Qt::LayoutDirection direction) {
    Label label;
    label.setLayoutDirection(direction);
    label.setText(text);
    label.resize(320, 30);
    QImage shot = label.grab().toImage().convertToFormat(QImage::Format_Grayscale8);
    const QRgb background = shot.pixel(0, 0);
    QRect ink;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) != background)
                ink |= QRect(x, y, 1, 1);
    return shot.copy(ink);
}

// How far apart two crops of text are, per pixel (0-255); 255 when their sizes differ by more than
// the pixel that sub-pixel placement can add.
int difference(const QImage& a, const QImage& b) {
    if (qAbs(a.width() - b.width()) > 1 || qAbs(a.height() - b.height()) > 1)
        return 255;
    qint64 sum = 0;
    const int w = qMin(a.width(), b.width()), h = qMin(a.height(), b.height());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sum += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    return int(sum / qMax(1, w * h));
}

// What a label of `lines` lines at `width` shows of `text`: null when the lines hold it all.
QString truncated(const QString& text, const QFont& font, qreal width, int lines) {
    QTextLayout layout(text, font);
    layout.setTextOption(wrapping());
    layout.beginLayout();
    LineBreaker breaker(layout);
    for (int made = 0; made < lines; ++made) {
        QTextLine line = breaker.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
    }
    layout.endLayout();
    return truncatedToLines(layout, lines, width, font);
}

const QChar kEllipsis(0x2026);

} // namespace

class TestWrapping : public QObject {
    Q_OBJECT
private slots:
    void linesAreQtsOwn_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qreal>("width");
        const QString sentence =
            QStringLiteral("The quick brown fox jumps over the lazy dog, again and again. ");
        QTest::newRow("sentences") << repeated(sentence, 2000) << qreal(180);
        QTest::newRow("sentences, wide") << repeated(sentence, 2000) << qreal(1200);
        QTest::newRow("long link in prose") << sentence + QStringLiteral("https://example.com/") +
                                                   repeated("a/b-c", 240) + QLatin1Char(' ') + sentence
                                            << qreal(240);
        QTest::newRow("word just under the long run")
            << sentence + repeated("x", LineBreaker::kLongRun) + QLatin1Char(' ') + sentence << qreal(120);
        QTest::newRow("word just over the long run")
            << sentence + repeated("x", LineBreaker::kLongRun + 1) + QLatin1Char(' ') + sentence
            << qreal(120);
        QTest::newRow("long word after prose") << sentence + repeated("Wi", 6000) + sentence << qreal(300);
        QTest::newRow("long word that ends mid-line")
            << repeated("m", 3000) + QStringLiteral(" tail words follow here") << qreal(200);
        QTest::newRow("line separators")
            << repeated(QStringLiteral("word ") + QChar(QChar::LineSeparator), 3000) << qreal(90);
        QTest::newRow("CJK") << repeated(QStringLiteral("漢字かな交じり文。"), 2000) << qreal(150);
        QTest::newRow("narrower than a letter") << repeated("abc ", 1000) << qreal(2);
        QTest::newRow("several long words")
            << repeated(repeated("q", 700) + QLatin1Char(' '), 5000) << qreal(260);
    }
    void linesAreQtsOwn() {
        QFETCH(QString, text);
        QFETCH(qreal, width);
        const QFont font = QApplication::font();
        QCOMPARE(breakerLines(text, font, width), qtLines(text, font, width));
    }

    // In a mirrored screen a text reads in its own direction: only where it sits changes. The same
    // glyphs placed at another sub-pixel offset differ by about 20 per pixel; reordered, by 48 or more.
    void textKeepsItsOwnOrderInAMirroredScreen_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("phone number") << QStringLiteral("+1 555-0101");
        QTest::newRow("English ending in punctuation") << QStringLiteral("Dev Patel: Thanks!");
        QTest::newRow("cut short") << QStringLiteral("Bring water and a warm ja\u2026");
    }
    void textKeepsItsOwnOrderInAMirroredScreen() {
        QFETCH(QString, text);
        const QImage leftToRight = textPixels(text, Qt::LeftToRight);
        QVERIFY(!leftToRight.isNull());
        const int apart = difference(textPixels(text, Qt::RightToLeft), leftToRight);
        QVERIFY2(apart < 35, qPrintable(QString::number(apart)));
    }

    // A text view lays its text out through Qt's own document, whose wrap mode holds for every line:
    // a text with a run past the long run wraps anywhere (linear), any other at word boundaries.
    void aTextViewWrapsALongRunAnywhere_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("longRun");
        const QString sentence = QStringLiteral("The new entrance, seen from the car park. ");
        QTest::newRow("caption") << sentence << false;
        QTest::newRow("prose") << repeated(sentence, 64 * 1024) << false;
        // A run counts up to the next break opportunity, its trailing space included.
        QTest::newRow("run with its space at the long run")
            << sentence + repeated("x", LineBreaker::kLongRun - 1) + QLatin1Char(' ') + sentence << false;
        QTest::newRow("run with its space one past the long run")
            << sentence + repeated("x", LineBreaker::kLongRun) + QLatin1Char(' ') + sentence << true;
        QTest::newRow("run at the end") << sentence + repeated("y", 1000) << true;
        QTest::newRow("one 256 KB word") << repeated("w", 256 * 1024) << true;
    }
    void aTextViewWrapsALongRunAnywhere() {
        QFETCH(QString, text);
        QFETCH(bool, longRun);
        QCOMPARE(LineBreaker::hasLongRun(text), longRun);
        TextView view;
        view.resize(320, 80);
        view.setText(QStringLiteral("short"));
        view.setText(text);
        QCOMPARE(view.wordWrapMode(),
                 longRun ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
        QCOMPARE(view.toPlainText(), text);
        // Measured the same way: wider than the view, the text takes more than one line.
        QVERIFY(view.heightForText(300) > 2 * QFontMetricsF(view.font()).lineSpacing() || text.size() < 60);
    }

    void textPastTheLastLineEndsItWithAnEllipsis_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fits"); // what the width is made to hold
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("shownStart"); // null: all shows, untouched
        QTest::addColumn<bool>("ellipsis");
        const QString name = QStringLiteral("Alexandra Konstantinopoulou");
        QTest::newRow("a name that fits") << "Bob"
                                          << "Bob and more" << 1 << QString() << false;
        QTest::newRow("a long name, cut inside its second word")
            << name << "Alexandra Konstan" << 1 << "Alexandra Kon" << true;
        QTest::newRow("blanks left over") << "Bob      "
                                          << "Bob" << 1 << QString() << false;
        QTest::newRow("a second line not shown")
            << "Line one\nLine two"
            << "Line one and more" << 1 << QStringLiteral("Line one") + kEllipsis << true;
        QTest::newRow("two lines, the third cut") << "one two three four five six seven eight nine ten"
                                                  << "one two three" << 2 << "one two" << true;
        QTest::newRow("no room for a letter and the ellipsis") << "Bob"
                                                               << "Bo" << 1 << QString() << false;
        QTest::newRow("no limit") << name << "Alexandra" << 0 << QString() << false;
        QTest::newRow("a long word, lines of it")
            << repeated("abcdefghij", 256 * 1024) << "abcdefghijabcdefghij" << 3 << "abcdefghij" << true;
    }

    // A label whose lines do not hold its text shows that it goes on: its last line ends with "…"
    // within the width, after all the lines before it hold.
    void textPastTheLastLineEndsItWithAnEllipsis() {
        QFETCH(QString, text);
        QFETCH(QString, fits);
        QFETCH(int, lines);
        QFETCH(QString, shownStart);
        QFETCH(bool, ellipsis);
        text.replace(QLatin1Char('\n'), QChar::LineSeparator);
        const QFont font = QApplication::font();
        const qreal width = QFontMetricsF(font).horizontalAdvance(fits);
        const QString shown = truncated(text, font, width, lines);
        QCOMPARE(shown.isNull(), shownStart.isNull());
        if (shown.isNull())
            return;
        QVERIFY2(shown.startsWith(shownStart), qPrintable(shown.left(80)));
        QCOMPARE(shown.endsWith(kEllipsis), ellipsis);
        QVERIFY(shown.size() < text.size());
        // Laid out again, the shown text takes no more lines than allowed.
        QCOMPARE(truncated(shown, font, width, lines), QString());
        const Lines made = breakerLines(shown, font, width);
        QVERIFY2(made.starts.size() <= lines, qPrintable(QString::number(made.starts.size())));
    }

    // A one-line label draws the truncated text, not the words its line holds whole.
    void aOneLineLabelDrawsTheEllipsis() {
        const auto drawn = [](const QString& text, int width) {
            Label label;
            label.setText(text);
            label.resize(width, 30);
            return label.grab().toImage();
        };
        const QString name = QStringLiteral("Alexandra Konstantinopoulou");
        const int width =
            QFontMetrics(QApplication::font()).horizontalAdvance(QStringLiteral("Alexandra Konstan"));
        const QString shown = truncated(name, QApplication::font(), width, 1);
        QVERIFY(shown.endsWith(kEllipsis));
        QCOMPARE(drawn(name, width), drawn(shown, width));
        QVERIFY(drawn(name, width) != drawn(QStringLiteral("Alexandra"), width));
    }

    // Broken anywhere, line after line, into lines that together hold the whole word.
    void aLongWordFillsItsLines() {
        const QString word = repeated("abcdefghij", 256 * 1024);
        Label label;
        label.setNumberOfLines(0);
        label.setText(word);
        const int height = label.heightForWidth(300);
        const qreal lineHeight = QFontMetricsF(label.font()).height();
        const int perLine =
            int(300 / QFontMetricsF(label.font()).horizontalAdvance(QStringLiteral("abcdefghij")) * 10);
        QVERIFY(perLine > 10);
        QVERIFY2(height >= word.size() / (perLine + 1) * lineHeight, qPrintable(QString::number(height)));
        QVERIFY2(height <= (word.size() / (perLine - 10) + 2) * lineHeight,
                 qPrintable(QString::number(height)));
        // The layout's option is put back.
        QTextLayout layout(word.left(1000), label.font());
        layout.setTextOption(wrapping());
        {
            LineBreaker breaker(layout);
            layOut(layout, 100, [&] { return breaker.createLine(); });
        }
        QCOMPARE(layout.textOption().wrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    }
};

QTEST_MAIN(TestWrapping)
#include "tst_wrapping.moc"
