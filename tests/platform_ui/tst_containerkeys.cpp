// Where the keys go when what held them goes away under them, in a library window and in containers
// a host places in widgets of its own: an alert answered with nothing under it, a field whose typing a
// screen ends, a container's view the host moves, a page left while the host showed another tab, a
// page dismissed after its hidden container showed again.
#include "KeyChecks.h"
#include "SteppedAnimations.h"
#include "TestSandbox.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QDockWidget>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

using namespace pelnix::platform::ui;
using pelnix::test::typeInto;

namespace {

// A screen with one field.
class Page : public ViewController {
public:
    explicit Page(const QString& name) { setTitle(name); }
    TextField* field = nullptr;

protected:
    QWidget* loadView() override {
        QWidget* view = ViewController::loadView();
        auto* layout = new QVBoxLayout(view);
        field = new TextField(view);
        field->setObjectName(title() + QStringLiteral(".field"));
        layout->addWidget(field);
        layout->addStretch(1);
        return view;
    }
};

bool activate(QWidget* window) {
    window->show();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

enum class Move { CentralWidget, Splitter, WindowOfItsOwn, DockFloated };

// A host's window holding a stack that starts with page A.
struct StackInHost {
    QWidget host;
    Page* a = new Page(QStringLiteral("A"));
    std::unique_ptr<NavigationController> container{new NavigationController(a)};

    StackInHost() {
        (new QVBoxLayout(&host))->addWidget(container->view());
        host.resize(400, 500);
    }
    ~StackInHost() { container->view()->setParent(nullptr); }
    bool active() { return activate(&host); }
};

} // namespace

Q_DECLARE_METATYPE(Move)

class TestContainerKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Animator::setInstant(true); }

    // An alert that took the keys from nothing, answered: the page on top has them, not nothing (not
    // its field either: a field taking the keys begins an edit the user did not ask for).
    void anAlertAnsweredWithNothingUnderItLeavesTheKeysToThePage() {
        Window window;
        auto* page = new Page(QStringLiteral("A"));
        window.setRootViewController(new NavigationController(page));
        window.resize(320, 568);
        QVERIFY(activate(&window));
        QApplication::focusWidget()->clearFocus();
        auto* alert = new AlertView(QStringLiteral("Sure?"), QString(), QStringLiteral("OK"), {});
        alert->show(&window);
        QTRY_VERIFY(alert->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(window.windowHandle(), Qt::Key_Return);
        VERIFY_KEYS_IN(page->view());
    }

    // A screen ending the typing in its field (a phone's return key closes the keyboard): the field
    // hears that editing ended and the keys stay on its page.
    void aFieldWhoseTypingEndsLeavesTheKeysOnItsPage() {
        Window window;
        auto* page = new Page(QStringLiteral("A"));
        window.setRootViewController(page);
        QVERIFY(activate(&window));
        VERIFY_KEYS_IN(page->field);
        QSignalSpy ended(page->field, &TextField::editingDidEnd);
        page->field->resignFirstResponder();
        QCOMPARE(ended.count(), 1);
        VERIFY_KEYS_IN(page->view());
        page->endEditing();
        VERIFY_KEYS_IN(page->view());
    }

    // The host moves the view of the container the user types in: the field has the keys again in the
    // view's new place, where letters typed land.
    void aContainerTheHostMovesKeepsItsKeys_data() {
        QTest::addColumn<Move>("move");
        QTest::newRow("out of a dock into the central widget") << Move::CentralWidget;
        QTest::newRow("out of a dock into a splitter") << Move::Splitter;
        QTest::newRow("out of a dock into a window of its own") << Move::WindowOfItsOwn;
        QTest::newRow("the dock floated") << Move::DockFloated;
    }
    void aContainerTheHostMovesKeepsItsKeys() {
        QFETCH(Move, move);
        QMainWindow host;
        auto* splitter = new QSplitter;
        splitter->addWidget(new QLineEdit(QStringLiteral("the host's")));
        host.setCentralWidget(splitter);
        auto* dock = new QDockWidget(QStringLiteral("Chat"), &host);
        host.addDockWidget(Qt::RightDockWidgetArea, dock);
        auto* page = new Page(QStringLiteral("A"));
        std::unique_ptr<NavigationController> container(new NavigationController(page));
        dock->setWidget(container->view());
        host.resize(800, 600);
        QVERIFY(activate(&host));
        page->field->setFocus(Qt::MouseFocusReason);
        VERIFY_KEYS_IN(page->field);
        QWidget* view = container->view();
        switch (move) {
        case Move::CentralWidget:
            host.setCentralWidget(view);
            break;
        case Move::Splitter:
            splitter->addWidget(view);
            break;
        case Move::WindowOfItsOwn:
            view->setParent(nullptr);
            view->resize(320, 480);
            view->show();
            QVERIFY(activate(view));
            break;
        case Move::DockFloated:
            dock->setFloating(true);
            QVERIFY(activate(dock));
            break;
        }
        QCoreApplication::processEvents();
        QTRY_COMPARE(QApplication::focusWidget(), page->field);
        typeInto(view->window()->windowHandle(), QStringLiteral("hi"));
        QCOMPARE(page->field->text(), QStringLiteral("hi"));
        if (move == Move::CentralWidget || move == Move::WindowOfItsOwn)
            view->setParent(nullptr);
    }

    // A container in a floating dock, deleted by the host while its alert has the dock's keys and the
    // user types in the host's main window: the alert is answered, and no widget going with the
    // container is left holding a window's keys.
    void aContainerDeletedWithItsAlertLeavesNoDeadKeys() {
        QMainWindow host;
        auto* hostField = new QLineEdit(QStringLiteral("the host's"));
        host.setCentralWidget(hostField);
        auto* dock = new QDockWidget(QStringLiteral("Chat"), &host);
        host.addDockWidget(Qt::RightDockWidgetArea, dock);
        auto* container = new Page(QStringLiteral("A"));
        dock->setWidget(container->view());
        host.resize(800, 600);
        QVERIFY(activate(&host));
        dock->setFloating(true);
        QVERIFY(activate(dock));
        container->field->setFocus(Qt::MouseFocusReason);
        int answers = 0;
        auto* alert = new AlertView(QStringLiteral("Sure?"), QString(), QStringLiteral("OK"), {},
                                    [&answers](AlertView*, int) { ++answers; });
        alert->show(container->window());
        QTRY_VERIFY(alert->isAncestorOf(dock->focusWidget()));
        QVERIFY(activate(&host));
        hostField->setFocus(Qt::MouseFocusReason);
        delete container;
        QCOMPARE(answers, 1);
        for (QWidget* window : {static_cast<QWidget*>(&host), static_cast<QWidget*>(dock)}) {
            QWidget* keys = window->focusWidget();
            QVERIFY2(!keys || QApplication::allWidgets().contains(keys),
                     "a window's keys are in a deleted widget");
        }
    }

    // A page popped from a container in a host's widget that asks a question after it left (an answer
    // of the service arriving late): the question shows where the user works, over the container, not
    // in a window over the page's view that goes (whose deletion would answer it to a page half
    // destroyed).
    void aPageGoneForGoodAsksOverTheContainer() {
        StackInHost stack;
        QVERIFY(stack.active());
        auto* a = stack.a;
        auto& container = stack.container;
        a->field->setFocus(Qt::MouseFocusReason);
        QPointer<Page> b = new Page(QStringLiteral("B"));
        container->pushViewController(b, false);
        container->popViewController(false);
        QVERIFY(b && b->hasLeftForGood());
        QVERIFY(!b->window());
        int answers = 0;
        auto* late = new AlertView(QStringLiteral("Failed"), QString(), QStringLiteral("OK"), {},
                                   [&answers](AlertView*, int) { ++answers; });
        late->show(b->window());
        QVERIFY(late->isVisible());
        QVERIFY(container->view()->isAncestorOf(late));
        QVERIFY(!b->view()->isAncestorOf(late));
        QTRY_VERIFY(!b);
        QCOMPARE(answers, 0);
        QTest::keyClick(stack.host.windowHandle(), Qt::Key_Return);
        QCOMPARE(answers, 1);
    }

    // A page popped while the host showed another tab: turning back, the keys go to a widget that
    // shows, not to the field of the page that went.
    void aTabTurnedBackFindsAWidgetThatShows() {
        QTabWidget host;
        auto* a = new Page(QStringLiteral("A"));
        auto* container = new NavigationController(a, &host);
        host.addTab(container->view(), QStringLiteral("Chat"));
        auto* other = new QLineEdit(QStringLiteral("the host's"));
        host.addTab(other, QStringLiteral("Other"));
        host.resize(400, 500);
        QVERIFY(activate(&host));
        auto* b = new Page(QStringLiteral("B"));
        container->pushViewController(b, false);
        b->field->setFocus(Qt::MouseFocusReason);
        VERIFY_KEYS_IN(b->field);
        host.setCurrentIndex(1);
        other->setFocus(Qt::MouseFocusReason);
        container->popViewController(false);
        host.setCurrentIndex(0);
        QWidget* keys = QApplication::focusWidget();
        QVERIFY2(keys && keys->isVisible(),
                 qPrintable(QStringLiteral("the keys are in %1").arg(pelnix::test::describeWidget(keys))));
        container->setParent(nullptr);
        delete container;
    }

    // A page dismissed while the host hid its container, the container shown again as the page still
    // slides away: the page below appears, the one dismissed does not.
    void aContainerShownAsItsPageSlidesAwayShowsThePageBelow() {
        pelnix::test::SteppedSlides clock;
        StackInHost stack;
        QVERIFY(stack.active());
        auto* a = stack.a;
        auto& container = stack.container;
        QPointer<Page> sheet = new Page(QStringLiteral("S"));
        a->presentViewController(sheet, false);
        container->view()->hide();
        sheet->dismissViewController(true);
        clock.run(100);
        container->view()->show();
        clock.run(500);
        QTRY_VERIFY(!sheet);
        QCOMPARE(container->appearance(), ViewController::Appearance::Appeared);
        QCOMPARE(a->appearance(), ViewController::Appearance::Appeared);
    }

    // Two pages presented, the container hidden, the top one dismissed, the container shown again at
    // any point of the slide: the first presented page appears.
    void aContainerShownAfterANestedDismissalShowsThePageBelow_data() {
        QTest::addColumn<int>("gap");
        for (int gap : {0, 100, 400})
            QTest::addRow("shown %d ms into the slide", gap) << gap;
    }
    void aContainerShownAfterANestedDismissalShowsThePageBelow() {
        QFETCH(int, gap);
        pelnix::test::SteppedSlides clock;
        StackInHost stack;
        QVERIFY(stack.active());
        auto* a = stack.a;
        auto& container = stack.container;
        auto* first = new Page(QStringLiteral("S1"));
        auto* firstStack = new NavigationController(first);
        a->presentViewController(firstStack, false);
        auto* second = new Page(QStringLiteral("S2"));
        first->presentViewController(new NavigationController(second), false);
        container->view()->hide();
        second->dismissViewController(true);
        clock.run(gap);
        container->view()->show();
        clock.run(500);
        QCOMPARE(firstStack->appearance(), ViewController::Appearance::Appeared);
        QVERIFY(firstStack->view()->isVisible());
    }

    // A page presented over a container the host hid, then the container shown and the page dismissed:
    // the page below shows and has appeared.
    void aPageDismissedAfterItsContainerShowedRevealsThePageBelow() {
        StackInHost stack;
        QVERIFY(stack.active());
        auto* a = stack.a;
        auto& container = stack.container;
        container->view()->hide();
        auto* sheet = new Page(QStringLiteral("S"));
        a->presentViewController(sheet, false);
        container->view()->show();
        QCOMPARE(sheet->appearance(), ViewController::Appearance::Appeared);
        sheet->dismissViewController(false);
        QCOMPARE(container->appearance(), ViewController::Appearance::Appeared);
        QCOMPARE(a->appearance(), ViewController::Appearance::Appeared);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestContainerKeys t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_containerkeys.moc"
