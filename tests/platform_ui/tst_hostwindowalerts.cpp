// Alerts and sheets over containers in a host's windows, and over library windows, as the host's
// windows come and go: on a display of the test's own with a window manager (Xvfb and openbox), where
// minimising really iconifies a window; the tests that need one skip where none starts.
// - An alert that names no window shows where the user can see it, or waits, to be seen and answered
//   once, where the user worked when nothing is on screen.
// - A window or container that goes away answers each alert and sheet still open over it once, as
//   Escape would, while the screens that asked are still whole.
// - An alert over a container in a dock the host floats and docks again leaves the keys where the
//   user put them, and hands them on to the container's page once answered.
#include "OwnDisplayMain.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ContainerView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>
#include <memory>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

// A screen with a field, as a container's first page or a library window's root.
class FieldScreen : public ViewController {
public:
    QLineEdit* field = nullptr;

protected:
    QWidget* loadView() override {
        QWidget* view = ViewController::loadView();
        field = new QLineEdit(view);
        (new QVBoxLayout(view))->addWidget(field);
        return view;
    }
};

// A container as the library's are: its screens are controllers of their own inside it.
class Container : public ViewController {
public:
    FieldScreen* screen = new FieldScreen;

protected:
    QWidget* loadView() override { return new ContainerView; }
    void viewDidLoad() override { addChildViewController(screen, view()); }
};

// A host's window: a field of its own beside a container whose root is `screen`.
std::unique_ptr<QMainWindow> hostWindowAround(ViewController* screen, QLineEdit** hostsField = nullptr) {
    auto window = std::make_unique<QMainWindow>();
    auto* central = new QWidget;
    auto* layout = new QHBoxLayout(central);
    auto* own = new QLineEdit(QStringLiteral("the host's own"));
    layout->addWidget(own);
    layout->addWidget(screen->view(), 1);
    window->setCentralWidget(central);
    screen->setParent(window.get());
    window->resize(640, 480);
    if (hostsField)
        *hostsField = own;
    return window;
}

bool activate(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// Minimised by the window manager: gone from the screen, not only marked so.
bool minimise(QWidget* window) {
    window->showMinimized();
    return QTest::qWaitFor(
        [window] { return !window->windowHandle() || !window->windowHandle()->isExposed(); });
}

// An alert the caller counts the answers of.
AlertView* ask(QList<int>& answers) {
    return new AlertView(QStringLiteral("Send?"), QString(), QStringLiteral("No"), {QStringLiteral("Yes")},
                         [&answers](AlertView*, int index) { answers << index; });
}

// What goes away with alerts open over it.
enum class Going {
    Container,      // the controller of a container in the host's window
    ContainersView, // the container's view, deleted by the host before its controller
    LibraryWindow,  // a library window
};

enum class Leaving { LibraryWindowMinimised, HostsWindowMinimised, HostsWindowHidden };

} // namespace

Q_DECLARE_METATYPE(Leaving)
Q_DECLARE_METATYPE(Going)

class TestHostWindowAlerts : public QObject {
    Q_OBJECT
private:
    static bool needsWindowManager() {
        if (pelnix::test::ownDisplay().windowManager)
            return true;
        QTest::qSkip(qPrintable(QStringLiteral("needs a window manager on a display of its own: ") +
                                pelnix::test::ownDisplay().missing),
                     __FILE__, __LINE__);
        return false;
    }

private slots:
    // A dock holding a container, floated (a window of its own) and docked again while an alert
    // shows over the container: keys the user put in the host's field stay there throughout; keys the
    // alert had follow it, into the floating dock and back; once answered, they go back under it, here
    // (nothing had them there) to the container's page.
    void anAlertInADockFloatedAndDockedKeepsTheUsersKeys_data() {
        QTest::addColumn<bool>("keysInHostsField");
        QTest::newRow("keys in the host's field") << true;
        QTest::newRow("keys in the alert") << false;
    }
    void anAlertInADockFloatedAndDockedKeepsTheUsersKeys() {
        QFETCH(bool, keysInHostsField);
        if (!needsWindowManager())
            return;
        auto container = std::make_unique<Container>();
        QMainWindow host;
        auto* hostsField = new QLineEdit;
        host.setCentralWidget(hostsField);
        auto* dock = new QDockWidget(QStringLiteral("Chats"));
        dock->setWidget(container->view());
        host.addDockWidget(Qt::LeftDockWidgetArea, dock);
        host.resize(800, 600);
        QVERIFY(activate(&host));
        QTest::mouseClick(hostsField, Qt::LeftButton);

        QList<int> answers;
        AlertView* alert = ask(answers);
        alert->show(container->window());
        QTRY_VERIFY(alert->isVisible());
        QCOMPARE(QApplication::focusWidget(), hostsField);
        if (!keysInHostsField) {
            // A click on the dimmed container gives the alert the keys.
            QTest::mouseClick(alert->parentWidget(), Qt::LeftButton, {}, QPoint(4, 4));
            QVERIFY(alert->isAncestorOf(QApplication::focusWidget()));
        }
        const auto keysAreWhereTheUserPutThem = [&] {
            QWidget* focus = QApplication::focusWidget();
            return keysInHostsField ? focus == hostsField : focus && alert->isAncestorOf(focus);
        };

        dock->setFloating(true);
        QVERIFY(QTest::qWaitForWindowExposed(dock));
        QTRY_VERIFY(alert->isVisible());
        QTRY_VERIFY(keysAreWhereTheUserPutThem());
        dock->setFloating(false);
        QTRY_VERIFY(alert->isVisible());
        QTRY_VERIFY(keysAreWhereTheUserPutThem());
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_B);
        QCOMPARE(hostsField->text(), keysInHostsField ? QStringLiteral("b") : QString());
        QVERIFY(answers.isEmpty());

        // Answered with a click (a click in the container counts as the user working there) or with
        // Return: nothing had the keys under the alert, so the container's page takes them, and Tab
        // goes on to its field.
        if (keysInHostsField)
            QTest::mouseClick(alert->findChild<QPushButton*>(QStringLiteral("alert.button.1")),
                              Qt::LeftButton);
        else
            QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
        QCOMPARE(answers, QList<int>{1});
        QTRY_COMPARE(QApplication::focusWidget(), container->view());
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Tab);
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_C);
        QCOMPARE(container->screen->field->text(), QStringLiteral("c"));
        QCOMPARE(hostsField->text(), keysInHostsField ? QStringLiteral("b") : QString());
    }

    void alertsOpenAsTheirPlaceGoesAreAnsweredOnce_data() {
        QTest::addColumn<Going>("going");
        QTest::newRow("a container deleted") << Going::Container;
        QTest::newRow("a container's view deleted by the host") << Going::ContainersView;
        QTest::newRow("a library window deleted") << Going::LibraryWindow;
    }
    void alertsOpenAsTheirPlaceGoesAreAnsweredOnce() {
        QFETCH(Going, going);
        std::unique_ptr<QWidget> top;
        std::unique_ptr<Container> container;
        QPointer<FieldScreen> screen;
        if (going == Going::LibraryWindow) {
            auto window = std::make_unique<Window>();
            window->setRootViewController(screen = new FieldScreen);
            top = std::move(window);
        } else {
            container = std::make_unique<Container>();
            screen = container->screen;
            top = hostWindowAround(container.get());
            // The host owns the container, not its window.
            container->setParent(nullptr);
        }
        QVERIFY(activate(top.get()));
        Window* window = screen->window();
        QVERIFY(window);

        // Who answered with which button, and whether the screen that asked was whole then (its field
        // still in its view: under a memory checker, a screen freed before would show here).
        QStringList answers;
        const auto asking = [&](const QString& name) {
            return [&answers, screen, name](AlertView*, int index) {
                const bool whole = screen && screen->view()->isAncestorOf(screen->field);
                answers << QStringLiteral("%1 %2%3").arg(name).arg(index).arg(
                    whole ? QString() : QStringLiteral(" (screen gone)"));
            };
        };
        auto* answered = new AlertView(QStringLiteral("Answered"), QString(), QStringLiteral("OK"), {},
                                       asking(QStringLiteral("answered")));
        answered->show(window);
        answered->tapButtonAtIndex(0);
        // A question whose Cancel asks again, in the same place.
        auto* again = new AlertView(QStringLiteral("Again"), QString(), QStringLiteral("Cancel"),
                                    {QStringLiteral("Yes")}, [&, window](AlertView* alert, int index) {
                                        asking(QStringLiteral("again"))(alert, index);
                                        auto* followUp = new AlertView(QStringLiteral("Sure?"), QString(),
                                                                       QString(), {QStringLiteral("OK")},
                                                                       asking(QStringLiteral("follow-up")));
                                        followUp->show(window);
                                    });
        again->show(window);
        auto* sheet = new ActionSheet(QStringLiteral("Share"), QStringLiteral("Cancel"), QString(),
                                      {QStringLiteral("Mail"), QStringLiteral("Message")},
                                      asking(QStringLiteral("sheet")));
        sheet->show(window);
        auto* only = new AlertView(QStringLiteral("Only"), QString(), QString(), {QStringLiteral("OK")},
                                   asking(QStringLiteral("only")));
        only->show(window);
        QCOMPARE(window->alerts().size(), 3);
        QCOMPARE(answers, QStringList{QStringLiteral("answered 0")});

        switch (going) {
        case Going::Container:
            container.reset();
            break;
        case Going::ContainersView:
            delete container->view();
            break;
        case Going::LibraryWindow:
            top.reset();
            break;
        }
        // Newest first, as the user would have answered them, and the question asked meanwhile too.
        QCOMPARE(answers, (QStringList{QStringLiteral("answered 0"), QStringLiteral("only 0"),
                                       QStringLiteral("sheet 2"), QStringLiteral("again 0"),
                                       QStringLiteral("follow-up 0")}));
        QTest::qWait(0);
        container.reset();
        top.reset();
        QCOMPARE(answers.size(), 5);
    }

    // The user worked in one window, which then leaves the screen; the host's other window, where
    // the keys are in the host's own field, shows a container.
    void anAlertNamingNoWindowShowsWhereTheUserCanSeeIt_data() {
        QTest::addColumn<Leaving>("leaving");
        QTest::newRow("a library window, minimised") << Leaving::LibraryWindowMinimised;
        QTest::newRow("a host's window holding a container, minimised") << Leaving::HostsWindowMinimised;
        QTest::newRow("a host's window holding a container, hidden") << Leaving::HostsWindowHidden;
    }
    void anAlertNamingNoWindowShowsWhereTheUserCanSeeIt() {
        QFETCH(Leaving, leaving);
        if (!needsWindowManager())
            return;
        auto* seen = new FieldScreen;
        QLineEdit* hostsField = nullptr;
        auto host = hostWindowAround(seen, &hostsField);
        QVERIFY(activate(host.get()));
        QTest::mouseClick(hostsField, Qt::LeftButton);

        auto* worked = new FieldScreen;
        std::unique_ptr<QWidget> other;
        if (leaving == Leaving::LibraryWindowMinimised) {
            auto window = std::make_unique<Window>();
            window->setRootViewController(worked);
            other = std::move(window);
        } else {
            other = hostWindowAround(worked);
        }
        QVERIFY(activate(other.get()));
        QTest::mouseClick(worked->field, Qt::LeftButton);
        QCOMPARE(Window::keyWindow(), worked->window());
        if (leaving == Leaving::HostsWindowHidden)
            other->hide();
        else
            QVERIFY(minimise(other.get()));
        QTRY_COMPARE(QApplication::focusWidget(), hostsField);

        QList<int> answers;
        AlertView* alert = ask(answers);
        alert->show();
        QCOMPARE(alert->window(), host.get());
        QTRY_VERIFY(alert->isVisible());
        QTest::mouseClick(alert->findChild<QPushButton*>(QStringLiteral("alert.button.1")), Qt::LeftButton);
        QCOMPARE(answers, QList<int>{1});
    }

    // Nothing on screen: the alert waits where the user worked (before any work: in the first
    // container shown), and is seen and answered once that window is restored.
    void anAlertWhileEveryWindowIsMinimisedWaitsToBeSeen_data() {
        QTest::addColumn<bool>("workedInSecond");
        QTest::newRow("where the user worked") << true;
        QTest::newRow("before any work, the first container shown") << false;
    }
    void anAlertWhileEveryWindowIsMinimisedWaitsToBeSeen() {
        QFETCH(bool, workedInSecond);
        if (!needsWindowManager())
            return;
        auto* firstScreen = new FieldScreen;
        auto* secondScreen = new FieldScreen;
        auto first = hostWindowAround(firstScreen);
        auto second = hostWindowAround(secondScreen);
        if (workedInSecond) {
            QVERIFY(activate(first.get()));
            QVERIFY(activate(second.get()));
            QTest::mouseClick(secondScreen->field, Qt::LeftButton);
            QVERIFY(minimise(first.get()));
            QVERIFY(minimise(second.get()));
        } else {
            first->showMinimized();
            second->showMinimized();
            QVERIFY(QTest::qWaitFor(
                [&] { return firstScreen->view()->isVisible() && secondScreen->view()->isVisible(); }));
        }
        QMainWindow* waiting = workedInSecond ? second.get() : first.get();

        QList<int> answers;
        AlertView* alert = ask(answers);
        alert->show();
        QCOMPARE(alert->window(), waiting);
        QVERIFY(answers.isEmpty());

        waiting->showNormal();
        QVERIFY(activate(waiting));
        QTRY_VERIFY(alert->isVisible());
        QTRY_VERIFY(alert->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(waiting->windowHandle(), Qt::Key_Escape);
        QCOMPARE(answers, QList<int>{0});
    }
};

int main(int argc, char** argv) {
    return pelnix::test::execOnOwnDisplay<TestHostWindowAlerts>(argc, argv,
                                                                pelnix::test::WindowManagement::Managed);
}

#include "tst_hostwindowalerts.moc"
