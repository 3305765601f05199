// Keys on a page's buttons: a button with the keys is pressed by Return and the keypad's Enter as by
// Space, and Escape on a presented page presses its Cancel, else its Done, as a click would; each once
// for a key held down.

#include "KeyPresses.h"
#include "TestSandbox.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

using namespace pelnix::platform::ui;

namespace {
// A page with a field, presented in a stack of its own over a first page; its bar's items as a row
// asks, each counting its presses.
struct Stage {
    Window window;
    ViewController* first = new ViewController;
    ViewController* page = new ViewController;
    NavigationController* sheet = new NavigationController(page);
    QLineEdit* field = new QLineEdit(page->view());
    QStringList pressed;

    Stage() {
        window.resize(320, 480);
        window.setRootViewController(new NavigationController(first));
        field->setGeometry(10, 10, 200, 30);
    }
    bool show() {
        window.show();
        QApplication::setActiveWindow(&window);
        if (!QTest::qWaitForWindowActive(&window))
            return false;
        first->presentViewController(sheet, false);
        field->setFocus(Qt::MouseFocusReason);
        return field->hasFocus();
    }
    BarButtonItem* item(const QString& kind) {
        const auto count = [this, kind] {
            pressed << kind;
            sheet->dismissViewController(false);
        };
        if (kind == QLatin1String("Cancel"))
            return new BarButtonItem(BarButtonItem::SystemItem::Cancel, count, page);
        if (kind == QLatin1String("Done"))
            return new BarButtonItem(BarButtonItem::SystemItem::Done, count, page);
        if (kind == QLatin1String("titled Cancel"))
            return new BarButtonItem(QStringLiteral("Cancel"), count, page);
        if (kind == QLatin1String("Cancel button")) {
            // A page's own button in the bar, as the rooms screens make theirs.
            auto* button = new Button;
            button->setTitle(QStringLiteral("Cancel"));
            QObject::connect(button, &Button::clicked, page, count);
            return new BarButtonItem(static_cast<QWidget*>(button), page);
        }
        return new BarButtonItem(kind, count, page);
    }
    QWindow* keys() { return window.windowHandle(); }
};
} // namespace

class TestPageKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Animator::setInstant(true); }

    void aButtonIsPressedByReturnEnterAndSpace_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("presses");
        QTest::newRow("Return") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << true << 1;
        QTest::newRow("keypad Enter")
            << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << true << 1;
        QTest::newRow("Space") << int(Qt::Key_Space) << Qt::KeyboardModifiers() << true << 1;
        QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                     << true << 0;
        QTest::newRow("Return, disabled") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << false << 0;
    }

    // A page's button that Tab gave the keys (a viewer's Done, a confirmation's Confirm) is pressed by
    // Return and the keypad's Enter as by Space; Qt's button took Space alone.
    void aButtonIsPressedByReturnEnterAndSpace() {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, enabled);
        QFETCH(int, presses);
        QWidget window;
        auto* field = new QLineEdit(&window);
        auto* button = new Button(&window);
        button->setTitle(QStringLiteral("Confirm"));
        button->setGeometry(0, 40, 100, 40);
        button->setEnabled(enabled);
        int pressed = 0;
        connect(button, &Button::clicked, [&pressed] { ++pressed; });
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        field->setFocus(Qt::MouseFocusReason);
        button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(window.windowHandle(), Qt::Key(key), modifiers);
        QCOMPARE(pressed, presses);
    }

    void aHeldKeyPressesAButtonOnce_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Space") << int(Qt::Key_Space);
    }
    void aHeldKeyPressesAButtonOnce() {
        QFETCH(int, key);
        QWidget window;
        auto* button = new Button(&window);
        button->setTitle(QStringLiteral("Confirm"));
        button->resize(100, 40);
        int pressed = 0;
        connect(button, &Button::clicked, [&pressed] { ++pressed; });
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        button->setFocus(Qt::TabFocusReason);
        pelnix::test::pressKey(window.windowHandle(), Qt::Key(key), {}, 5);
        QCOMPARE(pressed, 1);
    }

    void escapePressesCancelElseDone_data() {
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QStringList>("right");
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<bool>("dismissed");
        const QString none;
        QTest::newRow("Cancel and Done") << QStringList{"Cancel"} << QStringList{"Done"} << "Cancel" << true;
        QTest::newRow("Done alone") << QStringList{} << QStringList{"Done"} << "Done" << true;
        QTest::newRow("Done left, Cancel right")
            << QStringList{"Done"} << QStringList{"Cancel"} << "Cancel" << true;
        QTest::newRow("titled Cancel")
            << QStringList{"titled Cancel"} << QStringList{"Send"} << "titled Cancel" << true;
        QTest::newRow("the page's own Cancel button")
            << QStringList{"Cancel button"} << QStringList{"Done"} << "Cancel button" << true;
        QTest::newRow("neither") << QStringList{"Edit"} << QStringList{"Send"} << none << false;
        QTest::newRow("nothing on the bar") << QStringList{} << QStringList{} << none << false;
        QTest::newRow("Cancel disabled")
            << QStringList{"disabled Cancel"} << QStringList{"Done"} << none << false;
    }

    // Escape on a presented page (in its field) does what a click on its Cancel, else its Done, does;
    // nothing on a page with neither. A disabled Cancel leaves Done alone: Escape never saves.
    void escapePressesCancelElseDone() {
        QFETCH(QStringList, left);
        QFETCH(QStringList, right);
        QFETCH(QString, pressed);
        QFETCH(bool, dismissed);
        Stage stage;
        QList<BarButtonItem*> leftItems;
        QList<BarButtonItem*> rightItems;
        for (const QString& kind : left) {
            const bool disabled = kind.startsWith(QLatin1String("disabled "));
            leftItems << stage.item(disabled ? kind.mid(9) : kind);
            leftItems.last()->setEnabled(!disabled);
        }
        for (const QString& kind : right)
            rightItems << stage.item(kind);
        stage.page->navigationItem()->setLeftBarButtonItems(leftItems);
        stage.page->navigationItem()->setRightBarButtonItems(rightItems);
        QVERIFY(stage.show());
        QTest::keyClick(stage.keys(), Qt::Key_Escape);
        QCOMPARE(stage.pressed, pressed.isEmpty() ? QStringList() : QStringList{pressed});
        QCOMPARE(!stage.first->presentedViewController(), dismissed);
    }

    // Held down, Escape presses Cancel once: the repeats reach nothing, the page under it neither.
    void aHeldEscapePressesOnce() {
        Stage stage;
        stage.page->navigationItem()->setLeftBarButtonItem(stage.item(QStringLiteral("Cancel")));
        QVERIFY(stage.show());
        pelnix::test::pressKey(stage.keys(), Qt::Key_Escape, {}, 5);
        QCOMPARE(stage.pressed, QStringList{"Cancel"});
    }

    // An open alert takes Escape first: it answers Cancel, and the page stays.
    void anOpenAlertTakesEscapeFirst() {
        Stage stage;
        stage.page->navigationItem()->setLeftBarButtonItem(stage.item(QStringLiteral("Cancel")));
        QVERIFY(stage.show());
        int answer = -1;
        auto* alert =
            new AlertView(QStringLiteral("Discard?"), QString(), QStringLiteral("Cancel"),
                          {QStringLiteral("Discard")}, [&answer](AlertView*, int index) { answer = index; });
        alert->show(&stage.window);
        QTRY_VERIFY(alert->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(stage.keys(), Qt::Key_Escape);
        QCOMPARE(answer, 0);
        QVERIFY(stage.pressed.isEmpty());
        QVERIFY(stage.first->presentedViewController());
        // Answered, the keys are the page's again, and Escape is its own.
        QTRY_COMPARE(QApplication::focusWidget(), stage.field);
        QTest::keyClick(stage.keys(), Qt::Key_Escape);
        QCOMPARE(stage.pressed, QStringList{"Cancel"});
    }

    // A page that is not presented (pushed, or the window's own) keeps Escape to itself.
    void aPageNotPresentedTakesNoEscape() {
        Stage stage;
        auto* cancel = stage.item(QStringLiteral("Cancel"));
        stage.first->navigationItem()->setLeftBarButtonItem(cancel);
        auto* field = new QLineEdit(stage.first->view());
        field->setGeometry(10, 10, 200, 30);
        stage.window.show();
        QApplication::setActiveWindow(&stage.window);
        QVERIFY(QTest::qWaitForWindowActive(&stage.window));
        field->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(stage.keys(), Qt::Key_Escape);
        QVERIFY(stage.pressed.isEmpty());
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestPageKeys t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_pagekeys.moc"
