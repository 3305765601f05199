#include "GalleryLocation.h"

#include "platform/Sandbox.h"
#include "platform/ui/HttpGeocoder.h"
#include "platform/ui/MapView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PositioningLocationProvider.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "standin/StandinServer.h"
#include "ui/conversation/LocationScreens.h"
#include "ui/conversation/PLChooseLocationViewController.h"
#include "ui/conversation/PLLocationViewController.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace pelnix::tools {

using platform::ui::MapView;
using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

const QString kGallery = QStringLiteral("GalleryLocation");
bool g_ownSandbox = true;

// Cubbon Park, Bengaluru, as a GPS receiver reports it.
const QByteArray kPosition = "$GPRMC,101500.00,A,1258.5780,N,07735.5740,E,0.0,0.0,060326,,,A*";

QByteArray withChecksum(const QByteArray& sentence) {
    quint8 sum = 0;
    for (const char c : sentence.mid(1, sentence.size() - 2))
        sum ^= quint8(c);
    return sentence + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

// The gallery's stand-in (tiles and gazetteer) and position log, made once per process.
class LocationGalleryWorld {
public:
    static LocationGalleryWorld& shared() {
        static LocationGalleryWorld world;
        return world;
    }
    QString tiles() const { return m_base + QStringLiteral("tiles/{z}/{x}/{y}.png"); }
    // The next geocoding request fails, as when the geocoding server is down.
    void failNextGeocoding() {
        standin::StandinServer::Fault fault;
        fault.pathPattern = "/geocoder/";
        m_server->addFault(fault);
    }

private:
    LocationGalleryWorld() {
        if (g_ownSandbox)
            platform::Sandbox::setRoot(m_folder.filePath(QStringLiteral("sandbox")));
        m_server = std::make_unique<standin::StandinServer>(
            standin::StandinServer::Options{m_folder.filePath(QStringLiteral("standin")).toStdString()});
        if (m_server->start())
            m_base = QString::fromStdString(m_server->baseUrl());
        // The service's threads may still be drawing tiles the map asked for last. They must end
        // while the application and Qt's own statics are alive: at exit they paint on freed state.
        qAddPostRoutine([] { shared().m_server->stop(); });
        const QString log = m_folder.filePath(QStringLiteral("position.nmea"));
        QFile file(log);
        if (file.open(QIODevice::WriteOnly))
            file.write(withChecksum(kPosition));
        file.close();
        platform::ui::LocationProvider::setMaker([log](QObject* parent) {
            return platform::ui::PositioningLocationProvider::fromNmeaFile(log, parent);
        });
        platform::ui::Geocoder::setCurrent(
            std::make_unique<platform::ui::HttpGeocoder>(QUrl(m_base + QStringLiteral("geocoder/"))));
        LocationScreens::registerScreens();
    }

    QTemporaryDir m_folder;
    std::unique_ptr<standin::StandinServer> m_server;
    QString m_base;
};

const QList<std::pair<QString, QSize>>& screens() {
    static const QList<std::pair<QString, QSize>> list{
        {QStringLiteral("LocationSend"), QSize(320, 568)},
        {QStringLiteral("LocationSend400x720"), QSize(400, 720)},
        {QStringLiteral("LocationSendFailed"), QSize(320, 568)},
        {QStringLiteral("LocationWithPin"), QSize(320, 568)},
        {QStringLiteral("LocationWithPin400x720"), QSize(400, 720)},
        {QStringLiteral("ChooseLocation"), QSize(320, 568)},
        {QStringLiteral("ChooseLocation400x720"), QSize(400, 720)},
    };
    return list;
}

// Turns the event loop, painting the map (which asks for its tiles), until `ready` or ten seconds.
void waitWhilePainting(MapView* map, const std::function<bool()>& ready) {
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        map->grab();
        if (ready())
            return;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

ViewController* makeScreen() {
    LocationGalleryWorld::shared();
    auto* host = new ViewController;
    host->setTitle(QStringLiteral("Ops"));
    return new NavigationController(host);
}

void prepare(const QString& identifier, ViewController* controller) {
    LocationGalleryWorld& world = LocationGalleryWorld::shared();
    auto* navigation = qobject_cast<NavigationController*>(controller);
    ViewController* host = navigation ? navigation->topViewController() : nullptr;
    if (!host)
        return;
    auto* registry = ScreenRegistry::shared();
    if (identifier.startsWith(QLatin1String("Choose"))) {
        auto* initial = registry->instantiate(PLChooseLocationViewController::kStoryboard,
                                              PLChooseLocationViewController::kNavigationIdentifier);
        auto* chooser = qobject_cast<PLChooseLocationViewController*>(
            qobject_cast<NavigationController*>(initial)->topViewController());
        chooser->setChooseLocationCompletionHandler([](const QVariantMap&) {});
        host->presentViewController(initial, false);
        MapView* map = chooser->mapView();
        map->setTileURLTemplate(world.tiles());
        waitWhilePainting(map, [chooser] { return chooser->locationManager()->location().has_value(); });
        chooser->handleTap({13.08, 77.72});
        waitWhilePainting(map, [map] { return map->areVisibleTilesLoaded(); });
        return;
    }
    auto* initial = registry->instantiateInitial(PLLocationViewController::kStoryboard);
    auto* screen = qobject_cast<PLLocationViewController*>(
        qobject_cast<NavigationController*>(initial)->topViewController());
    const bool showing = identifier.startsWith(QLatin1String("LocationWithPin"));
    if (showing)
        screen->setMapURL(QStringLiteral("Sydney Opera House"));
    screen->setPostLocationCompletionHandler([](const QString&) {});
    host->presentViewController(initial, false);
    MapView* map = screen->mapView();
    map->setTileURLTemplate(world.tiles());
    if (showing)
        waitWhilePainting(map, [map] { return !map->pins().isEmpty(); });
    else
        waitWhilePainting(map, [screen] { return screen->isSendEnabled(); });
    waitWhilePainting(map, [map] { return map->areVisibleTilesLoaded(); });
    if (identifier != QLatin1String("LocationSendFailed"))
        return;
    world.failNextGeocoding();
    screen->sendButtonClicked();
    auto* window = qobject_cast<platform::ui::Window*>(controller->view()->window());
    waitWhilePainting(map, [window] {
        return window && !window->alerts().isEmpty() && !PLActivityIndicatorView::isVisible();
    });
}

} // namespace

QSize locationGallerySize(const QString& identifier) {
    for (const auto& [name, size] : screens())
        if (name == identifier)
            return size;
    return QSize(320, 568);
}

void showLocationGalleryTiles(MapView* map) {
    map->setTileURLTemplate(LocationGalleryWorld::shared().tiles());
    waitWhilePainting(map, [map] { return map->areVisibleTilesLoaded(); });
}

void registerLocationGalleryScreens(bool ownSandbox) {
    g_ownSandbox = ownSandbox;
    for (const auto& [name, size] : screens()) {
        const QString identifier = name;
        const QSize windowSize = size;
        ScreenRegistry::shared()->registerScreen(
            kGallery, identifier, [] { return makeScreen(); },
            [identifier, windowSize](ViewController* controller) {
                if (QWidget* window = controller->view()->window())
                    window->resize(windowSize);
                prepare(identifier, controller);
            });
    }
}

} // namespace pelnix::tools
