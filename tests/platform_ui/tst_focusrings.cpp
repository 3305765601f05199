// The focus ring follows the keyboard, not a click: it shows where Tab, Backtab or a shortcut put the
// keys, and keeps that look when the keys come back after an alert or to a window active again.

#include "TestSandbox.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/FocusRing.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace pelnix::platform::ui;

namespace {
// A page with a field, the control under test, and a field after it, in Tab's order.
class ControlPage : public ViewController {
public:
    explicit ControlPage(const QString& kind) : m_kind(kind) {}
    QLineEdit* before = nullptr;
    QWidget* control = nullptr;
    QLineEdit* after = nullptr;
    // Where a click on the control lands.
    QWidget* clickTarget = nullptr;

protected:
    QWidget* loadView() override {
        QWidget* view = ViewController::loadView();
        view->setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(view);
        before = new QLineEdit(view);
        layout->addWidget(before);
        if (m_kind == QLatin1String("list")) {
            auto* list = new ScrollView(view);
            list->setContentSize(QSizeF(300, 2000));
            list->setFixedHeight(120);
            control = list;
            clickTarget = list->viewport();
        } else if (m_kind == QLatin1String("switch")) {
            control = new Switch(view);
        } else {
            auto* button = new Button(view);
            if (m_kind == QLatin1String("avatar")) {
                QImage face(36, 36, QImage::Format_ARGB32);
                face.fill(QColor(0xC8, 0x7F, 0x4A));
                button->setImage(face);
            } else {
                button->setTitle(QStringLiteral("Next"));
                button->setTitleColor(Qt::white);
                button->setBackgroundColor(QColor(0x00, 0x86, 0xCA));
                button->setCornerRadius(4);
            }
            button->setFixedSize(120, 44);
            control = button;
        }
        if (!clickTarget)
            clickTarget = control;
        layout->addWidget(control);
        after = new QLineEdit(view);
        layout->addWidget(after);
        layout->addStretch(1);
        return view;
    }

private:
    QString m_kind;
};

// The page alone in a library window of its own.
struct Stage {
    Window window;
    ControlPage* page;

    explicit Stage(const QString& kind) : page(new ControlPage(kind)) {
        window.resize(320, 400);
        window.setRootViewController(page);
    }
    bool show() {
        window.show();
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window);
    }
    // Tab from the field before the control: the control has the keys.
    void tabToTheControl() {
        page->before->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(window.windowHandle(), Qt::Key_Tab);
    }
};

QWindow* keysOf(Window& window) {
    return window.windowHandle();
}

// Whether the control shows the ring: it looks otherwise with the keys than once they moved on.
bool ringShows(Window& window, ControlPage* page) {
    QCoreApplication::processEvents();
    const QRect area(page->control->mapTo(&window, QPoint()), page->control->size());
    const QImage with = window.grab(area).toImage();
    page->before->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    return with != window.grab(area).toImage();
}
} // namespace

class TestFocusRings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Animator::setInstant(true); }

    void theRingFollowsTheKeyboard_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("ring");
        const QList<std::pair<QString, bool>> ways{
            {QStringLiteral("click"), false},
            {QStringLiteral("Tab"), true},
            {QStringLiteral("Backtab"), true},
            {QStringLiteral("alert answered after a click"), false},
            {QStringLiteral("alert answered after Space"), true},
            {QStringLiteral("window active again after a click"), false},
            {QStringLiteral("window active again after Tab"), true},
        };
        for (const QString kind : {"button", "switch", "list", "avatar"})
            for (const auto& [how, ring] : ways)
                QTest::addRow("%s, %s", qPrintable(kind), qPrintable(how)) << kind << how << ring;
    }

    // The user has pressed Tab in the window before (Qt's flag for the keyboard stays set from then
    // on); then the keys reach the control one way or another.
    void theRingFollowsTheKeyboard() {
        QFETCH(QString, kind);
        QFETCH(QString, how);
        QFETCH(bool, ring);
        Stage stage(kind);
        QVERIFY(stage.show());
        Window& window = stage.window;
        ControlPage* page = stage.page;
        stage.tabToTheControl();
        QTest::keyClick(keysOf(window), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), page->after);

        const auto click = [&] {
            QTest::mouseClick(page->clickTarget, Qt::LeftButton, {}, QPoint(10, 10));
            QCOMPARE(QApplication::focusWidget(), page->control);
        };
        const auto tab = [&] {
            stage.tabToTheControl();
            QCOMPARE(QApplication::focusWidget(), page->control);
        };
        if (how == QLatin1String("click")) {
            click();
        } else if (how == QLatin1String("Tab")) {
            tab();
        } else if (how == QLatin1String("Backtab")) {
            page->after->setFocus(Qt::MouseFocusReason);
            QTest::keyClick(keysOf(window), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), page->control);
        } else if (how.startsWith(QLatin1String("alert"))) {
            const bool byClick = how.endsWith(QLatin1String("click"));
            if (byClick) {
                click();
            } else {
                tab();
                QTest::keyClick(keysOf(window), Qt::Key_Space);
            }
            // What the control's action opens, answered as the user started: by the pointer or keys.
            auto* alert = new AlertView(QStringLiteral("Lock"), QStringLiteral("Sure?"),
                                        QStringLiteral("Cancel"), {QStringLiteral("OK")});
            alert->show(&window);
            QTRY_VERIFY(alert->isAncestorOf(QApplication::focusWidget()));
            if (byClick)
                QTest::mouseClick(alert->findChild<QPushButton*>(QStringLiteral("alert.button.1")),
                                  Qt::LeftButton);
            else
                QTest::keyClick(keysOf(window), Qt::Key_Return);
            QTRY_COMPARE(QApplication::focusWidget(), page->control);
        } else {
            if (how.endsWith(QLatin1String("click")))
                click();
            else
                tab();
            QWidget other;
            other.resize(100, 100);
            other.show();
            QApplication::setActiveWindow(&other);
            QVERIFY(QTest::qWaitForWindowActive(&other));
            QVERIFY(!page->control->hasFocus());
            QApplication::setActiveWindow(&window);
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QCOMPARE(QApplication::focusWidget(), page->control);
        }
        QCOMPARE(ringShows(window, page), ring);
    }

    // A click on a control that Tab gave the keys takes its ring away; Tab brings it back.
    void aClickOnTheControlWithTheKeysHidesTheRing_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"button", "switch", "list", "avatar"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    void aClickOnTheControlWithTheKeysHidesTheRing() {
        QFETCH(QString, kind);
        Stage stage(kind);
        QVERIFY(stage.show());
        stage.tabToTheControl();
        QCOMPARE(QApplication::focusWidget(), stage.page->control);
        QTest::mouseClick(stage.page->clickTarget, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(QApplication::focusWidget(), stage.page->control);
        QVERIFY(!ringShows(stage.window, stage.page));
    }

    void aBarButtonTabReachesShowsARing_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("titled item") << "navigationBar.right.0";
        QTest::newRow("Done") << "navigationBar.left.0";
        QTest::newRow("back button") << "navigationBar.back";
        QTest::newRow("toolbar item") << "toolbar.0";
    }

    // A bar's button that Tab reaches shows a ring with 3:1 against the bar beside it; Qt's style drew
    // a pale panel (1.7:1), the same as the pointer's hover over it.
    void aBarButtonTabReachesShowsARing() {
        QFETCH(QString, button);
        Window window;
        window.resize(320, 240);
        auto* first = new ViewController;
        first->setTitle(QStringLiteral("Chats"));
        auto* page = new ViewController;
        auto* field = new QLineEdit(page->view());
        field->setGeometry(10, 10, 200, 30);
        auto* toolbar = new Toolbar(page->view());
        toolbar->setGeometry(0, 100, 320, Toolbar::kHeight);
        auto* share = new BarButtonItem(QStringLiteral("Share"), {}, page);
        toolbar->setItems({share});
        page->navigationItem()->setRightBarButtonItem(new BarButtonItem(QStringLiteral("Info"), {}, page));
        if (button == QLatin1String("navigationBar.left.0"))
            page->navigationItem()->setLeftBarButtonItem(
                new BarButtonItem(BarButtonItem::SystemItem::Done, {}, page));
        auto* navigation = new NavigationController(first);
        window.setRootViewController(navigation);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        navigation->pushViewController(page, false);
        auto* target = window.findChild<QToolButton*>(button);
        QVERIFY(target);
        QTRY_VERIFY(target->isVisible());
        QWidget* bar = target->parentWidget();
        field->setFocus(Qt::MouseFocusReason);
        for (int i = 0; i < 8 && !target->hasFocus(); ++i)
            QTest::keyClick(window.windowHandle(), Qt::Key_Tab);
        QVERIFY(target->hasFocus());
        QCoreApplication::processEvents();
        const QImage focused = window.grab().toImage();
        const QPoint origin = target->mapTo(&window, QPoint());
        const QPoint ring = origin + QPoint(1, target->height() / 2);
        const QColor barColour = focused.pixelColor(bar->mapTo(&window, QPoint(bar->width() / 2, 2)));
        const QColor ringColour = focused.pixelColor(ring);
        QVERIFY2(FocusRing::contrast(ringColour, barColour) >= FocusRing::kLeastContrast,
                 qPrintable(QStringLiteral("ring %1 on the bar's %2: %3:1")
                                .arg(ringColour.name(), barColour.name())
                                .arg(FocusRing::contrast(ringColour, barColour), 0, 'f', 2)));
        // The pointer over it, without the keys, looks otherwise.
        field->setFocus(Qt::MouseFocusReason);
        QTest::mouseMove(&window, origin + QPoint(target->width() / 2, target->height() / 2));
        QTest::mouseMove(&window, origin + QPoint(target->width() / 2 + 1, target->height() / 2));
        QCoreApplication::processEvents();
        const QImage hovered = window.grab().toImage();
        QVERIFY(FocusRing::contrast(hovered.pixelColor(ring), barColour) < FocusRing::kLeastContrast);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestFocusRings t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_focusrings.moc"
