#include "TestSandbox.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/ApplicationStateMonitor.h"

#include <QApplication>
#include <QTest>

using namespace pelnix::platform;
using namespace pelnix::platform::ui;

class TestAppState : public QObject {
    Q_OBJECT
private slots:
    void notificationsFollowTheApplicationState_data() {
        QTest::addColumn<QList<int>>("states");
        QTest::addColumn<QStringList>("posted");
        const QString active = ApplicationStateMonitor::kDidBecomeActive;
        const QString resign = ApplicationStateMonitor::kWillResignActive;
        const QString background = ApplicationStateMonitor::kDidEnterBackground;
        const QString foreground = ApplicationStateMonitor::kWillEnterForeground;
        QTest::newRow("activate, deactivate")
            << QList<int>{Qt::ApplicationActive, Qt::ApplicationInactive} << QStringList{active, resign};
        QTest::newRow("same state twice is one change")
            << QList<int>{Qt::ApplicationActive, Qt::ApplicationActive} << QStringList{active};
        QTest::newRow("straight to the background and back")
            << QList<int>{Qt::ApplicationActive, Qt::ApplicationHidden, Qt::ApplicationActive}
            << QStringList{active, resign, background, foreground, active};
        QTest::newRow("inactive then hidden resigns once")
            << QList<int>{Qt::ApplicationActive, Qt::ApplicationInactive, Qt::ApplicationHidden,
                          Qt::ApplicationActive}
            << QStringList{active, resign, background, foreground, active};
        QTest::newRow("suspended from inactive")
            << QList<int>{Qt::ApplicationSuspended, Qt::ApplicationInactive}
            << QStringList{background, foreground};
    }
    void notificationsFollowTheApplicationState() {
        QFETCH(QList<int>, states);
        QFETCH(QStringList, posted);
        auto* monitor = ApplicationStateMonitor::shared();
        monitor->applicationStateChanged(Qt::ApplicationInactive);
        QStringList seen;
        QObject context;
        for (const QString& name :
             {ApplicationStateMonitor::kDidBecomeActive, ApplicationStateMonitor::kWillResignActive,
              ApplicationStateMonitor::kDidEnterBackground, ApplicationStateMonitor::kWillEnterForeground})
            NotificationCenter::defaultCenter()->addObserver(
                name, [&seen](const Notification& note) { seen << note.name; }, &context);
        for (int state : states)
            monitor->applicationStateChanged(Qt::ApplicationState(state));
        QCOMPARE(seen, posted);
        QCOMPARE(monitor->isActive(), states.last() == Qt::ApplicationActive);
    }

    // Qt's own signal reaches the monitor.
    void listensToQt() {
        auto* monitor = ApplicationStateMonitor::shared();
        monitor->applicationStateChanged(Qt::ApplicationInactive);
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(monitor->isActive());
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestAppState t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_appstate.moc"
