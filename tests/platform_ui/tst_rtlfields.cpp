// Editable fields and the back button in either direction: where an empty field's caret and
// placeholder wait, where typed text reads from, and which way the back chevron points, in a window or
// a program right to left and after a direction turned at run time.

#include "TestSandbox.h"

#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PlainTextView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QScopeGuard>
#include <QStyleHints>
#include <QTest>
#include <QToolButton>

using namespace pelnix::platform::ui;

namespace {

enum class Kind { Field, View, PlainView };

// Where a field is turned right to left, if at all.
enum class Setting { LeftToRight, Window, Program, WindowLeftToRightInProgram, TurnedWhileShown, TurnedBack };

struct Made {
    QWidget* field = nullptr;
    std::function<QRect()> caret;
};

Made make(Kind kind, QWidget* parent) {
    const QString placeholder = QStringLiteral("Type here");
    switch (kind) {
    case Kind::Field: {
        auto* field = new TextField(parent);
        field->setPlaceholder(placeholder);
        field->setGeometry(0, 0, 300, 40);
        return {field, [field] { return field->inputMethodQuery(Qt::ImCursorRectangle).toRect(); }};
    }
    case Kind::View: {
        auto* view = new TextView(parent);
        view->setEditable(true);
        view->setPlaceholderText(placeholder);
        view->setGeometry(0, 0, 300, 60);
        return {view, [view] { return view->cursorRect(); }};
    }
    case Kind::PlainView:
        break;
    }
    auto* view = new PlainTextView(parent);
    view->setFrameShape(QFrame::NoFrame);
    view->setPlaceholderText(placeholder);
    view->setGeometry(0, 0, 300, 60);
    return {view, [view] { return view->cursorRect(); }};
}

// Typed as a keyboard types it, a key with its text at a time.
void type(QWidget* field, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The columns of `picture` that differ from its background (read at its top middle).
std::pair<int, int> inkedColumns(const QImage& picture) {
    const int ground = qGray(picture.pixel(picture.width() / 2, 1));
    int first = -1;
    int last = -1;
    for (int x = 0; x < picture.width(); ++x)
        for (int y = 0; y < picture.height(); ++y)
            if (qAbs(qGray(picture.pixel(x, y)) - ground) > 30) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

// The program's and the window's directions as `setting` gives them before the window shows.
void turnBeforeShowing(QWidget& window, Setting setting) {
    if (setting == Setting::Program || setting == Setting::WindowLeftToRightInProgram)
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    if (setting == Setting::Window || setting == Setting::TurnedBack)
        window.setLayoutDirection(Qt::RightToLeft);
    if (setting == Setting::WindowLeftToRightInProgram)
        window.setLayoutDirection(Qt::LeftToRight);
}

// A caret that does not blink, until the guard goes: it shows whenever its field has the keys.
auto steadyCaret() {
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    return qScopeGuard([flash] { QGuiApplication::styleHints()->setCursorFlashTime(flash); });
}

} // namespace

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(Setting)

class TestRtlFields : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QGuiApplication::setLayoutDirection(Qt::LeftToRight); }

    void aFieldReadsFromItsTextsSide_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Setting>("setting");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("fromTheRight");
        const QString english = QStringLiteral("hello");
        const QString arabic = QStringLiteral("\u0645\u0631\u062D\u0628\u0627");
        for (const auto& [kind, name] :
             {std::pair{Kind::Field, "text field"}, std::pair{Kind::View, "text view"},
              std::pair{Kind::PlainView, "plain text view"}}) {
            QTest::addRow("%s, empty", name) << kind << Setting::LeftToRight << QString() << false;
            QTest::addRow("%s, empty, window rtl", name) << kind << Setting::Window << QString() << true;
            QTest::addRow("%s, empty, program rtl", name) << kind << Setting::Program << QString() << true;
            QTest::addRow("%s, empty, window ltr in a program rtl", name)
                << kind << Setting::WindowLeftToRightInProgram << QString() << false;
            QTest::addRow("%s, empty, turned rtl while shown", name)
                << kind << Setting::TurnedWhileShown << QString() << true;
            QTest::addRow("%s, empty, turned back", name)
                << kind << Setting::TurnedBack << QString() << false;
            QTest::addRow("%s, english, window rtl", name) << kind << Setting::Window << english << false;
            QTest::addRow("%s, english, program rtl", name) << kind << Setting::Program << english << false;
            QTest::addRow("%s, arabic, ltr", name) << kind << Setting::LeftToRight << arabic << true;
            QTest::addRow("%s, arabic, turned back", name) << kind << Setting::TurnedBack << arabic << true;
            QTest::addRow("%s, digits, window rtl", name)
                << kind << Setting::Window << QStringLiteral("2024") << true;
            QTest::addRow("%s, digits, ltr", name)
                << kind << Setting::LeftToRight << QStringLiteral("2024") << false;
        }
    }

    // Empty, the caret and the placeholder wait at the field's leading edge; typed text reads from
    // the side of its first strong letter, and text with none (digits) from the leading edge.
    void aFieldReadsFromItsTextsSide() {
        QFETCH(Kind, kind);
        QFETCH(Setting, setting);
        QFETCH(QString, typed);
        QFETCH(bool, fromTheRight);
        QWidget window;
        window.resize(300, 60);
        turnBeforeShowing(window, setting);
        const Made made = make(kind, &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        type(made.field, typed);
        if (setting == Setting::TurnedWhileShown)
            window.setLayoutDirection(Qt::RightToLeft);
        if (setting == Setting::TurnedBack)
            window.setLayoutDirection(Qt::LeftToRight);
        const int middle = made.field->width() / 2;
        // A line edit places its text as it paints.
        made.field->grab();
        const QRect caret = made.caret();
        QVERIFY2((caret.center().x() > middle) == fromTheRight,
                 qPrintable(QStringLiteral("caret at x %1").arg(caret.center().x())));
        // The text, or the placeholder, as it shows without the keys (no caret to read as ink).
        made.field->clearFocus();
        const auto [first, last] = inkedColumns(made.field->grab().toImage());
        QVERIFY(first >= 0);
        QVERIFY2(fromTheRight ? first > middle : last < middle,
                 qPrintable(QStringLiteral("ink from x %1 to %2").arg(first).arg(last)));
    }

    void anEmptyFieldsCaretIsClearOfItsPlaceholder_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Setting>("setting");
        for (const auto& [kind, name] :
             {std::pair{Kind::Field, "text field"}, std::pair{Kind::View, "text view"},
              std::pair{Kind::PlainView, "plain text view"}})
            for (const auto& [setting, where] :
                 {std::pair{Setting::LeftToRight, "ltr"}, std::pair{Setting::Window, "window rtl"},
                  std::pair{Setting::Program, "program rtl"},
                  std::pair{Setting::WindowLeftToRightInProgram, "window ltr in a program rtl"}})
                QTest::addRow("%s, %s", name, where) << kind << setting;
    }

    // The caret of an empty field waits beside its placeholder, at most touching its first or last
    // letter, never over one (a program right to left drew the plain view's caret through the
    // placeholder's last letter).
    void anEmptyFieldsCaretIsClearOfItsPlaceholder() {
        QFETCH(Kind, kind);
        QFETCH(Setting, setting);
        const auto restore = steadyCaret();
        QWidget window;
        window.resize(300, 60);
        turnBeforeShowing(window, setting);
        const Made made = make(kind, &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        made.field->setFocus();
        QVERIFY(made.field->hasFocus());
        const QRect caret = made.caret();
        const QImage shown = made.field->grab().toImage();
        made.field->clearFocus();
        const QImage without = made.field->grab().toImage();
        const auto [first, last] = inkedColumns(without);
        QVERIFY(first >= 0);
        // The caret: what the keys changed within its rectangle.
        QList<int> drawn;
        for (int x = qMax(0, caret.left()); x <= qMin(shown.width() - 1, caret.right()); ++x)
            for (int y = qMax(0, caret.top()); y <= qMin(shown.height() - 1, caret.bottom()); ++y)
                if (shown.pixel(x, y) != without.pixel(x, y)) {
                    drawn << x;
                    break;
                }
        QVERIFY(!drawn.isEmpty());
        QVERIFY2(drawn.last() <= first || drawn.first() >= last,
                 qPrintable(QStringLiteral("placeholder from x %1 to %2, caret from x %3 to %4")
                                .arg(first)
                                .arg(last)
                                .arg(drawn.first())
                                .arg(drawn.last())));
    }

    // Where the plain view draws its empty text itself (the view reads otherwise than the program),
    // the caret still shows, where its rectangle says: at the view's leading edge.
    void anEmptyPlainViewShowsItsCaret() {
        const auto restore = steadyCaret();
        QWidget window;
        window.resize(300, 60);
        window.setLayoutDirection(Qt::RightToLeft);
        auto* view = new PlainTextView(&window);
        view->setFrameShape(QFrame::NoFrame);
        view->setPlaceholderText(QStringLiteral("Type here"));
        view->setGeometry(0, 0, 300, 60);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        view->setFocus();
        QVERIFY(view->hasFocus());
        const QRect caret = view->cursorRect();
        QVERIFY(caret.center().x() > view->width() / 2);
        const QImage shown = view->viewport()->grab().toImage();
        view->clearFocus();
        const QImage without = view->viewport()->grab().toImage();
        bool drawn = false;
        for (int x = caret.left() - 1; x <= caret.right() + 1 && !drawn; ++x)
            for (int y = caret.top(); y <= caret.bottom() && !drawn; ++y)
                drawn = shown.pixel(x, y) != without.pixel(x, y);
        QVERIFY(drawn);
    }

    // A read-only field shows its value as a label does, at the side it was asked for (the right, as a
    // form mirrored for a view right to left asks); made editable, the value reads from its own side.
    void aReadOnlyFieldShowsItsValueWhereAsked() {
        QWidget window;
        window.resize(300, 40);
        window.setLayoutDirection(Qt::RightToLeft);
        auto* field = new TextField(&window);
        field->setGeometry(0, 0, 300, 40);
        field->setAlignment(Qt::AlignAbsolute | Qt::AlignRight);
        field->setText(QStringLiteral("United Kingdom (+44)"));
        field->setReadOnly(true);
        window.show();
        const auto ink = [field] { return inkedColumns(field->grab().toImage()); };
        QVERIFY(ink().first > field->width() / 2);
        field->setReadOnly(false);
        QVERIFY(ink().second < field->width() / 2);
    }

    void theBackChevronPointsTheBarsWay_data() {
        QTest::addColumn<Setting>("setting");
        QTest::addColumn<bool>("rightToLeft");
        QTest::newRow("left to right") << Setting::LeftToRight << false;
        QTest::newRow("window right to left") << Setting::Window << true;
        QTest::newRow("window left to right in a program right to left")
            << Setting::WindowLeftToRightInProgram << false;
        QTest::newRow("turned right to left while shown") << Setting::TurnedWhileShown << true;
        QTest::newRow("turned back") << Setting::TurnedBack << false;
    }

    // The back button's "‹ Chats" reads in the bar's own direction: right to left as a program right
    // to left shows it ("Chats ›", the chevron pointing right, the way back), left to right as a
    // program left to right does, whatever the program's direction.
    void theBackChevronPointsTheBarsWay() {
        QFETCH(Setting, setting);
        QFETCH(bool, rightToLeft);
        const auto back = [](Qt::LayoutDirection program, std::optional<Qt::LayoutDirection> window,
                             std::optional<Qt::LayoutDirection> turned) {
            QGuiApplication::setLayoutDirection(program);
            auto restore = qScopeGuard([] { QGuiApplication::setLayoutDirection(Qt::LeftToRight); });
            Window host;
            host.resize(320, 200);
            if (window)
                host.setLayoutDirection(*window);
            auto* chats = new ViewController;
            chats->setTitle(QStringLiteral("Chats"));
            auto* navigation = new NavigationController(chats);
            host.setRootViewController(navigation);
            host.show();
            navigation->pushViewController(new ViewController, false);
            if (turned)
                host.setLayoutDirection(*turned);
            auto* button = navigation->navigationBar()->findChild<QToolButton*>("navigationBar.back");
            return button ? button->grab().toImage() : QImage();
        };
        const QImage programRightToLeft = back(Qt::RightToLeft, std::nullopt, std::nullopt);
        const QImage programLeftToRight = back(Qt::LeftToRight, std::nullopt, std::nullopt);
        QVERIFY(!programRightToLeft.isNull() && programRightToLeft != programLeftToRight);
        QImage shown;
        switch (setting) {
        case Setting::LeftToRight:
            shown = programLeftToRight;
            break;
        case Setting::Window:
            shown = back(Qt::LeftToRight, Qt::RightToLeft, std::nullopt);
            break;
        case Setting::WindowLeftToRightInProgram:
            shown = back(Qt::RightToLeft, Qt::LeftToRight, std::nullopt);
            break;
        case Setting::TurnedWhileShown:
            shown = back(Qt::LeftToRight, std::nullopt, Qt::RightToLeft);
            break;
        default:
            shown = back(Qt::LeftToRight, Qt::RightToLeft, Qt::LeftToRight);
            break;
        }
        QVERIFY(shown == (rightToLeft ? programRightToLeft : programLeftToRight));
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestRtlFields t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_rtlfields.moc"
