#include "TestSandbox.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace pelnix::platform;
using namespace pelnix::platform::ui;

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
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestAlerts t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_alerts.moc"
