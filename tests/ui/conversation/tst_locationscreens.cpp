// The location screen (sending a check-in or a reply, showing a place) and choose location: their
// values and formats, when Send and Add may be used, what a failed geocoding leaves, and how each
// closes. The position comes from a fake provider and places from a fake geocoder.
#include "HostileHttpPeer.h"
#include "SmartScreensTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/HttpGeocoder.h"
#include "platform/ui/MapView.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/testing/FakeGeocoder.h"
#include "platform/ui/testing/FakeLocationProvider.h"
#include "smart/MessageLinkProcessing.h"
#include "ui/conversation/LocationScreens.h"
#include "ui/conversation/PLChooseLocationViewController.h"
#include "ui/conversation/PLLocationValues.h"
#include "ui/conversation/PLLocationViewController.h"
#include "ui/conversation/SmartScreenSupport.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::Coordinate;
using platform::ui::FakeGeocoder;
using platform::ui::FakeLocationProvider;
using platform::ui::Location;
using platform::ui::LocationProvider;
using platform::ui::NavigationController;
using platform::ui::Placemark;
using Status = LocationProvider::AuthorizationStatus;

namespace {

Placemark cubbonPark() {
    Placemark park;
    park.name = QStringLiteral("Cubbon Park");
    park.subLocality = QStringLiteral("Sampangi Rama Nagar");
    park.locality = QStringLiteral("Bengaluru");
    park.isoCountryCode = QStringLiteral("IN");
    park.coordinate = {12.9763, 77.5929};
    return park;
}

Location fix(double latitude, double longitude, double horizontal = 65, double vertical = -1) {
    Location location;
    location.coordinate = {latitude, longitude};
    location.horizontalAccuracy = horizontal;
    location.verticalAccuracy = vertical;
    return location;
}

QVariantMap parse(const QString& json) {
    return QJsonDocument::fromJson(json.toUtf8()).object().toVariantMap();
}

} // namespace

class TestLocationScreens : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        world = std::make_unique<SmartScreensWorld>();
        LocationScreens::registerScreens();
        LocationProvider::setMaker([this](QObject* parent) {
            auto* provider = new FakeLocationProvider(parent);
            provider->answer = answer;
            this->provider = provider;
            return provider;
        });
    }
    void cleanupTestCase() {
        LocationProvider::setMaker({});
        world.reset();
    }
    void init() {
        answer = Status::Authorized;
        auto fake = std::make_unique<FakeGeocoder>();
        geocoder = fake.get();
        geocoder->places << std::make_pair(cubbonPark().coordinate, cubbonPark());
        platform::ui::Geocoder::setCurrent(std::move(fake));
        host = world->showHost();
        world->window->makeKeyAndVisible(); // the busy overlay shows in the key window
        messages.clear();
        handled = 0;
    }
    void cleanup() {
        world->dismissAlerts();
        world->window.reset();
        world->settle();
        platform::ui::Geocoder::setCurrent(nullptr);
    }

    void checkInValues_data();
    void checkInValues();
    void chosenValuesDescribeThePinAndTheUser();
    void sendWaitsForAPlaceToSendFrom();
    void aPositionTheMapCannotFindTurnsSendOff();
    void sendHandsOverANewCheckIn();
    void aReplyCarriesTheAskingFormAndNoSender();
    void aReplyToAFormWithoutIdGivesNothing();
    void aFailedGeocodingKeepsTheScreen();
    void anAddressIsShownOnTheMapAndNeverSent();
    void aMapLinkOpensInTheWebView();
    void cancelPopsAPushedScreenAndDismissesAPresentedOne();
    void addWaitsForPermissionAndCancelAnswersNilFirst();
    void tapsMoveTheOnePin();
    void addHandsThePlacesValues();
    void aFailedGeocodingLeavesChooseLocationOpen();
    void thePinGoesWhereTheUserIsOnceKnown();
    void withoutMapServicesTheMapIsPlainAndSendingFails();
    void aGeocoderThatTricklesEndsInTheFailureAtItsDeadline();

private:
    // The location screen in its navigation controller, presented over the host as its openers do.
    PLLocationViewController* presentLocation(const QVariantMap& properties = {}) {
        auto* initial =
            platform::ui::ScreenRegistry::shared()->instantiateInitial(QStringLiteral("Location"));
        auto* screen = qobject_cast<PLLocationViewController*>(SmartScreenSupport::topOf(initial));
        if (!screen)
            return nullptr;
        for (auto it = properties.begin(); it != properties.end(); ++it)
            screen->setProperty(it.key().toLatin1().constData(), it.value());
        screen->setProperty(kLocationCompletionProperty,
                            QVariant::fromValue(PLPostLocationCompletionHandler([this](const QString& text) {
                                messages << text;
                                ++handled;
                            })));
        host->presentViewController(initial, false);
        world->settle();
        return screen;
    }
    PLChooseLocationViewController* presentChooser(bool withHandler = true) {
        auto* initial = platform::ui::ScreenRegistry::shared()->instantiate(
            QStringLiteral("Location"), QStringLiteral("PLChooseLocationNavigationController"));
        auto* chooser = qobject_cast<PLChooseLocationViewController*>(SmartScreenSupport::topOf(initial));
        if (!chooser)
            return nullptr;
        if (withHandler)
            chooser->setProperty(
                "completionHandler",
                QVariant::fromValue(PLChooseLocationCompletionHandler([this](const QVariantMap& v) {
                    chosen << v;
                    stillOpenWhenAnswered = host->presentedViewController() != nullptr;
                })));
        chosen.clear();
        host->presentViewController(initial, false);
        world->settle();
        return chooser;
    }

    std::unique_ptr<SmartScreensWorld> world;
    ChatletHost* host = nullptr;
    FakeGeocoder* geocoder = nullptr;
    QPointer<FakeLocationProvider> provider;
    Status answer = Status::Authorized;
    QStringList messages;
    int handled = 0;
    QList<QVariantMap> chosen;
    bool stillOpenWhenAnswered = false;
};

void TestLocationScreens::checkInValues_data() {
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<double>("horizontal");
    QTest::addColumn<double>("vertical");
    QTest::addColumn<bool>("named");
    QTest::addColumn<QStringList>("expected"); // location, lat, lng, accuracy, provider, locname
    QTest::newRow("rounded to three places")
        << 12.34567 << 76.54321 << 65.0 << -1.0 << true
        << QStringList{"12.346, 76.543", "12.346",  "76.543",
                       "65.00",          "network", "Cubbon Park, Sampangi Rama Nagar, Bengaluru"};
    QTest::newRow("south and west, satellite fix")
        << -33.85681 << -151.21529 << 4.256 << 0.0 << true
        << QStringList{"-33.857, -151.215",
                       "-33.857",
                       "-151.215",
                       "4.26",
                       "gps",
                       "Cubbon Park, Sampangi Rama Nagar, Bengaluru"};
    QTest::newRow("altitude known") << 1.0 << 2.0 << 10.0 << 3.5 << true
                                    << QStringList{
                                           "1.000, 2.000", "1.000",
                                           "2.000",        "10.00",
                                           "gps",          "Cubbon Park, Sampangi Rama Nagar, Bengaluru"};
    QTest::newRow("no readable name")
        << 1.0 << 2.0 << 10.0 << -1.0 << false
        << QStringList{"1.000, 2.000", "1.000", "2.000", "10.00", "network", ""};
}

void TestLocationScreens::checkInValues() {
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(double, horizontal);
    QFETCH(double, vertical);
    QFETCH(bool, named);
    QFETCH(QStringList, expected);
    const Placemark park = cubbonPark();
    const Placemark nameless;
    const QVariantMap values = PLLocationValues::checkInDictionary(
        fix(latitude, longitude, horizontal, vertical), named ? &park : &nameless);
    QCOMPARE(values.size(), 6);
    QCOMPARE(values.value("location").toString(), expected[0]);
    QCOMPARE(values.value("lat").toString(), expected[1]);
    QCOMPARE(values.value("lng").toString(), expected[2]);
    QCOMPARE(values.value("accuracy").toString(), expected[3]);
    QCOMPARE(values.value("provider").toString(), expected[4]);
    QCOMPARE(values.value("locname").toString(), expected[5]);
    QVERIFY(!values.value("locname").toString().isNull());
}

void TestLocationScreens::chosenValuesDescribeThePinAndTheUser() {
    const Placemark park = cubbonPark();
    const QVariantMap values = PLLocationValues::chosenLocation({12.5, 77.25}, &park, fix(48.0, 2.0, 8, 3));
    QCOMPARE(values.value(PLLocationKey).toString(), QStringLiteral("12.500000,77.250000"));
    QCOMPARE(values.value(PLLatitudeKey).typeId(), QMetaType::Double);
    QCOMPARE(values.value(PLLatitudeKey).toDouble(), 12.5);
    QCOMPARE(values.value(PLLongitudeKey).toDouble(), 77.25);
    QCOMPARE(values.value(PLPlaceNameKey).toString(),
             QStringLiteral("Cubbon Park, Sampangi Rama Nagar, Bengaluru"));
    // Accuracy and provider are the user's own, wherever the pin is.
    QCOMPARE(values.value(PLAccuracyKey).toString(), QStringLiteral("8.00"));
    QCOMPARE(values.value(PLProviderKey).toString(), QStringLiteral("gps"));
    const QVariantMap unnamed = PLLocationValues::chosenLocation({-0.5, 0.25}, nullptr, std::nullopt);
    QCOMPARE(unnamed.value(PLLocationKey).toString(), QStringLiteral("-0.500000,0.250000"));
    QCOMPARE(unnamed.value(PLPlaceNameKey).toString(), QStringLiteral(""));
    QCOMPARE(unnamed.value(PLProviderKey).toString(), QStringLiteral("network"));
}

void TestLocationScreens::sendWaitsForAPlaceToSendFrom() {
    answer = Status::Denied;
    auto* screen = presentLocation();
    QVERIFY(screen);
    QCOMPARE(screen->title(), QStringLiteral("Location"));
    QVERIFY(screen->cancelButton()); // presented: Cancel on the left
    QVERIFY(!screen->isSendEnabled());
    QVERIFY(provider->isUpdating());
    const Coordinate before = screen->mapView()->center();
    provider->deliver(fix(0.0, 0.0));
    QVERIFY(!screen->isSendEnabled());
    QCOMPARE(screen->mapView()->center(), before); // 0, 0 moves nothing
    provider->deliver(fix(12.9716, 77.5946));
    QVERIFY(screen->isSendEnabled());
    QCOMPARE(screen->mapView()->center(), (Coordinate{12.9716, 77.5946}));
    QVERIFY(screen->mapView()->latitudeSpan() >= PLLocationViewController::kUserSpan - 1e-9);
    QVERIFY(screen->mapView()->isUserLocationShown());
    host->dismissViewController(false);
    world->settle();

    // Permission for all times alone turns Send on.
    answer = Status::Authorized;
    screen = presentLocation();
    QVERIFY(screen->isSendEnabled());
}

void TestLocationScreens::aPositionTheMapCannotFindTurnsSendOff() {
    auto* screen = presentLocation();
    provider->deliver(fix(12.9716, 77.5946));
    QVERIFY(screen->isSendEnabled());
    emit provider->failed(PLError(QStringLiteral("kCLErrorDomain"), 0, QStringLiteral("unknown"),
                                  {{"NSLocalizedRecoverySuggestion", "Turn on Location Services."}}));
    QVERIFY(!screen->isSendEnabled());
    QCOMPARE(world->alertTexts(), QStringList{" / Turn on Location Services."});
    QCOMPARE(world->topAlert()->buttonTitleAtIndex(0), QStringLiteral("OK"));
    world->dismissAlerts();
    // An error without a suggestion only turns Send off.
    provider->deliver(fix(12.9716, 77.5946));
    emit provider->failed(PLError(QStringLiteral("kCLErrorDomain"), 0, QStringLiteral("unknown")));
    QVERIFY(!screen->isSendEnabled());
    QVERIFY(world->alertTexts().isEmpty());
}

void TestLocationScreens::sendHandsOverANewCheckIn() {
    auto* screen = presentLocation();
    provider->deliver(fix(12.97634, 77.59291, 65, -1));
    screen->sendButton()->trigger(); // the item's action, as the bar's button runs it
    QCOMPARE(handled, 0);
    QVERIFY(PLActivityIndicatorView::isVisible());
    QTRY_COMPARE(handled, 1);
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QVERIFY(!host->presentedViewController());
    QCOMPARE(geocoder->reverseRequests, QList<Coordinate>{(Coordinate{12.97634, 77.59291})});
    const QVariantMap post = parse(messages.first());
    QCOMPARE(post.value("type").toString(), QStringLiteral("location"));
    const QVariantMap media = post.value("content").toMap().value("media").toList().value(0).toMap();
    QCOMPARE(media.value("location").toString(), QStringLiteral("12.976, 77.593"));
    QCOMPARE(media.value("lat").toString(), QStringLiteral("12.976"));
    QCOMPARE(media.value("lng").toString(), QStringLiteral("77.593"));
    QCOMPARE(media.value("accuracy").toString(), QStringLiteral("65.00"));
    QCOMPARE(media.value("provider").toString(), QStringLiteral("network"));
    QCOMPARE(media.value("locname").toString(),
             QStringLiteral("Cubbon Park, Sampangi Rama Nagar, Bengaluru"));
    QCOMPARE(media.value("username").toString(), QStringLiteral("Ann"));
    QVERIFY(!media.value("date").toString().isEmpty());
    QVERIFY(!post.contains("formid") || post.value("formid").toString().isEmpty());
}

void TestLocationScreens::aReplyCarriesTheAskingFormAndNoSender() {
    auto* screen =
        presentLocation({{kLocationInfoProperty, QVariantMap{{"formid", "F-9"}, {"ask", "where"}}}});
    QVERIFY(screen->hasLocationInfo());
    provider->deliver(fix(12.97634, 77.59291));
    screen->sendButtonClicked();
    QTRY_COMPARE(handled, 1);
    const QVariantMap reply = parse(messages.first());
    QStringList keys = reply.keys();
    keys.sort();
    QCOMPARE(keys,
             (QStringList{"accuracy", "formid", "lat", "lng", "location", "locname", "provider", "type"}));
    QCOMPARE(reply.value("formid").toString(), QStringLiteral("F-9"));
    QCOMPARE(reply.value("type").toString(), QStringLiteral("locresp"));
}

void TestLocationScreens::aReplyToAFormWithoutIdGivesNothing() {
    auto* screen = presentLocation({{kLocationInfoProperty, QVariantMap{{"ask", "where"}}}});
    provider->deliver(fix(12.97634, 77.59291));
    screen->sendButtonClicked();
    QTRY_COMPARE(handled, 1);
    QVERIFY(messages.first().isNull());
    world->settle();
    QVERIFY(!host->presentedViewController()); // the screen closes all the same
}

void TestLocationScreens::aFailedGeocodingKeepsTheScreen() {
    auto* screen = presentLocation();
    provider->deliver(fix(40.0, -30.0)); // mid-ocean: no place there
    screen->sendButtonClicked();
    QTRY_COMPARE(geocoder->reverseRequests.size(), 1);
    QTRY_VERIFY(world->topAlert());
    world->settle();
    QCOMPARE(world->alertTexts(), QStringList{"Failed / Unable to send location"});
    QCOMPARE(world->topAlert()->buttonTitleAtIndex(0), QStringLiteral("OK"));
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QCOMPARE(handled, 0);
    QCOMPARE(host->presentedViewController(), screen->navigationController());
    world->dismissAlerts();

    // Sending before any position came says the same, and asks no geocoder.
    host->dismissViewController(false);
    world->settle();
    screen = presentLocation();
    QVERIFY(screen->isSendEnabled());
    screen->sendButtonClicked();
    QCOMPARE(world->alertTexts(), QStringList{"Failed / Unable to send location"});
    QCOMPARE(geocoder->reverseRequests.size(), 1);
    QVERIFY(!PLActivityIndicatorView::isVisible());
}

void TestLocationScreens::anAddressIsShownOnTheMapAndNeverSent() {
    geocoder->addresses[QStringLiteral("Cubbon Park, Bengaluru")] = {cubbonPark()};
    auto* screen = presentLocation({{kLocationMapURLProperty, QStringLiteral("Cubbon Park, Bengaluru")}});
    QVERIFY(!screen->googleMapWebView());
    QVERIFY(!screen->isSendEnabled());
    auto* send = screen->sendButton()->customView();
    QCOMPARE(
        qobject_cast<platform::ui::Button*>(send)->titleColorForState(platform::ui::Button::State::Disabled),
        QColor(Qt::transparent));
    QTRY_COMPARE(screen->mapView()->pins().size(), 1);
    QCOMPARE(screen->mapView()->pins().first().coordinate, cubbonPark().coordinate);
    QCOMPARE(screen->mapView()->center(), cubbonPark().coordinate);
    QVERIFY(screen->mapView()->latitudeSpan() >= PLLocationViewController::kAddressSpan - 1e-9);
    QVERIFY(!screen->isMapDelegate());
    // The user's position shows, but moves the map no more and sends nothing.
    provider->deliver(fix(13.5, 78.0));
    QCOMPARE(screen->mapView()->center(), cubbonPark().coordinate);
    QVERIFY(!screen->isSendEnabled());
    screen->sendButtonClicked();
    QCOMPARE(handled, 0);
    QVERIFY(geocoder->reverseRequests.isEmpty());
    host->dismissViewController(false);
    world->settle();

    // An address nobody knows leaves the map as it was.
    screen = presentLocation({{kLocationMapURLProperty, QStringLiteral("Nowhere at all")}});
    const Coordinate before = screen->mapView()->center();
    QTRY_COMPARE(geocoder->addressRequests.size(), 2);
    world->settle();
    QVERIFY(screen->mapView()->pins().isEmpty());
    QCOMPARE(screen->mapView()->center(), before);
}

void TestLocationScreens::aMapLinkOpensInTheWebView() {
    const QString link = QStringLiteral("https://") + QLatin1String(PLMapServiceHost) +
                         QStringLiteral("/?mlat=12.9763&mlon=77.5929");
    auto* screen = presentLocation({{kLocationMapURLProperty, link}});
    auto* page = qobject_cast<platform::ui::FakeWebView*>(screen->googleMapWebView());
    QVERIFY(page);
    QCOMPARE(page->loadedURLs, QList<QUrl>{QUrl(link)});
    QVERIFY(screen->mapView()->isHidden());
    QVERIFY(!screen->isMapDelegate());
    QVERIFY(PLActivityIndicatorView::isVisible());
    page->finishLoad();
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    // Only the map service's own pages open in it.
    QVERIFY(page->shouldStartLoad(QUrl(link + QStringLiteral("&zoom=3"))));
    QVERIFY(!page->shouldStartLoad(QUrl(QStringLiteral("https://elsewhere.test/"))));
    page->reload();
    page->failLoad(PLError(QStringLiteral("NSURLErrorDomain"), -1004, QStringLiteral("down")));
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QVERIFY(!screen->isSendEnabled());
}

void TestLocationScreens::cancelPopsAPushedScreenAndDismissesAPresentedOne() {
    auto* pushed = new PLLocationViewController;
    world->navigation->pushViewController(pushed, false);
    world->settle();
    QVERIFY(!pushed->cancelButton()); // not presented: no Cancel of its own
    pushed->cancelButtonClicked();
    world->settle();
    QCOMPARE(world->navigation->topViewController(), static_cast<platform::ui::ViewController*>(host));

    auto* presented = presentLocation();
    QVERIFY(presented->cancelButton());
    presented->cancelButton()->trigger();
    world->settle();
    QVERIFY(!host->presentedViewController());
    QCOMPARE(handled, 0);
}

void TestLocationScreens::addWaitsForPermissionAndCancelAnswersNilFirst() {
    answer = Status::Denied;
    auto* chooser = presentChooser();
    QVERIFY(chooser);
    QVERIFY(!chooser->isAddEnabled());
    QCOMPARE(chooser->bottomToolbar()->items().size(), 1);
    chooser->addBarButton()->trigger();
    QVERIFY(chosen.isEmpty());
    chooser->cancelButton()->trigger();
    QCOMPARE(chosen.size(), 1);
    QVERIFY(chosen.first().isEmpty()); // nil
    QVERIFY(stillOpenWhenAnswered);
    world->settle();
    QVERIFY(!host->presentedViewController());

    answer = Status::Authorized;
    chooser = presentChooser();
    QVERIFY(chooser->isAddEnabled());
}

void TestLocationScreens::tapsMoveTheOnePin() {
    auto* chooser = presentChooser();
    provider->deliver(fix(12.9716, 77.5946));
    auto* map = chooser->mapView();
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(60, 80));
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(200, 300));
    QCOMPARE(map->pins().size(), 1);
    const Coordinate second = map->coordinateForPoint(QPointF(200, 300));
    QCOMPARE(map->pins().first().coordinate, second);
    QCOMPARE(chooser->pointAnnotation(), std::optional<Coordinate>(second));
}

void TestLocationScreens::addHandsThePlacesValues() {
    Placemark hebbal;
    hebbal.name = QStringLiteral("Hebbal");
    hebbal.locality = QStringLiteral("Bengaluru");
    geocoder->places << std::make_pair(Coordinate{12.5, 77.25}, hebbal);
    auto* chooser = presentChooser();
    provider->deliver(fix(13.0, 77.6, 20, -1));
    chooser->handleTap({12.5, 77.25});
    chooser->addBarButton()->trigger();
    QVERIFY(PLActivityIndicatorView::isVisible());
    QTRY_COMPARE(chosen.size(), 1);
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QVERIFY(!host->presentedViewController());
    const QVariantMap values = chosen.first();
    QCOMPARE(values.value("location").toString(), QStringLiteral("12.500000,77.250000"));
    QCOMPARE(values.value("lat").toDouble(), 12.5);
    QCOMPARE(values.value("lng").toDouble(), 77.25);
    QCOMPARE(values.value("locName").toString(), QStringLiteral("Hebbal, Bengaluru"));
    QCOMPARE(values.value("accuracy").toString(), QStringLiteral("20.00"));
    QCOMPARE(values.value("provider").toString(), QStringLiteral("network"));

    // Without a handler Add only closes.
    chooser = presentChooser(false);
    chooser->addBarButton()->trigger();
    world->settle();
    QVERIFY(!host->presentedViewController());
    QCOMPARE(geocoder->reverseRequests.size(), 1);
}

void TestLocationScreens::aFailedGeocodingLeavesChooseLocationOpen() {
    auto* chooser = presentChooser();
    provider->deliver(fix(12.9716, 77.5946));
    chooser->handleTap({40.0, -30.0});
    chooser->addButtonTapped();
    QTRY_COMPARE(geocoder->reverseRequests.size(), 1);
    world->settle();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QVERIFY(chosen.isEmpty());
    QVERIFY(world->alertTexts().isEmpty());
    QCOMPARE(host->presentedViewController(), chooser->navigationController());
    QVERIFY(chooser->isAddEnabled()); // the user may try again
}

void TestLocationScreens::thePinGoesWhereTheUserIsOnceKnown() {
    auto* chooser = presentChooser();
    QCOMPARE(chooser->pointAnnotation(), std::optional<Coordinate>(Coordinate{}));
    provider->deliver(fix(12.9716, 77.5946));
    QCOMPARE(chooser->pointAnnotation(), std::optional<Coordinate>(Coordinate{12.9716, 77.5946}));
    QCOMPARE(chooser->mapView()->center(), (Coordinate{12.9716, 77.5946}));
    QVERIFY(chooser->mapView()->latitudeSpan() >= PLChooseLocationViewController::kRegionSpan - 1e-9);
    // Later positions leave a placed pin alone.
    chooser->handleTap({12.9, 77.5});
    provider->deliver(fix(12.0, 77.0));
    QCOMPARE(chooser->pointAnnotation(), std::optional<Coordinate>(Coordinate{12.9, 77.5}));
}

// Neither a tile server nor a geocoder configured: the plain map, and the failure of sending.
void TestLocationScreens::withoutMapServicesTheMapIsPlainAndSendingFails() {
    auto* configuration = PLAppConfigurations::currentConfiguration();
    const QVariant tiles = configuration->property("mapTileURL");
    const QVariant geocoding = configuration->property("geocoderURL");
    QVERIFY(tiles.toString().startsWith(world->fixture.baseUrl())); // the stand-in's, as configured
    configuration->setProperty("mapTileURL", QString());
    configuration->setProperty("geocoderURL", QString());
    platform::ui::Geocoder::setCurrent(nullptr);
    auto* screen = presentLocation();
    QVERIFY(!screen->mapView()->tileLoader());
    QVERIFY(screen->mapView()->areVisibleTilesLoaded());
    provider->deliver(fix(12.9716, 77.5946));
    screen->sendButtonClicked();
    QTRY_VERIFY(world->topAlert());
    world->settle();
    QCOMPARE(world->alertTexts(), QStringList{"Failed / Unable to send location"});
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QCOMPARE(handled, 0);
    configuration->setProperty("mapTileURL", tiles);
    configuration->setProperty("geocoderURL", geocoding);
}

// A geocoding server that sends its answer a byte now and then: Send and Add end their busy overlay
// by the geocoder's deadline, Send with its failure, and both screens stay for another try.
void TestLocationScreens::aGeocoderThatTricklesEndsInTheFailureAtItsDeadline() {
    test::HostileHttpPeer server;
    auto drip = test::HostileHttpPeer::Answer::of(R"({"lat":"12.97","lon":"77.59","name":"Cubbon Park"})",
                                                  "application/json");
    drip.drip = true;
    server.answerEveryPath(drip);
    auto* configuration = PLAppConfigurations::currentConfiguration();
    const QVariant geocoding = configuration->property("geocoderURL");
    configuration->setProperty("geocoderURL", server.url(QStringLiteral("/geocoder/")));
    platform::ui::Geocoder::setCurrent(nullptr);
    const qint64 deadline = platform::ui::HttpGeocoder::kTimeoutMs;

    auto* screen = presentLocation();
    provider->deliver(fix(12.9716, 77.5946));
    screen->sendButtonClicked();
    QVERIFY(PLActivityIndicatorView::isVisible());
    QTRY_COMPARE(server.dripping(), 1);
    server.drip();
    world->advance(deadline - 1);
    world->settle();
    QVERIFY(PLActivityIndicatorView::isVisible());
    QVERIFY(!world->topAlert());
    world->advance(1);
    QTRY_VERIFY(world->topAlert());
    world->settle();
    QCOMPARE(world->alertTexts(), QStringList{"Failed / Unable to send location"});
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QCOMPARE(handled, 0);
    QCOMPARE(host->presentedViewController(), screen->navigationController());
    QTRY_COMPARE(server.dripping(), 0); // the request is ended, not left to trickle
    world->dismissAlerts();
    host->dismissViewController(false);
    world->settle();

    auto* chooser = presentChooser();
    provider->deliver(fix(12.9716, 77.5946));
    chooser->handleTap({12.5, 77.25});
    chooser->addButtonTapped();
    QVERIFY(PLActivityIndicatorView::isVisible());
    QTRY_COMPARE(server.dripping(), 1);
    world->advance(deadline);
    QTRY_VERIFY(!PLActivityIndicatorView::isVisible());
    world->settle();
    QVERIFY(chosen.isEmpty());
    QCOMPARE(host->presentedViewController(), chooser->navigationController());
    QVERIFY(chooser->isAddEnabled());
    configuration->setProperty("geocoderURL", geocoding);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestLocationScreens t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_locationscreens.moc"
