// Controls from the keyboard: a bar button with the keys is pressed by Return and Enter as by Space,
// and the ring Tab draws reads against what it lies on, on every button and switch.

#include "TestSandbox.h"

#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/FocusRing.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QTest>
#include <QToolButton>

using namespace pelnix::platform::ui;

namespace {
QString describe(const QColor& colour) {
    return colour.name();
}
} // namespace

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

    // The back button is a bar's button too: Return pops the page it belongs to.
    void theBackButtonIsPressedByReturn() {
        Window window;
        window.resize(320, 200);
        auto* first = new ViewController;
        first->setTitle(QStringLiteral("Chats"));
        auto* navigation = new NavigationController(first);
        window.setRootViewController(navigation);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        navigation->pushViewController(new ViewController, false);
        auto* back = window.findChild<QToolButton*>(QStringLiteral("navigationBar.back"));
        QVERIFY(back);
        back->setFocus(Qt::TabFocusReason);
        QTest::keyClick(back, Qt::Key_Return);
        QCOMPARE(navigation->viewControllers().size(), 1);
    }

    void theRingReadsOnTheControl_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QColor>("fill");
        QTest::addColumn<QColor>("page");
        QTest::addColumn<bool>("outlineWhole");
        const QColor white(Qt::white);
        QTest::newRow("blue button") << "button" << QColor(0x00, 0x86, 0xCA) << white << true;
        QTest::newRow("button in the highlight colour") << "button" << QColor() << white << true;
        QTest::newRow("half clear blue button") << "button" << QColor(0x00, 0x86, 0xCA, 128) << white << true;
        QTest::newRow("clear button") << "button" << QColor(Qt::transparent) << white << false;
        QTest::newRow("clear button on a dark page")
            << "button" << QColor(Qt::transparent) << QColor(0x1C, 0x1C, 0x1E) << false;
        QTest::newRow("dark button") << "button" << QColor(0x20, 0x20, 0x20) << white << true;
        QTest::newRow("clear button across a blue bar")
            << "across a bar" << QColor(0x00, 0x86, 0xCA) << white << true;
        QTest::newRow("button with a blue picture") << "picture" << QColor() << white << true;
        QTest::newRow("switch off") << "off" << QColor() << white << false;
        QTest::newRow("switch on") << "on" << QColor() << white << false;
    }

    // The ring Tab draws has at least 3:1 against the control's fill beside it (what the web's
    // accessibility guidelines ask of a control's parts); a blue button's ring in the highlight colour
    // had 1.08:1.
    void theRingReadsOnTheControl() {
        QFETCH(QString, control);
        QFETCH(QColor, fill);
        QFETCH(QColor, page);
        QWidget window;
        window.setAutoFillBackground(true);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, page);
        window.setPalette(palette);
        window.resize(300, 60);
        auto* field = new TextField(&window);
        field->setGeometry(0, 0, 100, 40);
        QWidget* shown = nullptr;
        if (control == QLatin1String("on") || control == QLatin1String("off")) {
            auto* toggle = new Switch(&window);
            toggle->setOn(control == QLatin1String("on"));
            shown = toggle;
        } else {
            // A bare button across a bar of the fill's colour, as "Add Members" spans its bar.
            QWidget* bar = nullptr;
            if (control == QLatin1String("across a bar")) {
                bar = new QWidget(&window);
                bar->setAutoFillBackground(true);
                QPalette barPalette = bar->palette();
                barPalette.setColor(QPalette::Window, fill);
                bar->setPalette(barPalette);
            }
            auto* button = new Button(bar ? bar : &window);
            button->setTitle(QStringLiteral("Next"));
            button->setTitleColor(Qt::white);
            button->setCornerRadius(4);
            if (control == QLatin1String("picture")) {
                QImage picture(40, 20, QImage::Format_ARGB32);
                QPainter painter(&picture);
                QLinearGradient blue(0, 0, 40, 0);
                blue.setColorAt(0, QColor(0x00, 0x70, 0xC0));
                blue.setColorAt(1, QColor(0x20, 0x90, 0xE0));
                painter.fillRect(picture.rect(), blue);
                painter.end();
                button->setBackgroundImage(picture);
            } else if (bar) {
                bar->setGeometry(120, 10, button->sizeHint().width() + 40, 36);
                button->setGeometry(bar->rect());
            } else {
                button->setBackgroundColor(fill.isValid() ? fill
                                                          : button->palette().color(QPalette::Highlight));
            }
            shown = button;
        }
        if (shown->parentWidget() == &window)
            shown->setGeometry(120, 10, shown->sizeHint().width() + 40, 36);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        field->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        const QImage without = window.grab().toImage();
        QTest::keyClick(&window, Qt::Key_Tab);
        QVERIFY(shown->hasFocus());
        QCoreApplication::processEvents();
        const QImage picture = window.grab().toImage();
        const bool isSwitch = qobject_cast<Switch*>(shown);
        // From the control's edge inwards, across its middle: its outline, the ring (what the keys
        // changed), then its fill again.
        const QPoint edge = shown->mapTo(&window, QPoint()) +
                            (isSwitch ? QPoint(shown->width() / 2, 0) : QPoint(0, shown->height() / 2));
        const QPoint step = isSwitch ? QPoint(0, 1) : QPoint(1, 0);
        int ringStart = 0;
        while (ringStart < 8 &&
               picture.pixel(edge + ringStart * step) == without.pixel(edge + ringStart * step))
            ++ringStart;
        int ringEnd = ringStart;
        while (ringEnd < 12 && picture.pixel(edge + ringEnd * step) != without.pixel(edge + ringEnd * step))
            ++ringEnd;
        QVERIFY2(ringStart < 8 && ringEnd < 12, "no ring in the control's edge");
        const QColor ringColour = picture.pixelColor(edge + (ringStart + ringEnd - 1) / 2 * step);
        const QColor fillColour = picture.pixelColor(edge + (ringEnd + 1) * step);
        QVERIFY2(FocusRing::contrast(ringColour, fillColour) >= FocusRing::kLeastContrast,
                 qPrintable(QStringLiteral("ring %1 on %2: %3:1")
                                .arg(describe(ringColour), describe(fillColour))
                                .arg(FocusRing::contrast(ringColour, fillColour), 0, 'f', 2)));
        // A button of its own colour keeps its whole outline: a ring on its edge, beside a page of the
        // ring's colour, read as a smaller button.
        QFETCH(bool, outlineWhole);
        if (outlineWhole) {
            QVERIFY2(ringStart >= 2, qPrintable(QStringLiteral("the ring starts %1 px in").arg(ringStart)));
            const QColor outline = picture.pixelColor(edge + step);
            QVERIFY(FocusRing::contrast(ringColour, outline) >= FocusRing::kLeastContrast);
        }
    }
    // A list Tab reaches (it scrolls with the arrows and the page keys) shows a ring at its edge while
    // it has the keys by the keyboard; a click's focus shows none, and the ring goes with the keys.
    void aListTabReachesShowsTheRing() {
        QWidget window;
        window.resize(300, 200);
        auto* field = new TextField(&window);
        field->setGeometry(0, 0, 300, 40);
        auto* list = new ScrollView(&window);
        list->setGeometry(0, 50, 300, 150);
        list->setContentSize(QSizeF(300, 2000));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const auto ringShown = [&] {
            QCoreApplication::processEvents();
            const QImage picture = window.grab().toImage();
            const QColor edge =
                picture.pixelColor(list->geometry().left() + 1, list->geometry().center().y());
            const QColor inside =
                picture.pixelColor(list->geometry().left() + 6, list->geometry().center().y());
            return FocusRing::contrast(edge, inside) >= FocusRing::kLeastContrast;
        };
        field->setFocus(Qt::MouseFocusReason);
        QVERIFY(!ringShown());
        QTest::keyClick(&window, Qt::Key_Tab);
        QVERIFY(list->hasFocus());
        QVERIFY(ringShown());
        QTest::keyClick(list, Qt::Key_PageDown);
        QVERIFY(list->contentOffset().y() > 0);
        QTest::keyClick(&window, Qt::Key_Tab);
        QVERIFY(!list->hasFocus());
        QVERIFY(!ringShown());
        QTest::mouseClick(list->viewport(), Qt::LeftButton);
        list->setFocus(Qt::MouseFocusReason);
        QVERIFY(!ringShown());
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestControlKeys t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_controlkeys.moc"
