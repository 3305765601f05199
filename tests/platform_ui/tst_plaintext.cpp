// Every text view of the screen layer shows text from other people and the server as it is: markup
// stays literal, and no picture it names is loaded.
#include "ReorderingText.h"
#include "platform/BidiText.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/ContactCardView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/StaticTableDataSource.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QVBoxLayout>

#include <functional>
#include <memory>

using namespace pelnix::platform::ui;

namespace {

using Show = std::function<QWidget*(const QString& text)>;

// What the widgets under `root` display: a QLabel as its accessible name (Qt reduces rich text to
// the text it shows), editors and buttons their text, our labels their text.
QStringList displayedTexts(QWidget* root) {
    QStringList texts;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        if (qobject_cast<QLabel*>(widget)) {
            if (QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget))
                texts << accessible->text(QAccessible::Name);
        } else if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
            texts << edit->toPlainText();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            texts << button->text();
        } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
            texts << line->text();
        } else if (auto* label = qobject_cast<Label*>(widget)) {
            texts << label->text();
        }
    }
    return texts;
}

// An editable view, pasted into as the clipboard would.
class PastingView : public TextView {
public:
    using TextView::insertFromMimeData;
};

int redPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 240 && c.green() < 20 && c.blue() < 20)
                ++count;
        }
    return count;
}

} // namespace

class TestPlainText : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_picture = m_dir.filePath(QStringLiteral("red.png"));
        QImage red(48, 48, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(m_picture));
    }

    void markupShowsLiterally_data() {
        QTest::addColumn<Show>("show");
        QTest::newRow("label") << Show([](const QString& text) {
            auto* label = new Label(text);
            label->setNumberOfLines(0);
            return label;
        });
        QTest::newRow("navigation bar title") << Show([](const QString& text) {
            auto* bar = new NavigationBar;
            auto* item = new NavigationItem(bar);
            item->setTitle(text);
            bar->setItems(item, nullptr);
            return bar;
        });
        QTest::newRow("alert title") << Show([](const QString& text) {
            return new AlertView(text, QStringLiteral("Message"), QStringLiteral("OK"), {});
        });
        QTest::newRow("alert message") << Show([](const QString& text) {
            return new AlertView(QStringLiteral("Title"), text, QStringLiteral("OK"), {});
        });
        QTest::newRow("alert button") << Show([](const QString& text) {
            return new AlertView(QStringLiteral("Title"), QString(), QStringLiteral("Cancel"), {text});
        });
        QTest::newRow("action sheet title") << Show([](const QString& text) {
            return new ActionSheet(text, QStringLiteral("Cancel"), QString(), {QStringLiteral("One")});
        });
        QTest::newRow("action sheet button") << Show([](const QString& text) {
            return new ActionSheet(QStringLiteral("Title"), QStringLiteral("Cancel"), text, {});
        });
        QTest::newRow("contact card name") << Show([](const QString& text) {
            auto* view = new ContactCardView;
            view->setContact(ContactCard{text, QString(), {}, {}});
            return view;
        });
        QTest::newRow("contact card entry label") << Show([](const QString& text) {
            auto* view = new ContactCardView;
            view->setContact(
                ContactCard{QStringLiteral("Ann"), QString(), {{text, QStringLiteral("+1 555")}}, {}});
            return view;
        });
        QTest::newRow("contact card entry value") << Show([](const QString& text) {
            auto* view = new ContactCardView;
            view->setContact(
                ContactCard{QStringLiteral("Ann"), QString(), {}, {{QStringLiteral("work"), text}}});
            return view;
        });
        QTest::newRow("table cell text") << Show([](const QString& text) {
            auto* cell = new TableViewCell(TableViewCell::Style::Subtitle, QString());
            cell->textLabel()->setText(text);
            return cell;
        });
        QTest::newRow("table cell detail") << Show([](const QString& text) {
            auto* cell = new TableViewCell(TableViewCell::Style::Value1, QString());
            cell->detailTextLabel()->setText(text);
            return cell;
        });
        QTest::newRow("table section title") << Show([](const QString& text) {
            auto* table = new TableView;
            auto* source = new StaticTableDataSource(table);
            const int section = source->addSection(text);
            source->addCell(section, new TableViewCell(TableViewCell::Style::Default, QString()));
            table->setDataSource(source);
            table->setDelegate(source);
            return table;
        });
        QTest::newRow("text view, read-only") << Show([](const QString& text) {
            auto* view = new TextView;
            view->setText(text);
            return view;
        });
        QTest::newRow("text view, editable") << Show([](const QString& text) {
            auto* view = new TextView;
            view->setEditable(true);
            view->setText(text);
            return view;
        });
        QTest::newRow("text view with detected links") << Show([](const QString& text) {
            auto* view = new TextView;
            view->setDetectedText(text);
            return view;
        });
        QTest::newRow("text field") << Show([](const QString& text) {
            auto* field = new TextField;
            field->setText(text);
            return field;
        });
        QTest::newRow("button") << Show([](const QString& text) {
            auto* button = new Button;
            button->setTitle(text);
            return button;
        });
    }
    void markupShowsLiterally() {
        QFETCH(Show, show);
        const QString text = QStringLiteral("<b>x</b><img src=\"%1\">").arg(m_picture);
        std::unique_ptr<QWidget> view(show(text));
        view->resize(400, 400);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QApplication::processEvents();
        const QStringList displayed = displayedTexts(view.get());
        QVERIFY2(displayed.contains(text), qPrintable(displayed.join(QStringLiteral(" | "))));
        QCOMPARE(redPixels(view->grab().toImage()), 0);
    }

    // Where the library builds markup on purpose it stays rich: detected links are links.
    void detectedLinksStayLinks() {
        TextView view;
        view.setDetectedText(QStringLiteral("see https://example.com/a <b>"));
        QCOMPARE(view.toPlainText(), QStringLiteral("see https://example.com/a <b>"));
        QVERIFY(view.toHtml().contains(QStringLiteral("href=\"https://example.com/a\"")));
    }

    // A value isolated in its own direction leaves the rest of its line where it was; not isolated,
    // the same value takes what follows it into its own run.
    void isolatedValuesLeaveTheirLineInPlace_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("moves");
        for (const auto& hostile : pelnix::test::reorderingValues())
            QTest::newRow(hostile.name) << hostile.value << hostile.movesWhatFollows;
    }
    void isolatedValuesLeaveTheirLineInPlace() {
        using namespace pelnix::test;
        QFETCH(QString, value);
        QFETCH(bool, moves);
        const auto line = [](const QString& text) {
            auto label = std::make_unique<Label>(text);
            label->setFont(QFont(QStringLiteral("DejaVu Sans"), 15));
            label->resize(420, 30);
            return label;
        };
        const auto leftPartKept = [&line](const QString& shown) {
            const auto alone = line(shown);
            const auto followed = line(shown + kFollowingText);
            const int width = int(alone->sizeThatFits({0, 0}).width()) - 2;
            const QImage drawn = drawing(followed.get());
            return sameLeftPart(drawn, drawing(alone.get()), width) && inkRightOf(drawn, width + 4);
        };
        QVERIFY(leftPartKept(QStringLiteral("name: ") + pelnix::platform::BidiText::isolated(value)));
        if (moves)
            QVERIFY(!leftPartKept(QStringLiteral("name: ") + value));
    }

    // A number in a message reads as the call it places, whatever directional control comes before it.
    void detectedLinksReadAsTheyAct() {
        TextView view;
        view.resize(400, 100);
        const QString number = QStringLiteral("+15550100");
        view.setDetectedText(QString(QChar(0x202E)) + QStringLiteral("call ") + number +
                             QStringLiteral(" now"));
        QVERIFY(view.toHtml().contains(QStringLiteral("href=\"tel:+15550100\"")));
        const QTextBlock block = view.document()->firstBlock();
        // Laid out as shown.
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int first = int(block.text().indexOf(number));
        QVERIFY(first >= 0);
        const QTextLine shown = block.layout()->lineForTextPosition(first);
        QVERIFY(shown.isValid());
        // Left to right, each digit where the number puts it.
        for (int i = 1; i < number.size(); ++i)
            QVERIFY2(shown.cursorToX(first + i - 1) < shown.cursorToX(first + i),
                     qPrintable(QString::number(i)));
    }

    // Markup pasted into an editable view arrives as its text.
    void pastedMarkupArrivesAsText() {
        PastingView view;
        view.setEditable(true);
        QMimeData data;
        data.setHtml(QStringLiteral("<b>bold</b><img src=\"%1\">").arg(m_picture));
        data.setText(QStringLiteral("bold"));
        view.insertFromMimeData(&data);
        QCOMPARE(view.toPlainText(), QStringLiteral("bold"));
        QVERIFY(!view.toHtml().contains(QStringLiteral("<img")));
    }

private:
    QTemporaryDir m_dir;
    QString m_picture;
};

QTEST_MAIN(TestPlainText)
#include "tst_plaintext.moc"
