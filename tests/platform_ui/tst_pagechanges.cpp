// Changes of page as a desktop user meets them: slides that take time, keys typed and held during
// them, double clicks, quick dismissals, the busy overlay, bar buttons that change under the keys,
// and pages shown over a container in a host's own window.
#include "KeyChecks.h"
#include "SteppedAnimations.h"
#include "TestSandbox.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

using namespace pelnix::platform::ui;
using pelnix::test::holdKey;
using pelnix::test::SteppedAnimations;
using pelnix::test::typeInto;

namespace {

// A screen with one-line fields that, as screens do, takes the focus from its text as it goes.
class Page : public ViewController {
public:
    Page(const QString& name, int fieldCount) : m_fieldCount(fieldCount) { setTitle(name); }
    QList<TextField*> fields;
    int returns = 0;

protected:
    QWidget* loadView() override {
        QWidget* view = ViewController::loadView();
        auto* layout = new QVBoxLayout(view);
        for (int i = 0; i < m_fieldCount; ++i) {
            fields << new TextField(view);
            fields.last()->setObjectName(QStringLiteral("%1.field%2").arg(title()).arg(i));
            QObject::connect(fields.last(), &QLineEdit::returnPressed, view, [this] { ++returns; });
            layout->addWidget(fields.last());
        }
        layout->addStretch(1);
        return view;
    }
    void viewWillDisappear(bool) override { endEditing(); }

private:
    int m_fieldCount;
};

// `clicks` presses in one burst at `at` of `window`, 60 ms apart, each delivered to the widget then
// under the pointer, the second as Qt delivers a double click.
void clickBurst(QWidget* window, QPoint at, int clicks) {
    static quint64 time = 1000000;
    time += 10000;
    for (int i = 0; i < clicks; ++i) {
        const auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
            QWidget* hit = window->childAt(at);
            if (!hit)
                hit = window;
            const QPoint local = hit->mapFrom(window, at);
            QMouseEvent event(type, local, hit->mapToGlobal(local), Qt::LeftButton, buttons, {});
            event.setTimestamp(time);
            QApplication::sendEvent(hit, &event);
            QCoreApplication::processEvents();
        };
        send(i == 1 ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress, Qt::LeftButton);
        time += 20;
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        time += 40;
    }
}

QToolButton* barButton(NavigationController* nav, const QString& name) {
    return nav->navigationBar()->findChild<QToolButton*>(name, Qt::FindDirectChildrenOnly);
}

// A library window with a stack whose first page has two fields, the user working in the second.
struct Stage {
    Window window;
    Page* a = new Page(QStringLiteral("A"), 2);
    NavigationController* nav = new NavigationController(a);

    Stage() {
        window.resize(320, 568);
        window.setRootViewController(nav);
    }
    bool show() {
        window.show();
        QApplication::setActiveWindow(&window);
        if (!QTest::qWaitForWindowActive(&window))
            return false;
        a->fields[1]->setFocus();
        return true;
    }
    QWindow* keys() { return window.windowHandle(); }
    NavigationController* sheet(Page** page = nullptr);
    void push(int count) {
        for (int i = 0; i < count; ++i)
            nav->pushViewController(new Page(QStringLiteral("P%1").arg(i), 1), false);
        // The bar shows the buttons it made once the event loop runs.
        QCoreApplication::processEvents();
    }
};

// A page with a field, in a stack of its own with a Done that dismisses it.
NavigationController* makeSheet(Page** page = nullptr) {
    auto* c = new Page(QStringLiteral("C"), 1);
    auto* stack = new NavigationController(c);
    c->navigationItem()->setRightBarButtonItem(new BarButtonItem(
        BarButtonItem::SystemItem::Done, [stack] { stack->dismissViewController(true); }, c));
    if (page)
        *page = c;
    return stack;
}

NavigationController* Stage::sheet(Page** page) {
    return makeSheet(page);
}

enum class Change { Push, Pop, Present, Dismiss };

} // namespace

Q_DECLARE_METATYPE(Change)

class TestPageChanges : public QObject {
    Q_OBJECT
private slots:
    void init() { Animator::setInstant(false); }
    void cleanup() { Animator::setInstant(true); }

    // The arriving page has the keys from the slide's first frame: what is typed during the slide
    // lands in its field, in order, and nothing in the page sliding away.
    void theKeysMoveAsTheChangeBegins_data() {
        QTest::addColumn<Change>("change");
        QTest::newRow("push") << Change::Push;
        QTest::newRow("pop") << Change::Pop;
        QTest::newRow("present") << Change::Present;
        QTest::newRow("dismiss") << Change::Dismiss;
    }
    void theKeysMoveAsTheChangeBegins() {
        QFETCH(Change, change);
        SteppedAnimations clock;
        Stage stage;
        QVERIFY(stage.show());
        auto* b = new Page(QStringLiteral("B"), 1);
        Page* c = nullptr;
        NavigationController* sheet = stage.sheet(&c);
        TextField* arriving = nullptr;
        switch (change) {
        case Change::Push:
            stage.nav->pushViewController(b, true);
            arriving = b->fields[0];
            break;
        case Change::Pop:
            stage.nav->pushViewController(b, false);
            stage.nav->popViewController(true);
            arriving = stage.a->fields[1];
            delete sheet;
            break;
        case Change::Present:
            stage.a->presentViewController(sheet, true);
            arriving = c->fields[0];
            delete b;
            break;
        case Change::Dismiss:
            stage.a->presentViewController(sheet, false);
            sheet->dismissViewController(true);
            arriving = stage.a->fields[1];
            delete b;
            break;
        }
        VERIFY_KEYS_IN(arriving);
        typeInto(stage.keys(), QStringLiteral("ab"));
        clock.run(120);
        typeInto(stage.keys(), QStringLiteral("c"));
        clock.run(400);
        VERIFY_KEYS_IN(arriving);
        QCOMPARE(arriving->text(), QStringLiteral("abc"));
    }

    // A page presented and dismissed before its slide ends, at any gap: the page under it shows, has
    // appeared, and has its keys; the presentation's end does not hide it again.
    void aQuickDismissalLeavesThePageBelowShown_data() {
        QTest::addColumn<int>("gap");
        for (int gap : {0, 16, 100, 200, 290})
            QTest::addRow("%d ms", gap) << gap;
    }
    void aQuickDismissalLeavesThePageBelowShown() {
        QFETCH(int, gap);
        SteppedAnimations clock;
        Stage stage;
        QVERIFY(stage.show());
        QPointer<NavigationController> sheet = stage.sheet();
        stage.a->presentViewController(sheet, true);
        clock.run(gap);
        sheet->dismissViewController(true);
        clock.run(400);
        QVERIFY(stage.nav->view()->isVisible());
        QCOMPARE(stage.nav->appearance(), ViewController::Appearance::Appeared);
        QCOMPARE(stage.a->appearance(), ViewController::Appearance::Appeared);
        QVERIFY(!stage.nav->presentedViewController());
        VERIFY_KEYS_IN(stage.a->fields[1]);
        QTRY_VERIFY(!sheet);

        // And the other way: a page presented while the last one still slides away shows.
        NavigationController* first = stage.sheet();
        stage.a->presentViewController(first, false);
        first->dismissViewController(true);
        clock.run(gap);
        Page* c = nullptr;
        NavigationController* second = stage.sheet(&c);
        stage.a->presentViewController(second, true);
        clock.run(400);
        QCOMPARE(stage.nav->presentedViewController(), second);
        QVERIFY(second->view()->isVisible());
        QCOMPARE(second->view()->geometry(), stage.window.rect());
        VERIFY_KEYS_IN(c->fields[0]);
    }

    // A page presented over a page still sliding in: the first has appeared and is covered, the second
    // shows and has appeared.
    void aPagePresentedOverOneStillSlidingInCoversIt() {
        SteppedAnimations clock;
        Stage stage;
        QVERIFY(stage.show());
        Page* c = nullptr;
        NavigationController* first = stage.sheet(&c);
        stage.a->presentViewController(first, true);
        clock.run(16);
        Page* d = nullptr;
        NavigationController* second = stage.sheet(&d);
        c->presentViewController(second, true);
        clock.run(700);
        QCOMPARE(first->appearance(), ViewController::Appearance::Disappeared);
        QCOMPARE(second->appearance(), ViewController::Appearance::Appeared);
        QVERIFY(second->view()->isVisible());
        VERIFY_KEYS_IN(d->fields[0]);
    }

    // Return held on a back button pops one page; its repeats reach the page shown then and press
    // nothing there. Held on a button that asks, its repeats answer nothing; a new press does.
    void aHeldKeyPressesOnce() {
        SteppedAnimations clock;
        Stage stage;
        QVERIFY(stage.show());
        stage.push(2);
        auto* below = dynamic_cast<Page*>(stage.nav->viewControllers().at(1));
        QToolButton* back = barButton(stage.nav, QStringLiteral("navigationBar.back"));
        back->setFocus(Qt::TabFocusReason);
        holdKey(stage.keys(), Qt::Key_Return, 20, [&] { clock.step(33); });
        clock.run(400);
        QCOMPARE(stage.nav->viewControllers().size(), 2);
        VERIFY_KEYS_IN(below->fields[0]);
        QCOMPARE(below->returns, 0);

        int answers = 0;
        QPointer<AlertView> asked;
        below->navigationItem()->setRightBarButtonItem(new BarButtonItem(
            QStringLiteral("Delete"),
            [&] {
                asked = new AlertView(QStringLiteral("Delete this?"), QString(), QStringLiteral("Cancel"),
                                      {QStringLiteral("Delete")}, [&](AlertView*, int) { ++answers; });
                asked->show(&stage.window);
            },
            below));
        QCoreApplication::processEvents();
        QToolButton* ask = barButton(stage.nav, QStringLiteral("navigationBar.right.0"));
        QVERIFY(ask);
        ask->setFocus(Qt::TabFocusReason);
        holdKey(stage.keys(), Qt::Key_Return, 30, [&] { clock.step(33); });
        QVERIFY(asked && asked->isVisible());
        QCOMPARE(answers, 0);
        QTest::keyClick(stage.keys(), Qt::Key_Return);
        QCOMPARE(answers, 1);
        QTRY_VERIFY(!asked);
    }

    // A held key's repeat that a busy program reads apart (its release, then its press, neither marked
    // as repeated, at one time): it answers nothing; the user's next press does.
    void aRepeatReadApartAnswersNothing() {
        Animator::setInstant(true);
        Stage stage;
        QVERIFY(stage.show());
        int answers = 0;
        auto* alert = new AlertView(QStringLiteral("Delete this?"), QString(), QStringLiteral("Cancel"),
                                    {QStringLiteral("Delete")}, [&](AlertView*, int) { ++answers; });
        alert->show(&stage.window);
        QTRY_VERIFY(alert->isAncestorOf(QApplication::focusWidget()));
        const auto send = [](QEvent::Type type, quint64 time) {
            // As the keyboard's events come, with the key's scan code.
            QKeyEvent key(type, Qt::Key_Return, Qt::NoModifier, 36, 0xff0d, 0);
            key.setTimestamp(time);
            QApplication::sendEvent(QApplication::focusWidget(), &key);
        };
        for (quint64 time : {7000, 7040, 7080}) {
            send(QEvent::KeyRelease, time);
            send(QEvent::KeyPress, time);
        }
        QCOMPARE(answers, 0);
        send(QEvent::KeyRelease, 7100);
        send(QEvent::KeyPress, 7300);
        QCOMPARE(answers, 1);
    }

    // A double or triple click on a back button pops one page, not one per click.
    void aBurstOfClicksOnBackPopsOnePage_data() {
        QTest::addColumn<int>("clicks");
        QTest::newRow("double click") << 2;
        QTest::newRow("triple click") << 3;
    }
    void aBurstOfClicksOnBackPopsOnePage() {
        QFETCH(int, clicks);
        Animator::setInstant(true);
        Stage stage;
        QVERIFY(stage.show());
        stage.push(4);
        QToolButton* back = barButton(stage.nav, QStringLiteral("navigationBar.back"));
        const QPoint at = back->mapTo(&stage.window, back->rect().center());
        clickBurst(&stage.window, at, clicks);
        QCOMPARE(stage.nav->viewControllers().size(), 4);
        // Clicks apart (each burst comes seconds after the one before) are clicks of their own.
        clickBurst(&stage.window, at, 1);
        QCOMPARE(stage.nav->viewControllers().size(), 3);
    }

    // A button pressed as it slides in (a page presented) and released under the still pointer once
    // it has moved on: the click is the button's, as the press was.
    void aButtonPressedAsItSlidesTakesTheClick() {
        SteppedAnimations clock;
        Stage stage;
        QVERIFY(stage.show());
        NavigationController* sheet = stage.sheet();
        stage.a->presentViewController(sheet, true);
        clock.run(120);
        QToolButton* done = barButton(sheet, QStringLiteral("navigationBar.right.0"));
        QTRY_VERIFY(done && done->isVisible());
        const QPoint global = done->mapToGlobal(done->rect().center());
        QMouseEvent press(QEvent::MouseButtonPress, done->rect().center(), global, Qt::LeftButton,
                          Qt::LeftButton, {});
        QApplication::sendEvent(done, &press);
        clock.run(64);
        const QPoint local = done->mapFromGlobal(global);
        QVERIFY(!done->rect().contains(local));
        QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, {});
        QApplication::sendEvent(done, &release);
        clock.run(700);
        QVERIFY(!stage.nav->presentedViewController());
    }

    // While the busy overlay shows, typed keys change nothing under it, also when a screen under it
    // takes the keys; they go back as it goes.
    void theBusyOverlayHoldsTheKeys() {
        Animator::setInstant(true);
        Stage stage;
        QVERIFY(stage.show());
        stage.a->fields[1]->setText(QStringLiteral("kept"));
        stage.window.setBusy(true);
        typeInto(stage.keys(), QStringLiteral("xy"));
        QTest::keyClick(stage.keys(), Qt::Key_Tab);
        QTest::keyClick(stage.keys(), Qt::Key_Backspace);
        QCOMPARE(stage.a->fields[1]->text(), QStringLiteral("kept"));
        QCOMPARE(stage.a->fields[0]->text(), QString());
        stage.a->fields[0]->setFocus();
        typeInto(stage.keys(), QStringLiteral("z"));
        QCOMPARE(stage.a->fields[0]->text(), QString());
        stage.window.setBusy(false);
        VERIFY_KEYS_IN(stage.a->fields[0]);
        typeInto(stage.keys(), QStringLiteral("ok"));
        QCOMPARE(stage.a->fields[0]->text(), QStringLiteral("ok"));
    }

    // A bar button whose action disables, retitles or deletes its item keeps the keys off the page's
    // field: a second Space presses nothing there.
    void aBarButtonChangedByItsActionKeepsTheKeys_data() {
        QTest::addColumn<QString>("does");
        QTest::newRow("disables itself") << "disable";
        QTest::newRow("retitles itself") << "retitle";
        QTest::newRow("is deleted") << "delete";
    }
    void aBarButtonChangedByItsActionKeepsTheKeys() {
        QFETCH(QString, does);
        Animator::setInstant(true);
        Stage stage;
        QVERIFY(stage.show());
        QPointer<BarButtonItem> item;
        int pressed = 0;
        item = new BarButtonItem(
            QStringLiteral("Done"),
            [&] {
                ++pressed;
                if (does == QLatin1String("disable"))
                    item->setEnabled(false);
                else if (does == QLatin1String("retitle"))
                    item->setTitle(QStringLiteral("Saving"));
                else
                    item->deleteLater();
            },
            stage.a);
        stage.a->navigationItem()->setRightBarButtonItem(item);
        QCoreApplication::processEvents();
        QToolButton* done = barButton(stage.nav, QStringLiteral("navigationBar.right.0"));
        done->setFocus(Qt::TabFocusReason);
        QTest::keyClick(stage.keys(), Qt::Key_Space);
        QCoreApplication::processEvents();
        QCOMPARE(pressed, 1);
        QTest::keyClick(stage.keys(), Qt::Key_Space);
        QCOMPARE(stage.a->fields[0]->text(), QString());
        QCOMPARE(stage.a->fields[1]->text(), QString());
        QVERIFY(QApplication::focusWidget());
        if (does == QLatin1String("retitle")) {
            QToolButton* again = barButton(stage.nav, QStringLiteral("navigationBar.right.0"));
            VERIFY_KEYS_IN(again);
            QCOMPARE(again->text(), QStringLiteral("Saving"));
            QCOMPARE(pressed, 2);
        } else {
            VERIFY_KEYS_IN(stage.nav->navigationBar());
            QCOMPARE(pressed, 1);
        }
        if (does == QLatin1String("delete"))
            QTRY_VERIFY(!barButton(stage.nav, QStringLiteral("navigationBar.right.0")));
    }

    // A page shown over a container in a host's own window, closed by its Done: the keys go back to
    // the container's page, never along Tab's order into the host's line edit.
    void closingAPageOverAContainerLeavesTheHostsFieldAlone_data() {
        QTest::addColumn<bool>("animated");
        QTest::newRow("at once") << false;
        QTest::newRow("sliding") << true;
    }
    void closingAPageOverAContainerLeavesTheHostsFieldAlone() {
        QFETCH(bool, animated);
        SteppedAnimations clock;
        Animator::setInstant(!animated);
        QMainWindow host;
        auto* hostField = new QLineEdit(QStringLiteral("the host's"));
        host.addToolBar(QStringLiteral("Tools"))->addWidget(hostField);
        auto* a = new Page(QStringLiteral("A"), 1);
        std::unique_ptr<NavigationController> container(new NavigationController(a));
        host.setCentralWidget(container->view());
        host.resize(400, 600);
        host.show();
        QApplication::setActiveWindow(&host);
        QVERIFY(QTest::qWaitForWindowActive(&host));
        a->fields[0]->setFocus();

        Page* c = nullptr;
        NavigationController* sheet = makeSheet(&c);
        a->presentViewController(sheet, animated);
        clock.run(400);
        VERIFY_KEYS_IN(c->fields[0]);
        QToolButton* done = barButton(sheet, QStringLiteral("navigationBar.right.0"));
        QTest::mouseClick(done, Qt::LeftButton);
        VERIFY_KEYS_IN(a->fields[0]);
        clock.run(400);
        VERIFY_KEYS_IN(a->fields[0]);
        typeInto(host.windowHandle(), QStringLiteral("hi"));
        QCOMPARE(a->fields[0]->text(), QStringLiteral("hi"));
        QCOMPARE(hostField->text(), QStringLiteral("the host's"));
        host.takeCentralWidget();
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestPageChanges t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_pagechanges.moc"
