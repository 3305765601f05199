#include "ui/conversation/PLChooseLocationViewController.h"

#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/MapView.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Toolbar.h"
#include "ui/conversation/LocationScreens.h"
#include "ui/conversation/PLMapServices.h"
#include "ui/conversation/SmartScreenSupport.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QLoggingCategory>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>

namespace pelnix {

namespace {
Q_LOGGING_CATEGORY(lcChooseLocation, "pelnix.ui.conversation.chooselocation", QtWarningMsg)
} // namespace

using platform::ui::Coordinate;
using platform::ui::Location;
using platform::ui::LocationProvider;
using platform::ui::MapView;
using platform::ui::Placemark;
using SmartScreenSupport::text;

PLChooseLocationViewController::PLChooseLocationViewController(QObject* parent)
    : PLBaseViewController(parent) {}

PLChooseLocationViewController::~PLChooseLocationViewController() {
    if (m_locationManager)
        m_locationManager->stopUpdatingLocation();
    if (m_busy)
        PLActivityIndicatorView::dismiss();
}

QWidget* PLChooseLocationViewController::loadView() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_mapView = new MapView(page);
    m_mapView->setTileURLTemplate(PLMapServices::tileURLTemplate());
    layout->addWidget(m_mapView, 1);
    m_toolbar = new platform::ui::Toolbar(page);
    m_toolbar->setObjectName(QStringLiteral("bottomToolbar"));
    layout->addWidget(m_toolbar);
    return page;
}

void PLChooseLocationViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    setTitle(text("Choose Location"));
    platform::ui::Button* add = nullptr;
    m_addItem = LocationScreens::titledBarButton(
        text("Add"), QStringLiteral("addBarButton"), [this] { addButtonTapped(); }, &add);
    m_addButton = add;
    navigationItem()->setRightBarButtonItem(m_addItem);
    m_cancelItem = LocationScreens::titledBarButton(
        text("Cancel"), QStringLiteral("cancelButton"), [this] { cancelButtonTapped(); }, nullptr);
    navigationItem()->setLeftBarButtonItem(m_cancelItem);
    setAddEnabled(false);
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    performInitialSetUp();
    // The user-tracking item: the map's own control, in the bar below it.
    m_trackingItem = new platform::ui::BarButtonItem(
        m_mapView->showMyLocationButton()->icon(), [this] { m_mapView->showMyLocationButton()->click(); },
        this);
    m_trackingItem->setObjectName(QStringLiteral("userTrackingItem"));
    m_toolbar->setItems({m_trackingItem});
}

void PLChooseLocationViewController::performInitialSetUp() {
    m_locationManager = LocationProvider::create(this);
    connect(m_locationManager, &LocationProvider::authorizationChanged, this,
            &PLChooseLocationViewController::locationManagerDidChangeAuthorizationStatus);
    connect(m_locationManager, &LocationProvider::locationUpdated, this, [this](const Location& fix) {
        m_mapView->setUserLocation(fix.coordinate);
        // A pin put down before any position was known goes where the user is, once that is known.
        if (m_pinAwaitsLocation) {
            m_pinAwaitsLocation = false;
            placeAnnoationAtCoordinate(fix.coordinate);
            if (isAddEnabled())
                setMapRegion();
        }
    });
    requestAlwaysAuthorization();
    m_locationManager->startUpdatingLocation();
    m_mapView->setScrollEnabled(true);
    m_mapView->setZoomEnabled(true);
    connect(m_mapView, &MapView::tappedCoordinate, this, &PLChooseLocationViewController::handleTap);
    placePinAtCurrentLocation();
}

void PLChooseLocationViewController::placePinAtCurrentLocation() {
    m_pinAwaitsLocation = !(m_locationManager && m_locationManager->location());
    placeAnnoationAtCoordinate(currentLocation());
}

Coordinate PLChooseLocationViewController::currentLocation() const {
    const auto fix = m_locationManager ? m_locationManager->location() : std::nullopt;
    return fix ? fix->coordinate : Coordinate{};
}

void PLChooseLocationViewController::placeAnnoationAtCoordinate(const Coordinate& coordinate) {
    m_mapView->removeAllPins();
    m_pin = coordinate;
    m_mapView->addPin({coordinate, QString()});
}

void PLChooseLocationViewController::setMapRegion() {
    m_mapView->setRegion(currentLocation(), kRegionSpan, kRegionSpan);
}

void PLChooseLocationViewController::handleTap(const Coordinate& coordinate) {
    m_pinAwaitsLocation = false;
    placeAnnoationAtCoordinate(coordinate);
}

void PLChooseLocationViewController::requestAlwaysAuthorization() {
    if (m_locationManager &&
        m_locationManager->authorizationStatus() == LocationProvider::AuthorizationStatus::NotDetermined)
        m_locationManager->requestAuthorization();
}

void PLChooseLocationViewController::locationManagerDidChangeAuthorizationStatus(
    LocationProvider::AuthorizationStatus status) {
    if (status != LocationProvider::AuthorizationStatus::Authorized)
        return;
    setAddEnabled(true);
    m_mapView->setZoomEnabled(true);
    setMapRegion();
    placePinAtCurrentLocation();
}

bool PLChooseLocationViewController::isAddEnabled() const {
    return m_addItem && m_addItem->isEnabled();
}

void PLChooseLocationViewController::setAddEnabled(bool enabled) {
    if (m_addItem)
        m_addItem->setEnabled(enabled);
    if (m_addButton)
        m_addButton->setEnabled(enabled);
}

void PLChooseLocationViewController::cancelButtonTapped() {
    if (m_completion)
        m_completion({});
    dismissViewController(true);
}

void PLChooseLocationViewController::addButtonTapped() {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!m_completion) {
        dismissViewController(true);
        return;
    }
    if (m_busy || !m_pin)
        return;
    m_busy = true;
    PLActivityIndicatorView::show();
    const std::optional<Location> user = m_locationManager ? m_locationManager->location() : std::nullopt;
    const Coordinate pin = *m_pin;
    QPointer<PLChooseLocationViewController> self(this);
    PLMapServices::geocoder()->reverseGeocode(
        pin, [self, pin, user](const QList<Placemark>& placemarks, const std::optional<PLError>& error) {
            if (!self)
                return;
            self->m_busy = false;
            PLActivityIndicatorView::dismiss();
            if (error || placemarks.isEmpty()) {
                // The screen stays; the user may try again.
                qCDebug(lcChooseLocation) << "reverse geocoding failed:" << (error ? error->code : 0);
                return;
            }
            const QVariantMap values = PLLocationValues::chosenLocation(pin, &placemarks.first(), user);
            if (self->m_completion)
                self->m_completion(values);
            self->dismissViewController(true);
        });
}

} // namespace pelnix
