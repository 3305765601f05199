// The foundation's hooks filled by the screen layer: the offline alert and the device traits.
#include "TestSandbox.h"
#include "foundation/DeviceTraits.h"
#include "foundation/PLReachability.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ReachabilitySource.h"
#include "foundation/ui/WidgetServices.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;

class TestWidgetServices : public QObject {
    Q_OBJECT
private slots:
    void offlineCheckShowsTheFailedAlertInTheKeyWindowOnlyWhenAsked() {
        WidgetServices::install();
        auto network = std::make_shared<ReachabilitySource>();
        auto* responder = PLReachabilityResponder::sharedInstance();
        responder->setReachabilityInstance(std::make_shared<PLReachability>(network, false));

        // No window of the library's: the check answers NO and shows nothing, without crashing.
        QVERIFY(!responder->isNetworkReachable(true));

        Window window;
        window.resize(375, 667);
        window.makeKeyAndVisible();
        QVERIFY(!responder->isNetworkReachable(false));
        QCOMPARE(window.alerts().size(), 0);
        QVERIFY(!responder->isNetworkReachable(true));
        QCOMPARE(window.alerts().size(), 1);
        AlertView* alert = window.alerts().first();
        QCOMPARE(alert->title(), QStringLiteral("Failed"));
        QCOMPARE(alert->message(), QStringLiteral("Please check your network connectivity."));
        QCOMPARE(alert->numberOfButtons(), 1);
        QCOMPARE(alert->buttonTitleAtIndex(0), QStringLiteral("OK"));
        alert->tapButtonAtIndex(0);
        QTRY_COMPARE(window.alerts().size(), 0);

        network->setFlags(PLReachability::kReachable, 0);
        QVERIFY(responder->isNetworkReachable(true));
        QCOMPARE(window.alerts().size(), 0);
    }

    void deviceTraitsFollowThePrimaryScreen() {
        WidgetServices::updateDeviceTraitsFromScreen();
        const DeviceTraits traits = DeviceTraits::current();
        QScreen* screen = QGuiApplication::primaryScreen();
        QCOMPARE(traits.scale, screen->devicePixelRatio());
        QCOMPARE(traits.screenBounds, QSizeF(screen->geometry().size()));
        QCOMPARE(traits.idiom, 0);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestWidgetServices t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_widgetservices.moc"
