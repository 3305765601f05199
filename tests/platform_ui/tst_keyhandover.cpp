#include "KeyChecks.h"
#include "TestSandbox.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace pelnix::platform::ui;
using pelnix::test::typeInto;

namespace {
// A screen with text fields that, as screens do, takes the focus from its text as it goes.
class Page : public ViewController {
public:
    Page(const QString& name, int fieldCount) : m_fieldCount(fieldCount) { setTitle(name); }
    QList<QLineEdit*> fields;

protected:
    QWidget* loadView() override {
        QWidget* view = ViewController::loadView();
        auto* layout = new QVBoxLayout(view);
        for (int i = 0; i < m_fieldCount; ++i) {
            fields << new QLineEdit(view);
            fields.last()->setObjectName(QStringLiteral("%1.field%2").arg(title()).arg(i));
            layout->addWidget(fields.last());
        }
        layout->addStretch(1);
        return view;
    }
    void viewWillDisappear(bool) override { endEditing(); }

private:
    int m_fieldCount;
};

QToolButton* barButton(NavigationController* nav, const QString& name) {
    return nav->navigationBar()->findChild<QToolButton*>(name);
}

// A library window with a stack whose first page has a menu on the bar and two fields, the user
// working in the second (so the field given back is the one the user had, not the page's first).
struct Stage {
    Window window;
    Page* a = new Page(QStringLiteral("A"), 2);
    NavigationController* nav = nullptr;

    Stage() {
        a->navigationItem()->setLeftBarButtonItem(new BarButtonItem(
            QStringLiteral("Menu"), [] {}, a));
        nav = new NavigationController(a);
        window.resize(320, 568);
        window.setRootViewController(nav);
    }
    bool show() {
        window.show();
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window);
    }
    // A page with no field of its own, in a stack of its own with a Cancel that dismisses it.
    NavigationController* sheet() {
        auto* c = new Page(QStringLiteral("C"), 0);
        auto* stack = new NavigationController(c);
        c->navigationItem()->setLeftBarButtonItem(new BarButtonItem(
            QStringLiteral("Cancel"), [stack] { stack->dismissViewController(true); }, c));
        return stack;
    }
};
} // namespace

class TestKeyHandOver : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Animator::setInstant(true); }

    // The page pushed or presented gets the keys (its first field, else the page), although the page
    // it covers takes the focus from its text as it goes; the page shown again gets back the field it
    // had, whether the page above was left by a call, a click or the keyboard.
    void thePageOnTopHasTheKeys_data() {
        QTest::addColumn<QString>("leftBy");
        QTest::newRow("a call") << "call";
        QTest::newRow("a click") << "click";
        QTest::newRow("the keyboard") << "keyboard";
    }

    void thePageOnTopHasTheKeys() {
        QFETCH(QString, leftBy);
        Stage stage;
        QVERIFY(stage.show());
        QWindow* keys = stage.window.windowHandle();
        stage.a->fields[1]->setFocus();
        VERIFY_KEYS_IN(stage.a->fields[1]);

        auto* b = new Page(QStringLiteral("B"), 1);
        stage.nav->pushViewController(b, false);
        VERIFY_KEYS_IN(b->fields[0]);
        typeInto(keys, QStringLiteral("hi"));
        QCOMPARE(b->fields[0]->text(), QStringLiteral("hi"));
        QToolButton* back = barButton(stage.nav, QStringLiteral("navigationBar.back"));
        QVERIFY(back);
        if (leftBy == QLatin1String("call")) {
            stage.nav->popViewController(false);
        } else if (leftBy == QLatin1String("click")) {
            QTest::mouseClick(back, Qt::LeftButton);
        } else {
            back->setFocus(Qt::TabFocusReason);
            QTest::keyClick(keys, Qt::Key_Space);
        }
        QCOMPARE(stage.nav->topViewController(), stage.a);
        VERIFY_KEYS_IN(stage.a->fields[1]);

        NavigationController* sheet = stage.sheet();
        stage.a->presentViewController(sheet, false);
        VERIFY_KEYS_IN(sheet->view());
        QToolButton* cancel = barButton(sheet, QStringLiteral("navigationBar.left.0"));
        QVERIFY(cancel);
        if (leftBy == QLatin1String("call")) {
            sheet->dismissViewController(false);
        } else if (leftBy == QLatin1String("click")) {
            QTest::mouseClick(cancel, Qt::LeftButton);
        } else {
            QTest::keyClick(keys, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), cancel);
            QTest::keyClick(keys, Qt::Key_Space);
        }
        QVERIFY(!stage.nav->presentedViewController());
        VERIFY_KEYS_IN(stage.a->fields[1]);
        typeInto(keys, QStringLiteral("yo"));
        QCOMPARE(stage.a->fields[1]->text(), QStringLiteral("yo"));
    }

    // A field given up while its page was covered is not given the keys back: the page's first takes
    // them; a page with none takes them itself.
    void aPageShownAgainWithoutItsFieldTakesItsPreferredOne() {
        Stage stage;
        QVERIFY(stage.show());
        stage.a->fields[1]->setFocus();
        stage.nav->pushViewController(new Page(QStringLiteral("B"), 1), false);
        stage.a->fields[1]->hide();
        stage.nav->popViewController(false);
        VERIFY_KEYS_IN(stage.a->fields[0]);

        stage.nav->pushViewController(new Page(QStringLiteral("B"), 1), false);
        stage.a->fields[0]->setEnabled(false);
        stage.nav->popViewController(false);
        VERIFY_KEYS_IN(stage.a->view());

        // Replaced as the window's root, the stack's page takes them.
        auto* other = new Page(QStringLiteral("D"), 1);
        stage.window.setRootViewController(new NavigationController(other));
        VERIFY_KEYS_IN(other->fields[0]);
    }

    // A click anywhere in the window that takes no focus of its own (a row, the page's ground) leaves
    // the keys on the window: the page pushed by it gets them all the same.
    void aPagePushedByAClickGetsTheKeys() {
        Stage stage;
        QVERIFY(stage.show());
        auto* ground = new QWidget(stage.a->view());
        ground->setGeometry(0, 300, 320, 100);
        ground->show();
        QApplication::focusWidget()->clearFocus();
        QTest::mouseClick(ground, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), &stage.window);
        auto* b = new Page(QStringLiteral("B"), 1);
        stage.nav->pushViewController(b, false);
        VERIFY_KEYS_IN(b->fields[0]);
        stage.nav->popViewController(false);
        VERIFY_KEYS_IN(stage.a->fields[0]);
    }

    // A window opens with the keys on its page, its first field's, or the window's own when it has
    // none: not on the first stop in Tab's order, a bar's button that Space would press.
    void aWindowOpensWithTheKeysOnItsPage() {
        Stage stage;
        QVERIFY(stage.show());
        VERIFY_KEYS_IN(stage.a->fields[0]);
        stage.window.hide();

        Window bare;
        auto* page = new Page(QStringLiteral("E"), 0);
        page->navigationItem()->setLeftBarButtonItem(new BarButtonItem(
            QStringLiteral("Menu"), [] {}, page));
        bare.setRootViewController(new NavigationController(page));
        bare.show();
        QApplication::setActiveWindow(&bare);
        QVERIFY(QTest::qWaitForWindowActive(&bare));
        VERIFY_KEYS_IN(&bare);
    }

    // A window the user left (another has the keys) changes its page all the same: the page on top
    // has its keys when the user comes back.
    void aWindowNotActiveKeepsTheKeysForTheUsersReturn() {
        Stage stage;
        QVERIFY(stage.show());
        stage.a->fields[1]->setFocus();
        QLineEdit elsewhere;
        elsewhere.show();
        QApplication::setActiveWindow(&elsewhere);
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        elsewhere.setFocus();

        auto* b = new Page(QStringLiteral("B"), 1);
        stage.nav->pushViewController(b, false);
        QCOMPARE(QApplication::focusWidget(), &elsewhere);
        QCOMPARE(stage.window.focusWidget(), b->fields[0]);
        stage.nav->popViewController(false);
        QCOMPARE(stage.window.focusWidget(), stage.a->fields[1]);
        stage.nav->pushViewController(new Page(QStringLiteral("B"), 1), false);
        QApplication::setActiveWindow(&stage.window);
        QVERIFY(QTest::qWaitForWindowActive(&stage.window));
        QCOMPARE(QApplication::focusWidget(), stage.window.focusWidget());
        QVERIFY(stage.window.focusWidget()->objectName() == QLatin1String("B.field0"));
    }

    // The keys in a widget of the host's own, beside a container, stay there through the container's
    // pushes, pops and presentations.
    void aFieldOfTheHostKeepsTheKeys() {
        QWidget host;
        auto* layout = new QHBoxLayout(&host);
        auto* own = new QLineEdit;
        layout->addWidget(own);
        auto* a = new Page(QStringLiteral("A"), 1);
        auto* nav = new NavigationController(a, &host);
        layout->addWidget(nav->view(), 1);
        host.resize(640, 480);
        host.show();
        QApplication::setActiveWindow(&host);
        QVERIFY(QTest::qWaitForWindowActive(&host));
        own->setFocus();

        auto* b = new Page(QStringLiteral("B"), 1);
        nav->pushViewController(b, false);
        VERIFY_KEYS_IN(own);
        nav->popViewController(false);
        VERIFY_KEYS_IN(own);
        auto* c = new Page(QStringLiteral("C"), 1);
        a->presentViewController(c, false);
        QVERIFY(c->view()->isVisible());
        VERIFY_KEYS_IN(own);
        c->dismissViewController(false);
        VERIFY_KEYS_IN(own);

        // Once the user works in the container (a click on its page), its changes carry the keys.
        QTest::mouseClick(a->view(), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), nav->view());
        auto* d = new Page(QStringLiteral("D"), 1);
        nav->pushViewController(d, false);
        VERIFY_KEYS_IN(d->fields[0]);
    }

    // An open alert keeps the keys through a change of page under it; answered, it leaves them to the
    // page then on top.
    void anOpenAlertKeepsTheKeys() {
        Stage stage;
        QVERIFY(stage.show());
        stage.a->fields[1]->setFocus();
        auto* alert = new AlertView(QStringLiteral("Leave?"), QString(), QStringLiteral("OK"), {});
        alert->show(&stage.window);
        QTRY_VERIFY(alert->isVisible());
        QVERIFY(alert->isAncestorOf(QApplication::focusWidget()));

        auto* b = new Page(QStringLiteral("B"), 1);
        stage.nav->pushViewController(b, false);
        QVERIFY(alert->isAncestorOf(QApplication::focusWidget()));
        alert->tapButtonAtIndex(0);
        VERIFY_KEYS_IN(b->fields[0]);
    }

    // A click that changes the page leaves no frame on the bar's button then under the still pointer
    // (popped by "‹ A", "Menu" lies where it was; Cancel of a presented page reveals "‹ A"): it has
    // no focus and looks as with the pointer elsewhere, until the pointer moves over it.
    void aClickLeavesNoFrameOnTheButtonItUncovers_data() {
        QTest::addColumn<QString>("clicked");
        QTest::newRow("back") << "back";
        QTest::newRow("Cancel of a presented page") << "cancel";
    }

    void aClickLeavesNoFrameOnTheButtonItUncovers() {
        QFETCH(QString, clicked);
        Stage stage;
        QVERIFY(stage.show());
        QWindow* keys = stage.window.windowHandle();
        // A user who once used Tab: a button with the keys would show it.
        QTest::keyClick(keys, Qt::Key_Tab);
        QVERIFY(stage.window.testAttribute(Qt::WA_KeyboardFocusChange));
        stage.nav->pushViewController(new Page(QStringLiteral("B"), 1), false);
        QToolButton* back = barButton(stage.nav, QStringLiteral("navigationBar.back"));
        QVERIFY(back);
        QToolButton* target = back;
        QWidget* under = back;
        if (clicked == QLatin1String("cancel")) {
            NavigationController* sheet = stage.sheet();
            stage.nav->topViewController()->presentViewController(sheet, false);
            target = barButton(sheet, QStringLiteral("navigationBar.left.0"));
        }
        QTRY_VERIFY(target->isVisible());
        // Near the bar's leading edge, where the button clicked and the one it uncovers both lie.
        const QPoint at = target->mapTo(&stage.window, QPoint(12, target->height() / 2));
        // The pointer moves there (the overload on a widget moves the cursor), then clicks.
        QTest::mouseMove(&stage.window, at);
        QTest::mouseClick(keys, Qt::LeftButton, {}, at);
        if (clicked == QLatin1String("back"))
            under = barButton(stage.nav, QStringLiteral("navigationBar.left.0"));
        QCOMPARE(stage.window.childAt(at), under);
        QCoreApplication::processEvents();
        QVERIFY(!under->hasFocus());
        const QImage still = under->grab().toImage();
        QTest::mouseMove(&stage.window, QPoint(160, 400));
        QCOMPARE(under->grab().toImage(), still);
        QTest::mouseMove(&stage.window, at + QPoint(2, 1));
        QCOMPARE_NE(under->grab().toImage(), still); // a real move over it shows the hover as ever
    }

    // The slide runs: the keys have moved by its end, and a page deleted meanwhile breaks nothing.
    void anAnimatedChangeHandsTheKeysOver() {
        Animator::setInstant(false);
        const auto instantAgain = qScopeGuard([] { Animator::setInstant(true); });
        Stage stage;
        QVERIFY(stage.show());
        stage.a->fields[1]->setFocus();
        auto* b = new Page(QStringLiteral("B"), 1);
        stage.nav->pushViewController(b, true);
        QTRY_COMPARE(QApplication::focusWidget(), b->fields[0]);
        stage.nav->popViewController(true);
        QTRY_COMPARE(QApplication::focusWidget(), stage.a->fields[1]);

        NavigationController* sheet = stage.sheet();
        stage.a->presentViewController(sheet, true);
        QTRY_COMPARE(QApplication::focusWidget(), sheet->view());
        sheet->dismissViewController(true);
        QTRY_COMPARE(QApplication::focusWidget(), stage.a->fields[1]);

        // The page leaving is deleted as it slides out: the one revealed still gets its field back.
        QPointer<Page> gone = new Page(QStringLiteral("B"), 1);
        stage.nav->pushViewController(gone, false);
        VERIFY_KEYS_IN(gone->fields[0]);
        stage.nav->popViewController(true);
        delete gone.data();
        QTRY_COMPARE(QApplication::focusWidget(), stage.a->fields[1]);
        QVERIFY(stage.a->view()->isVisible());
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestKeyHandOver t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_keyhandover.moc"
