// Alerts and sheets over containers in a host's windows, and over library windows, as the host's
// windows come and go: on a display of the test's own with a window manager (Xvfb and openbox), where
// minimising really iconifies a window; the tests that need one skip where none starts.
// - An alert that names no window shows where the user can see it, or waits, to be seen and answered
//   once, where the user worked when nothing is on screen.
#include "OwnDisplayMain.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
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

// A host's window: a field of its own beside a container whose page is `screen`.
std::unique_ptr<QMainWindow> hostWindowAround(FieldScreen* screen, QLineEdit** hostsField = nullptr) {
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

enum class Leaving { LibraryWindowMinimised, HostsWindowMinimised, HostsWindowHidden };

} // namespace

Q_DECLARE_METATYPE(Leaving)

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
