// Controls from the keyboard: a bar button with the keys is pressed by Return and Enter as by Space.

#include "TestSandbox.h"

#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QToolButton>

using namespace pelnix::platform::ui;

class TestControlKeys : public QObject {
    Q_OBJECT
private slots:
    void init() { Animator::setInstant(true); }

    void aBarButtonIsPressedByReturnEnterAndSpace_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("autoRepeat");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("presses");
        QTest::newRow("Return") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << false << true << 1;
        QTest::newRow("keypad Enter")
            << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << false << true << 1;
        QTest::newRow("Space") << int(Qt::Key_Space) << Qt::KeyboardModifiers() << false << true << 1;
        QTest::newRow("Return held down")
            << int(Qt::Key_Return) << Qt::KeyboardModifiers() << true << true << 0;
        QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                     << false << true << 0;
        QTest::newRow("Return, disabled")
            << int(Qt::Key_Return) << Qt::KeyboardModifiers() << false << false << 0;
    }

    // The button Tab put the keys on acts on Return and the keypad's Enter as on Space, once for a key
    // held down, and not while its item is disabled.
    void aBarButtonIsPressedByReturnEnterAndSpace() {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, autoRepeat);
        QFETCH(bool, enabled);
        QFETCH(int, presses);
        Window window;
        window.resize(320, 200);
        auto* screen = new ViewController;
        int pressed = 0;
        auto* done = new BarButtonItem(
            BarButtonItem::SystemItem::Done, [&pressed] { ++pressed; }, screen);
        done->setEnabled(enabled);
        screen->navigationItem()->setRightBarButtonItem(done);
        window.setRootViewController(new NavigationController(screen));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* button = qobject_cast<QToolButton*>(done->view());
        QVERIFY(button);
        button->setFocus(Qt::TabFocusReason);
        if (autoRepeat) {
            QKeyEvent first(QEvent::KeyPress, key, modifiers, QStringLiteral("\r"), true);
            QCoreApplication::sendEvent(button, &first);
        } else {
            QTest::keyClick(button, Qt::Key(key), modifiers);
        }
        QCOMPARE(pressed, presses);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestControlKeys t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_controlkeys.moc"
