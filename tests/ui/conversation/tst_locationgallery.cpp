// The location screens of the gallery as the screenshot tool renders them, checked by pixels at
// computed points: the stand-in's streets and blocks where the projection puts them, the pin, the
// user's dot, and the bar's buttons.
#include "ConversationGalleryShot.h"
#include "GalleryLocation.h"
#include "TestSandbox.h"

#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/MapView.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"
#include "standin/MapTileRenderer.h"
#include "ui/conversation/PLChooseLocationViewController.h"
#include "ui/conversation/PLLocationViewController.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <cmath>

using namespace pelnix;
using namespace pelnix::platform::ui;
using pelnix::test::near;
using standin::MapTileRenderer;

namespace {

// A point of the tile world at the map's tile zoom, as a coordinate.
Coordinate worldCoordinate(double x, double y, int zoom) {
    const double size = 256.0 * std::exp2(zoom);
    return {std::atan(std::sinh(M_PI * (1.0 - 2.0 * y / size))) * 180.0 / M_PI, x / size * 360.0 - 180.0};
}

struct Shot : pelnix::test::GalleryScreenShot {
    ViewController* presented = nullptr;

    explicit Shot(const QString& identifier, std::optional<QSize> renderedAt = std::nullopt)
        : GalleryScreenShot(QStringLiteral("GalleryLocation"), identifier,
                            tools::locationGallerySize(identifier), renderedAt) {
        presented = controller ? controller->presentedViewController() : nullptr;
    }
    template <class Screen> Screen* screen() const {
        auto* navigation = qobject_cast<NavigationController*>(presented);
        return navigation ? qobject_cast<Screen*>(navigation->topViewController()) : nullptr;
    }
};

// The stand-in's streets cross where the tile world's coordinates are multiples of 128; the middle of
// a block is land or park. Both are checked at a crossing near a quarter of the map.
void checkStreets(const Shot& shot, const MapView* map) {
    const int zoom = int(std::lround(map->zoomLevel()));
    const Coordinate probe = map->coordinateForPoint(QPointF(map->width() / 4.0, map->height() / 3.0));
    const double size = 256.0 * std::exp2(zoom);
    const double worldX = (probe.longitude + 180.0) / 360.0 * size;
    const double lat = probe.latitude * M_PI / 180.0;
    const double worldY = (1.0 - std::asinh(std::tan(lat)) / M_PI) / 2.0 * size;
    const long long column = std::llround(worldX / MapTileRenderer::kStreetSpacing);
    const long long row = std::llround(worldY / MapTileRenderer::kStreetSpacing);
    const double crossX = double(column * MapTileRenderer::kStreetSpacing);
    const double crossY = double(row * MapTileRenderer::kStreetSpacing);
    const QPointF crossing = map->pointForCoordinate(worldCoordinate(crossX, crossY, zoom));
    QVERIFY2(near(shot.at(map, crossing), QColor::fromRgb(MapTileRenderer::kStreet), 8),
             qPrintable(shot.at(map, crossing).name()));
    const QPointF block = map->pointForCoordinate(worldCoordinate(crossX + 64, crossY + 64, zoom));
    const QRgb ground =
        MapTileRenderer::isPark(column, row) ? MapTileRenderer::kPark : MapTileRenderer::kLand;
    QVERIFY2(near(shot.at(map, block), QColor::fromRgb(ground), 8), qPrintable(shot.at(map, block).name()));
}

bool isTint(const QColor& c) {
    return near(c, CustomColors::pelnixBlueColor(), 40);
}

} // namespace

class TestLocationGallery : public QObject {
    Q_OBJECT
    // The screen at the phone's size, at 400 x 720 (as its own twin when the gallery registers one) and
    // at 1024 x 768, which the gallery reaches by resizing the phone's screen, as a host's window would.
    static void addSizes(const QString& identifier, bool hasTwin) {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QSize>("renderedAt");
        QTest::newRow("320 x 568") << identifier << QSize(320, 568);
        QTest::newRow("400 x 720") << (hasTwin ? identifier + QStringLiteral("400x720") : identifier)
                                   << QSize(400, 720);
        QTest::newRow("1024 x 768") << identifier << QSize(1024, 768);
    }

private slots:
    void initTestCase() {
        CustomFontRegistration::loadCustomFonts();
        Animator::setInstant(true);
        QDir().mkpath(QStringLiteral("screenshots"));
        tools::registerLocationGalleryScreens(false);
    }

    void theSendingScreenShowsTheUserOnTheStreets_data() { addSizes(QStringLiteral("LocationSend"), true); }
    void theSendingScreenShowsTheUserOnTheStreets() {
        QFETCH(QString, identifier);
        QFETCH(QSize, renderedAt);
        Shot shot(identifier, renderedAt);
        auto* screen = shot.screen<PLLocationViewController>();
        QVERIFY(screen);
        MapView* map = screen->mapView();
        QVERIFY(map->areVisibleTilesLoaded());
        QCOMPARE(map->width(), shot.window.width());
        checkStreets(shot, map);
        // The user's dot, blue in a white ring, in the middle.
        const QPointF user = map->pointForCoordinate(map->userLocation());
        QVERIFY(qAbs(user.x() - map->width() / 2.0) < 1 && qAbs(user.y() - map->height() / 2.0) < 1);
        QVERIFY(near(shot.at(map, user), QColor(0, 122, 255), 8));
        QVERIFY(near(shot.at(map, user + QPointF(7.5, 0)), Qt::white, 8));
        // Send and Cancel in the tint, in the bar.
        QVERIFY(screen->isSendEnabled());
        QWidget* send = screen->sendButton()->customView();
        QVERIFY(send->isVisible() && send->width() > 30);
        QVERIFY(send->mapTo(&shot.window, QPoint(send->width(), 0)).x() <= shot.window.width());
        QVERIFY(shot.any(send, send->rect(), isTint));
        QWidget* cancel = screen->cancelButton()->customView();
        QVERIFY(shot.any(cancel, cancel->rect(), isTint));
    }

    void aFailedSendShowsItsAlertOverTheMap_data() { addSizes(QStringLiteral("LocationSendFailed"), false); }
    void aFailedSendShowsItsAlertOverTheMap() {
        QFETCH(QString, identifier);
        QFETCH(QSize, renderedAt);
        Shot shot(identifier, renderedAt);
        auto* screen = shot.screen<PLLocationViewController>();
        QVERIFY(screen);
        QVERIFY(screen->mapView()->areVisibleTilesLoaded());
        // The alert's dim covers the whole window, to its far corner.
        const QColor corner = shot.at(&shot.window, QPointF(renderedAt.width() - 4, renderedAt.height() - 4));
        QVERIFY2(corner.lightness() < 200, qPrintable(corner.name()));
        const auto alerts = shot.window.alerts();
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts.first()->title(), QStringLiteral("Failed"));
        QCOMPARE(alerts.first()->message(), QStringLiteral("Unable to send location"));
        AlertView* alert = alerts.first();
        QVERIFY(alert->isVisible());
        // Its OK, in an accent blue.
        QVERIFY(
            shot.any(alert, alert->rect(), [](const QColor& c) { return c.blue() > 180 && c.red() < 80; }));
        // The screen stays, with its map, under the alert.
        QCOMPARE(shot.presented, screen->navigationController());
        QVERIFY(screen->isSendEnabled());
    }

    void theShownAddressHasItsPin_data() { addSizes(QStringLiteral("LocationWithPin"), true); }
    void theShownAddressHasItsPin() {
        QFETCH(QString, identifier);
        QFETCH(QSize, renderedAt);
        Shot shot(identifier, renderedAt);
        auto* screen = shot.screen<PLLocationViewController>();
        QVERIFY(screen);
        MapView* map = screen->mapView();
        QCOMPARE(map->pins().size(), 1);
        QVERIFY(map->areVisibleTilesLoaded());
        checkStreets(shot, map);
        const QPointF pin = map->pointForCoordinate(map->pins().first().coordinate);
        QVERIFY(near(shot.at(map, pin + QPointF(0, -12)), QColor(255, 59, 48), 8));
        QVERIFY(near(shot.at(map, pin + QPointF(0, -4)), QColor(255, 59, 48), 8)); // its stem
        // Showing a place sends nothing: Send is there but unseen.
        QWidget* send = screen->sendButton()->customView();
        QVERIFY(!shot.any(send, send->rect(), isTint));
    }

    void chooseLocationShowsThePinAndTheUser_data() { addSizes(QStringLiteral("ChooseLocation"), true); }
    void chooseLocationShowsThePinAndTheUser() {
        QFETCH(QString, identifier);
        QFETCH(QSize, renderedAt);
        Shot shot(identifier, renderedAt);
        auto* chooser = shot.screen<PLChooseLocationViewController>();
        QVERIFY(chooser);
        MapView* map = chooser->mapView();
        QVERIFY(map->areVisibleTilesLoaded());
        checkStreets(shot, map);
        QCOMPARE(map->pins().size(), 1);
        const QPointF pin = map->pointForCoordinate(map->pins().first().coordinate);
        const QPointF user = map->pointForCoordinate(map->userLocation());
        QVERIFY(QLineF(pin, user).length() > 30); // apart, both on the map
        QVERIFY(map->rect().contains(pin.toPoint()) && map->rect().contains(user.toPoint()));
        QVERIFY(near(shot.at(map, pin + QPointF(0, -12)), QColor(255, 59, 48), 8));
        QVERIFY(near(shot.at(map, user), QColor(0, 122, 255), 8));
        QVERIFY(chooser->isAddEnabled());
        QWidget* add = chooser->addBarButton()->customView();
        QVERIFY(shot.any(add, add->rect(), isTint));
        // Its title stands in the bar between Cancel and Add, in dark ink.
        NavigationBar* top = chooser->navigationController()->navigationBar();
        QCOMPARE(top->titleText(), QStringLiteral("Choose Location"));
        auto* title = top->findChild<QLabel*>(QStringLiteral("navigationBar.title"));
        QVERIFY(title && title->isVisible());
        QCOMPARE(title->text(), QStringLiteral("Choose Location"));
        QVERIFY(shot.any(title, title->rect(), [](const QColor& c) { return c.lightness() < 110; }));
        // The bar below the map, with the user-tracking item, runs to the window's bottom.
        Toolbar* bar = chooser->bottomToolbar();
        QCOMPARE(bar->mapTo(&shot.window, QPoint(0, bar->height())).y(), shot.window.height());
        QCOMPARE(map->mapTo(&shot.window, QPoint(0, map->height())).y(),
                 bar->mapTo(&shot.window, QPoint()).y());
        // Its user-tracking item is drawn in the house accent like every other control, not in the
        // platform's blue.
        QVERIFY(shot.any(bar, bar->rect(), isTint));
        QVERIFY(
            !shot.any(bar, bar->rect(), [](const QColor& c) { return near(c, QColor(0, 122, 255), 12); }));
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    pelnix::test::TestSandbox sandbox;
    TestLocationGallery t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_locationgallery.moc"
