#include "TestSandbox.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>
#include <dlfcn.h>
#include <memory>

using namespace pelnix::platform;
using namespace pelnix::platform::ui;

namespace {
// Event filters installed in this process, and those on the application object (see below).
int g_filtersInstalled = 0;
int g_applicationFilters = 0;
} // namespace

// Every event filter installed in this process passes here first (the program's own definition comes
// before Qt's for the library's calls into Qt too), then goes on to Qt's: a filter on the application
// object is counted, so the tests can tell that the library never watches the host's events.
void QObject::installEventFilter(QObject* filter) {
    using Install = void (*)(QObject*, QObject*);
    static const auto qtInstall =
        reinterpret_cast<Install>(dlsym(RTLD_NEXT, "_ZN7QObject18installEventFilterEPS_"));
    if (!qtInstall)
        qFatal("Qt's QObject::installEventFilter is not found");
    ++g_filtersInstalled;
    if (this == QCoreApplication::instance())
        ++g_applicationFilters;
    qtInstall(this, filter);
}

namespace {
// A screen with a field and a button of its own, counting the button's clicks.
class FormScreen : public ViewController {
public:
    QLineEdit* field = nullptr;
    QPushButton* button = nullptr;
    int clicks = 0;

protected:
    QWidget* loadView() override {
        QWidget* view = ViewController::loadView();
        auto* layout = new QVBoxLayout(view);
        field = new QLineEdit(view);
        button = new QPushButton(QStringLiteral("Under"), view);

        QObject::connect(button, &QPushButton::clicked, view, [this] { ++clicks; });
        layout->addWidget(field);
        layout->addWidget(button);
        return view;
    }
};
} // namespace

class TestAlerts : public QObject {
    Q_OBJECT
private slots:
    void alertCallsBackOnceWithTheTappedIndex() {
        Window window;
        window.show();
        QList<std::pair<int, int>> calls; // (tag, index)
        auto* alert =
            new AlertView("Delete group?", "This cannot be undone.", "Cancel", {"Delete", "Archive"},
                          [&](AlertView* a, int index) { calls << std::make_pair(a->tag(), index); });
        alert->setTag(42);
        QCOMPARE(alert->cancelButtonIndex(), 0);
        alert->show(&window);
        QCOMPARE(window.alerts(), QList<AlertView*>{alert});
        // The caller is not blocked: we are here while the alert is up.
        QVERIFY(alert->isVisible());

        QPointer<AlertView> guard(alert);
        QTest::mouseClick(alert->findChild<QPushButton*>("alert.button.2"), Qt::LeftButton);
        alert->tapButtonAtIndex(1); // a second tap on a dismissed alert does nothing
        QCOMPARE(calls, (QList<std::pair<int, int>>{{42, 2}}));
        QVERIFY(window.alerts().isEmpty());
        QTRY_VERIFY(guard.isNull());
    }

    void alertsStackAndOutOfRangeTapsAreIgnored() {
        Window window;
        window.show();
        int firstTapped = -1;
        auto* first = new AlertView("First", {}, "OK", {}, [&](AlertView*, int i) { firstTapped = i; });
        auto* second = new AlertView("Second", {}, "OK", {});
        first->show(&window);
        second->show(&window);
        QVERIFY(!first->isVisible());
        QVERIFY(second->isVisible());
        second->tapButtonAtIndex(5);
        QVERIFY(second->isShown());
        second->tapButtonAtIndex(0);
        QVERIFY(first->isVisible());
        first->tapButtonAtIndex(0);
        QCOMPARE(firstTapped, 0);
    }

    void actionSheetNumbersDestructiveFirstAndCancelLast() {
        Window window;
        window.show();
        int tapped = -1;
        auto* sheet = new ActionSheet("Failed message", "Cancel", "Discard", {"Resend", "Resend all"},
                                      [&](AlertView*, int i) { tapped = i; });
        QCOMPARE(sheet->destructiveButtonIndex(), 0);
        QCOMPARE(sheet->cancelButtonIndex(), 3);
        QCOMPARE(sheet->buttonTitleAtIndex(1), QStringLiteral("Resend"));
        sheet->show(&window);
        QVERIFY(sheet->geometry().bottom() > window.height() / 2); // at the bottom
        sheet->tapButtonAtIndex(3);
        QCOMPARE(tapped, 3);
    }

    // The platform's look whatever the host's window font: two buttons side by side with Cancel
    // first, more stacked with Cancel last, every button behind a divider; a sheet keeps its Cancel
    // apart; all in the library's tint.
    void alertsAndSheetsHaveThePlatformsLook() {
        Window window;
        window.resize(320, 568);
        window.setFont(QFont(QStringLiteral("DejaVu Serif"), 30));
        window.show();
        const auto button = [](AlertView* alert, int i) {
            return alert->findChild<QPushButton*>(QStringLiteral("alert.button.%1").arg(i));
        };
        const auto inWindow = [&window](QWidget* w) { return QRect(w->mapTo(&window, QPoint()), w->size()); };
        const auto dividers = [](AlertView* alert) {
            return alert->findChildren<QWidget*>(QStringLiteral("alert.divider")).size();
        };

        auto* pair = new AlertView("Expire Chatlet now?", "Participants will not be able to reply.", {},
                                   {"Expire", "Cancel"});
        pair->setCancelButtonIndex(1);
        pair->show(&window);
        const QRect expire = inWindow(button(pair, 0));
        const QRect cancel = inWindow(button(pair, 1));
        QCOMPARE(cancel.top(), expire.top());
        QVERIFY(cancel.right() < expire.left());
        QCOMPARE(dividers(pair), 2);
        QVERIFY(button(pair, 1)->font().bold() && !button(pair, 0)->font().bold());
        QCOMPARE(button(pair, 0)->palette().color(QPalette::ButtonText).name(), QStringLiteral("#0086ca"));
        for (QWidget* w : pair->findChildren<QLabel*>())
            QVERIFY2(w->font().family().startsWith(QLatin1String("DejaVu Sans")),
                     qPrintable(w->objectName()));
        for (QWidget* w : pair->findChildren<QPushButton*>())
            QVERIFY2(w->font().family().startsWith(QLatin1String("DejaVu Sans")),
                     qPrintable(w->objectName()));
        pair->tapButtonAtIndex(1);

        auto* three = new AlertView("Group", {}, "Cancel", {"Leave", "Clear"});
        three->show(&window);
        QVERIFY(inWindow(button(three, 1)).bottom() < inWindow(button(three, 2)).top());
        QVERIFY(inWindow(button(three, 2)).bottom() < inWindow(button(three, 0)).top());
        QCOMPARE(dividers(three), 3);
        three->tapButtonAtIndex(0);

        auto* sheet = new ActionSheet("3 Failed Messages", "Cancel", {}, {"Resend all", "Discard all"});
        sheet->show(&window);
        const QRect resend = inWindow(button(sheet, 0));
        const QRect discard = inWindow(button(sheet, 1));
        const QRect apart = inWindow(button(sheet, 2));
        QCOMPARE(dividers(sheet), 2);
        QVERIFY(resend.bottom() < discard.top());
        QVERIFY(apart.top() - discard.bottom() >= 6);
        QVERIFY(button(sheet, 2)->parentWidget() != button(sheet, 0)->parentWidget());
        QVERIFY(inWindow(sheet).bottom() < window.height());
        sheet->tapButtonAtIndex(2);

        // A wide window keeps the sheet a phone's width, centred.
        window.resize(1024, 768);
        auto* wide = new ActionSheet({}, "Cancel", {}, {"Resend"});
        wide->show(&window);
        QVERIFY(wide->width() <= 414);
        QCOMPARE(wide->geometry().center().x(), window.rect().center().x());
        wide->tapButtonAtIndex(1);
    }

    // An alert takes the keyboard of what it covers until it is answered, in the library's window and
    // over a container in a host's widget alike: keys, Tab and Space reach nothing under it; Return
    // answers with its one choice besides Cancel, Escape with Cancel, Space with the button Tab moved
    // to; then the keyboard is back where it was.
    void anAlertTakesTheKeyboardOfWhatItCovers_data() {
        QTest::addColumn<bool>("hosted");
        QTest::newRow("library window") << false;
        QTest::newRow("container in a host's widget") << true;
    }
    void anAlertTakesTheKeyboardOfWhatItCovers() {
        QFETCH(bool, hosted);
        auto* screen = new FormScreen;
        std::unique_ptr<QWidget> top;
        if (hosted) {
            top = std::make_unique<QWidget>();
            auto* layout = new QVBoxLayout(top.get());
            layout->addWidget(new QLineEdit(QStringLiteral("the host's own")));
            layout->addWidget(screen->view(), 1);
            screen->setParent(top.get());
        } else {
            auto window = std::make_unique<Window>();
            window->setRootViewController(screen);
            top = std::move(window);
        }
        top->resize(320, 568);
        top->show();
        QApplication::setActiveWindow(top.get());
        QVERIFY(QTest::qWaitForWindowActive(top.get()));
        QWindow* keys = top->windowHandle();
        screen->field->setFocus();
        QTest::keyClicks(screen->field, QStringLiteral("a"));

        QList<int> answers;
        const auto ask = [&] {
            auto* alert = new AlertView(QStringLiteral("Send?"), QString(), QStringLiteral("No"),
                                        {QStringLiteral("Yes")}, [&](AlertView*, int i) { answers << i; });
            alert->show(screen->window());
            return alert;
        };
        AlertView* alert = ask();
        QTRY_VERIFY(alert->isVisible());
        QTRY_VERIFY(alert->isAncestorOf(QApplication::focusWidget()));
        for (Qt::Key key : {Qt::Key_B, Qt::Key_Space, Qt::Key_Backspace})
            QTest::keyClick(keys, key);
        QCOMPARE(screen->field->text(), QStringLiteral("a"));
        QCOMPARE(screen->clicks, 0);
        QVERIFY(answers.isEmpty());
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(keys, Qt::Key_Tab);
            QVERIFY(alert->isAncestorOf(QApplication::focusWidget()));
        }
        // Three Tabs from "Yes" rest on "No".
        QTest::keyClick(keys, Qt::Key_Space);
        QCOMPARE(answers, QList<int>{0});
        QCOMPARE(screen->clicks, 0);
        QTRY_COMPARE(QApplication::focusWidget(), screen->field);
        QTest::keyClick(keys, Qt::Key_C);
        QCOMPARE(screen->field->text(), QStringLiteral("ac"));

        alert = ask();
        QTRY_VERIFY(alert->isVisible());
        QTest::keyClick(keys, Qt::Key_Return);
        QCOMPARE(answers, (QList<int>{0, 1}));
        alert = ask();
        QTRY_VERIFY(alert->isVisible());
        QTest::keyClick(keys, Qt::Key_Escape);
        QCOMPARE(answers, (QList<int>{0, 1, 0}));
        QTest::keyClick(keys, Qt::Key_D);
        QCOMPARE(screen->field->text(), QStringLiteral("acd"));
        QCOMPARE(screen->clicks, 0);

        // The field's Return that asks is not the answer.
        QObject::connect(screen->field, &QLineEdit::returnPressed, screen, [&] { alert = ask(); });
        QTest::keyClick(keys, Qt::Key_Return);
        QTRY_VERIFY(alert->isVisible());
        QCOMPARE(answers.size(), 3);
        QTest::keyClick(keys, Qt::Key_Return);
        QCOMPARE(answers, (QList<int>{0, 1, 0, 1}));
        QObject::disconnect(screen->field, &QLineEdit::returnPressed, screen, nullptr);

        // A key typed in the very turn the alert is added is the alert's.
        alert = ask();
        QTest::keyClick(keys, Qt::Key_E);
        QTest::keyClick(keys, Qt::Key_Return);
        QCOMPARE(answers, (QList<int>{0, 1, 0, 1, 1}));
        QCOMPARE(screen->field->text(), QStringLiteral("acd"));

        // A screen under the alert that moves the focus (here to its button) yields it to the alert,
        // and has it once the alert is answered.
        alert = ask();
        QTRY_VERIFY(alert->isVisible());
        screen->button->setFocus(Qt::OtherFocusReason);
        QVERIFY(alert->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(keys, Qt::Key_F);
        QTest::keyClick(keys, Qt::Key_Escape);
        QCOMPARE(answers, (QList<int>{0, 1, 0, 1, 1, 0}));
        QCOMPARE(QApplication::focusWidget(), screen->button);
        QTest::keyClick(keys, Qt::Key_Space);
        QCOMPARE(screen->clicks, 1);
        QCOMPARE(screen->field->text(), QStringLiteral("acd"));

        // Two alerts at once: the newer has the keys, then the older, then the screen again.
        AlertView* older = ask();
        AlertView* newer = ask();
        QVERIFY(newer->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(keys, Qt::Key_Return);
        QVERIFY(older->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(keys, Qt::Key_Escape);
        QCOMPARE(answers, (QList<int>{0, 1, 0, 1, 1, 0, 1, 0}));
        QCOMPARE(QApplication::focusWidget(), screen->button);
    }

    // An alert over one container leaves alone the keyboard of the host's own widgets and of another
    // container beside it, even when it opens while the user types there; a click on the container it
    // covers gives it the keys.
    void anAlertOverAContainerLeavesTheRestOfTheHostAlone() {
        QWidget host;
        auto* layout = new QHBoxLayout(&host);
        auto* own = new QLineEdit;
        layout->addWidget(own);
        auto* first = new FormScreen;
        auto* second = new FormScreen;
        for (FormScreen* screen : {first, second}) {
            layout->addWidget(screen->view(), 1);
            screen->setParent(&host);
        }
        host.resize(640, 480);
        host.show();
        QApplication::setActiveWindow(&host);
        QVERIFY(QTest::qWaitForWindowActive(&host));
        QWindow* keys = host.windowHandle();
        own->setFocus();
        QTest::keyClick(keys, Qt::Key_H);

        int answered = -1;
        auto* alert = new AlertView(QStringLiteral("Send?"), QString(), QStringLiteral("No"),
                                    {QStringLiteral("Yes")}, [&](AlertView*, int i) { answered = i; });
        alert->show(first->window());
        QVERIFY(alert->isVisible());
        QCOMPARE(QApplication::focusWidget(), own);
        QTest::keyClick(keys, Qt::Key_I);
        QCOMPARE(own->text(), QStringLiteral("hi"));
        QTest::mouseClick(second->field, Qt::LeftButton);
        QTest::keyClick(keys, Qt::Key_X);
        QTest::keyClick(keys, Qt::Key_Return);
        QCOMPARE(second->field->text(), QStringLiteral("x"));
        QCOMPARE(Window::keyWindow(), second->window());
        QCOMPARE(answered, -1);

        // A click on the dimmed container: the alert has the keys, and the user works there.
        QTest::mouseClick(alert->parentWidget(), Qt::LeftButton, {}, QPoint(4, 4));
        QVERIFY(alert->isAncestorOf(QApplication::focusWidget()));
        QCOMPARE(Window::keyWindow(), first->window());
        QTest::keyClick(keys, Qt::Key_Return);
        QCOMPARE(answered, 1);
        QCOMPARE(first->field->text(), QString());

        // A click on the busy overlay over it: once the overlay goes, the keys are not handed on to a
        // widget of the host's or of the other container.
        Window* overFirst = first->window();
        overFirst->setBusy(true);
        QVERIFY(overFirst->isVisible());
        QTest::mouseClick(overFirst->findChild<QWidget*>(QStringLiteral("busyLayer")), Qt::LeftButton);
        overFirst->setBusy(false);
        QTRY_VERIFY(overFirst->isHidden());
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(!focus || focus == first->view() || first->view()->isAncestorOf(focus));
    }

    void keyboardNotificationsCarryFrames() {
        Window window;
        window.resize(375, 667);
        window.show();
        QList<Notification> seen;
        auto token = NotificationCenter::defaultCenter()->addObserver({}, [&](const Notification& n) {
            if (n.name.startsWith("UIKeyboard"))
                seen << n;
        });
        KeyboardMonitor::shared()->show(216, &window);
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0].name, KeyboardMonitor::kWillShow);
        QCOMPARE(seen[0].userInfo.value(KeyboardMonitor::kFrameEndKey).toRect(),
                 QRect(0, 667 - 216, 375, 216));
        QCOMPARE(seen[1].name, KeyboardMonitor::kDidShow);
        KeyboardMonitor::shared()->hide();
        QCOMPARE(seen[2].name, KeyboardMonitor::kWillHide);
        QCOMPARE(seen[2].userInfo.value(KeyboardMonitor::kFrameBeginKey).toRect().height(), 216);
        KeyboardMonitor::shared()->hide(); // hidden already: nothing more
        QCOMPARE(seen.size(), 4);

        // Text focus inside the library's window stands in for the keyboard on a desktop.
        seen.clear();
        auto* field = new TextField(&window);
        field->show();
        QApplication::setActiveWindow(&window);
        field->setFocus();
        QTRY_VERIFY(!seen.isEmpty());
        QCOMPARE(seen.first().name, KeyboardMonitor::kWillShow);
        QCOMPARE(seen.first().userInfo.value(KeyboardMonitor::kFrameEndKey).toRect().height(), 0);
        field->clearFocus();
        QTRY_VERIFY(seen.last().name == KeyboardMonitor::kDidHide);
        NotificationCenter::defaultCenter()->removeObserver(token);
    }

    // The library learns of the keyboard from the focus alone: after all of the above (library windows,
    // containers in a host's widget, alerts over both, keys and clicks), or a window of its own with an
    // alert over a field with the keys when this runs alone, no filter was ever put on the application,
    // while the library's filters on its own widgets were seen.
    void theLibraryPutsNoFilterOnTheApplication() {
        Window window;
        auto* screen = new FormScreen;
        window.setRootViewController(screen);
        window.show();
        QApplication::setActiveWindow(&window);
        screen->field->setFocus();
        auto* alert = new AlertView("Over the field", {}, "OK", {});
        alert->show(&window);
        QTest::mouseClick(alert->findChild<QPushButton*>("alert.button.0"), Qt::LeftButton);
        QVERIFY(window.alerts().isEmpty());
        QVERIFY(g_filtersInstalled > 0);
        QCOMPARE(g_applicationFilters, 0);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestAlerts t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_alerts.moc"
