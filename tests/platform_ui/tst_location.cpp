#include "NmeaSentence.h"
#include "TestSandbox.h"
#include "platform/ui/Geocoder.h"
#include "platform/ui/MapView.h"
#include "platform/ui/PositioningLocationProvider.h"
#include "platform/ui/TintColor.h"
#include "platform/ui/testing/FakeGeocoder.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

// A positioning source that refuses access, as a system does when the user said no.
class RefusingSource : public QGeoPositionInfoSource {
public:
    RefusingSource() : QGeoPositionInfoSource(nullptr) {}
    void setUpdateInterval(int) override {}
    QGeoPositionInfo lastKnownPosition(bool) const override { return {}; }
    PositioningMethods supportedPositioningMethods() const override { return AllPositioningMethods; }
    int minimumUpdateInterval() const override { return 0; }
    Error error() const override { return AccessError; }
    void startUpdates() override { emit errorOccurred(AccessError); }
    void stopUpdates() override {}
    void requestUpdate(int) override { emit errorOccurred(AccessError); }
};

void wheel(QWidget* widget, const QPointF& at, int degrees) {
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, degrees * 8), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TestLocation : public QObject {
    Q_OBJECT
private slots:
    void anNmeaLogDeliversItsCoordinate() {
        test::TestSandbox sandbox;
        const QString path = sandbox.path(QStringLiteral("walk.nmea"));
        QFile log(path);
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write(test::nmeaSentence("GPRMC,101500.00,A,1258.2960,N,07735.6760,E,0.0,0.0,060324,,,A"));
        log.close();
        std::unique_ptr<PositioningLocationProvider> provider(
            PositioningLocationProvider::fromNmeaFile(path));
        QCOMPARE(provider->authorizationStatus(), LocationProvider::AuthorizationStatus::NotDetermined);
        QSignalSpy authorised(provider.get(), &LocationProvider::authorizationChanged);
        provider->requestAuthorization();
        QCOMPARE(provider->authorizationStatus(), LocationProvider::AuthorizationStatus::Authorized);
        QCOMPARE(authorised.size(), 1);
        QSignalSpy updated(provider.get(), &LocationProvider::locationUpdated);
        provider->startUpdatingLocation();
        QVERIFY(provider->isUpdating());
        QTRY_VERIFY(!updated.isEmpty());
        const auto fix = updated.first().first().value<Location>();
        QVERIFY(qAbs(fix.coordinate.latitude - 12.9716) < 1e-6);
        QVERIFY(qAbs(fix.coordinate.longitude - 77.5946) < 1e-6);
        QCOMPARE(provider->location(), fix);
        provider->stopUpdatingLocation();
        QVERIFY(!provider->isUpdating());
    }

    void aRefusedSourceIsDeniedAndReportsAnError() {
        PositioningLocationProvider provider(new RefusingSource);
        provider.requestAuthorization();
        QSignalSpy failed(&provider, &LocationProvider::failed);
        QSignalSpy changed(&provider, &LocationProvider::authorizationChanged);
        provider.startUpdatingLocation();
        QCOMPARE(provider.authorizationStatus(), LocationProvider::AuthorizationStatus::Denied);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().value<PLError>().code, qint64(LocationProvider::DeniedError));
        QVERIFY(!provider.isUpdating());
        // Once denied, starting again fails at once instead of waiting for fixes that never come.
        provider.startUpdatingLocation();
        QCOMPARE(failed.size(), 2);
        provider.requestAuthorization(); // asked once only
        QCOMPARE(provider.authorizationStatus(), LocationProvider::AuthorizationStatus::Denied);
    }

    void geocodersAnswerLater() {
        std::optional<PLError> error;
        bool answered = false;
        Geocoder::current()->geocodeAddress(
            QStringLiteral("1 Main Street"),
            [&](const QList<Placemark>& found, const std::optional<PLError>& e) {
                answered = true;
                error = e;
                QVERIFY(found.isEmpty());
            });
        QVERIFY(!answered); // never inside the call
        QTRY_VERIFY(answered);
        QVERIFY(error); // no geocoding service here

        auto fake = std::make_unique<FakeGeocoder>();
        Placemark park;
        park.name = QStringLiteral("Cubbon Park");
        park.coordinate = {12.9763, 77.5929};
        fake->places << std::make_pair(park.coordinate, park);
        fake->addresses[QStringLiteral("Cubbon Park")] = {park};
        FakeGeocoder* geocoder = fake.get();
        Geocoder::setCurrent(std::move(fake));
        QList<Placemark> near;
        Geocoder::current()->reverseGeocode(
            {12.9764, 77.5930},
            [&](const QList<Placemark>& found, const std::optional<PLError>&) { near = found; });
        QTRY_COMPARE(near, QList<Placemark>{park});
        std::optional<PLError> far;
        Geocoder::current()->reverseGeocode(
            {13.5, 77.5}, [&](const QList<Placemark>&, const std::optional<PLError>& e) { far = e; });
        QTRY_VERIFY(far);
        QCOMPARE(far->code, qint64(Geocoder::NoResultError));
        QCOMPARE(geocoder->reverseRequests.size(), 2);
        Geocoder::setCurrent(nullptr);
    }

    void theMapPansWithADragAndTapsStayTaps() {
        MapView map;
        map.resize(400, 200);
        map.setRegion({12.97, 77.59}, 0.2, 0.4);
        map.show();
        QSignalSpy tapped(&map, &MapView::tappedCoordinate);
        const Coordinate grabbed = map.coordinateForPoint(QPointF(100, 100));
        QTest::mousePress(&map, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(&map, QPoint(150, 125));
        QTest::mouseMove(&map, QPoint(200, 150));
        QTest::mouseRelease(&map, Qt::LeftButton, {}, QPoint(200, 150));
        QCOMPARE(tapped.size(), 0); // a pan is no tap
        // The ground moved with the pointer: what was under it is under it still.
        const QPointF now = map.pointForCoordinate(grabbed);
        QVERIFY(qAbs(now.x() - 200) < 1e-6 && qAbs(now.y() - 150) < 1e-6);
        QTest::mouseClick(&map, Qt::LeftButton, {}, QPoint(200, 100));
        QCOMPARE(tapped.size(), 1);

        map.setScrollEnabled(false);
        const Coordinate still = map.center();
        QTest::mousePress(&map, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(&map, QPoint(200, 150));
        QTest::mouseRelease(&map, Qt::LeftButton, {}, QPoint(200, 150));
        QCOMPARE(map.center(), still);

        map.setCenter({0, 190}); // across the date line
        QVERIFY(qAbs(map.center().longitude - -170) < 1e-9);
    }

    void zoomKeepsThePointUnderThePointer() {
        MapView map;
        map.resize(400, 200);
        map.setRegion({12.97, 77.59}, 0.2, 0.4);
        map.show();
        const QPointF anchor(300, 50);
        const Coordinate under = map.coordinateForPoint(anchor);
        wheel(&map, anchor, 120);
        QVERIFY(map.longitudeSpan() < 0.4);
        const Coordinate after = map.coordinateForPoint(anchor);
        QVERIFY(qAbs(after.latitude - under.latitude) < 1e-9);
        QVERIFY(qAbs(after.longitude - under.longitude) < 1e-9);
        const double zoom = map.zoomLevel();
        QTest::mouseDClick(&map, Qt::LeftButton, {}, anchor.toPoint());
        QVERIFY(qAbs(map.zoomLevel() - (zoom + 1)) < 1e-12); // twice as near
        map.zoomBy(1e12, anchor);
        QCOMPARE(map.zoomLevel(), MapView::kMaximumZoom);
        map.zoomBy(1e-12, anchor);
        QCOMPARE(map.zoomLevel(), MapView::kMinimumZoom);
        QCOMPARE(map.longitudeSpan(), 360.0); // the whole world, once
        map.setZoomEnabled(false);
        wheel(&map, anchor, 120);
        QCOMPARE(map.zoomLevel(), MapView::kMinimumZoom);
    }

    void showMyLocationCentresOnTheUser() {
        MapView map;
        map.resize(300, 300);
        map.setRegion({0, 0}, 1, 1);
        map.show();
        QToolButton* button = map.showMyLocationButton();
        QVERIFY(!button->isVisible());
        map.setShowsMyLocationButton(true);
        QVERIFY(button->isVisible());
        // Its mark, a ringed dot, in the controls' accent.
        const QImage face = button->grab().toImage();
        const QColor dot = face.pixelColor(face.width() / 2, face.height() / 2);
        QVERIFY2(qAbs(dot.red() - defaultTintColor().red()) <= 12 &&
                     qAbs(dot.green() - defaultTintColor().green()) <= 12 &&
                     qAbs(dot.blue() - defaultTintColor().blue()) <= 12,
                 qPrintable(dot.name()));
        QVERIFY(map.rect().contains(button->geometry()));
        QVERIFY(button->geometry().center().x() > 150 && button->geometry().center().y() > 150);
        QSignalSpy requested(&map, &MapView::showMyLocationRequested);
        button->click(); // no location yet: the screen hears of it, the map stays
        QCOMPARE(requested.size(), 1);
        QCOMPARE(map.center(), Coordinate{});
        const double zoom = map.zoomLevel();
        map.setUserLocation({48.85, 2.35});
        button->click();
        QCOMPARE(map.center(), (Coordinate{48.85, 2.35}));
        QCOMPARE(map.zoomLevel(), zoom);

        // Pins and the user's dot are painted where the projection puts them.
        map.addPin({{48.95, 2.45}, QStringLiteral("Pin")});
        const QImage shown = map.grab().toImage();
        const QPointF pin = map.pointForCoordinate({48.95, 2.45});
        QCOMPARE(QColor(shown.pixel((pin + QPointF(0, -12)).toPoint())), QColor(255, 59, 48));
        QCOMPARE(QColor(shown.pixel(map.pointForCoordinate(map.userLocation()).toPoint())),
                 QColor(0, 122, 255));
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestLocation t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_location.moc"
