#include "ui/conversation/PLLocationViewController.h"

#include "core/model/CurrentUserInfo.h"
#include "core/model/User.h"
#include "foundation/DateAdditions.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/MapView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/WebView.h"
#include "smart/MessageLinkProcessing.h"
#include "ui/conversation/LocationScreens.h"
#include "ui/conversation/PLLocationValues.h"
#include "ui/conversation/PLMapServices.h"
#include "ui/conversation/SmartScreenSupport.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QLoggingCategory>
#include <QThread>
#include <QVBoxLayout>

namespace pelnix {

namespace {
Q_LOGGING_CATEGORY(lcLocationScreen, "pelnix.ui.conversation.location", QtWarningMsg)
} // namespace

using platform::ui::Coordinate;
using platform::ui::Location;
using platform::ui::LocationProvider;
using platform::ui::MapView;
using platform::ui::Placemark;
using SmartScreenSupport::text;

PLLocationViewController::PLLocationViewController(QObject* parent) : PLBaseViewController(parent) {}

PLLocationViewController::~PLLocationViewController() {
    if (m_locationManager)
        m_locationManager->stopUpdatingLocation();
    // A send still asking the geocoder must not leave the busy overlay behind.
    if (m_busy)
        PLActivityIndicatorView::dismiss();
}

bool PLLocationViewController::isMapServiceLink(const QString& url) {
    const QString host = QString::fromLatin1(PLMapServiceHost);
    return url.startsWith(QStringLiteral("http://") + host) ||
           url.startsWith(QStringLiteral("https://") + host);
}

QWidget* PLLocationViewController::loadView() {
    m_page = new QWidget;
    auto* layout = new QVBoxLayout(m_page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_mapView = new MapView(m_page);
    m_mapView->setTileURLTemplate(PLMapServices::tileURLTemplate());
    layout->addWidget(m_mapView);
    return m_page;
}

void PLLocationViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    platform::ui::Button* send = nullptr;
    m_sendItem = LocationScreens::titledBarButton(
        text("Send"), QStringLiteral("sendButton"), [this] { sendButtonClicked(); }, &send);
    m_sendButton = send;
    navigationItem()->setRightBarButtonItem(m_sendItem);
    setSendEnabled(false);

    m_locationManager = LocationProvider::create(this);
    connect(m_locationManager, &LocationProvider::authorizationChanged, this,
            &PLLocationViewController::locationManagerDidChangeAuthorizationStatus);
    connect(m_locationManager, &LocationProvider::locationUpdated, this, [this](const Location& fix) {
        m_userLocation = fix;
        m_mapView->setUserLocation(fix.coordinate, m_showsUserLocation);
        if (m_mapDelegate)
            mapViewDidUpdateUserLocation(fix);
    });
    connect(m_locationManager, &LocationProvider::failed, this, [this](const PLError& error) {
        if (m_mapDelegate)
            mapViewDidFailToLocateUserWithError(error);
    });
    requestAlwaysAuthorization();
    addCancelButtonIfPresented();
    m_locationManager->startUpdatingLocation();

    if (!isShowingPlace())
        return;
    // Showing a place: nothing is sent from here.
    setSendEnabled(false);
    if (m_sendButton)
        for (auto state : {platform::ui::Button::State::Normal, platform::ui::Button::State::Disabled})
            m_sendButton->setTitleColor(Qt::transparent, state);
    if (isMapServiceLink(m_mapURL))
        openMapServiceLink();
    else
        loadMapWithAddress(m_mapURL);
}

void PLLocationViewController::openMapServiceLink() {
    m_mapView->hide();
    m_mapDelegate = false;
    m_webView = platform::ui::WebView::create(m_page);
    m_webView->setObjectName(QStringLiteral("googleMapWebView"));
    // The map service's own pages only; what they load for themselves comes from its tile hosts.
    // They are the service's site, not someone else's HTML: they run their scripts and move within
    // the service by themselves, which the veto below keeps to its host.
    m_webView->allowSubresourcesFromAnyWebOrigin();
    m_webView->setAllowsPageScripts(true);
    m_webView->setFollowsPageNavigation(true);
    const QString host = QString::fromLatin1(PLMapServiceHost);
    m_webView->setShouldStartLoad([host](const QUrl& url) {
        return url.host() == host &&
               (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
    });
    m_page->layout()->addWidget(m_webView);
    connect(m_webView, &platform::ui::WebView::didStartLoad, this, [this] {
        m_busy = true;
        PLActivityIndicatorView::show();
    });
    connect(m_webView, &platform::ui::WebView::didFinishLoad, this, [this](bool ok) {
        m_busy = false;
        PLActivityIndicatorView::dismiss();
        if (!ok)
            setSendEnabled(false);
    });
    m_webView->loadURL(QUrl(m_mapURL));
}

void PLLocationViewController::viewWillAppear(bool animated) {
    PLBaseViewController::viewWillAppear(animated);
    addCancelButtonIfPresented();
    if (isShowingPlace() && isMapServiceLink(m_mapURL)) {
        m_mapDelegate = false;
        return;
    }
    setUpComponets();
}

void PLLocationViewController::viewWillDisappear(bool animated) {
    PLBaseViewController::viewWillDisappear(animated);
    m_mapDelegate = false;
}

void PLLocationViewController::addCancelButtonIfPresented() {
    if (m_cancelItem || !navigationController() || !navigationController()->presentingViewController())
        return;
    m_cancelItem = LocationScreens::titledBarButton(
        text("Cancel"), QStringLiteral("cancelButton"), [this] { cancelButtonClicked(); }, nullptr);
    navigationItem()->setLeftBarButtonItem(m_cancelItem);
}

void PLLocationViewController::requestAlwaysAuthorization() {
    if (m_locationManager &&
        m_locationManager->authorizationStatus() == LocationProvider::AuthorizationStatus::NotDetermined)
        m_locationManager->requestAuthorization();
}

void PLLocationViewController::locationManagerDidChangeAuthorizationStatus(
    LocationProvider::AuthorizationStatus status) {
    if (status == LocationProvider::AuthorizationStatus::Authorized)
        setSendEnabled(true);
}

void PLLocationViewController::setUpComponets() {
    setTitle(text("Location"));
    m_mapDelegate = true;
    m_showsUserLocation = true;
    m_mapView->setScrollEnabled(true);
    m_mapView->setZoomEnabled(true);
    m_regionSpan = kUserSpan;
    // A position that came before the map showed it counts as the map's first one.
    if (m_userLocation) {
        m_mapView->setUserLocation(m_userLocation->coordinate);
        mapViewDidUpdateUserLocation(*m_userLocation);
    }
}

void PLLocationViewController::mapViewDidUpdateUserLocation(const Location& location) {
    m_regionCenter = location.coordinate;
    if (location.coordinate == Coordinate{0.0, 0.0})
        return;
    setSendEnabled(true);
    m_mapView->setRegion(m_regionCenter, m_regionSpan, m_regionSpan);
}

void PLLocationViewController::mapViewDidFailToLocateUserWithError(const PLError& error) {
    const QString suggestion =
        error.userInfo.value(QStringLiteral("NSLocalizedRecoverySuggestion")).toString();
    if (!error.userInfo.isEmpty() && !suggestion.isEmpty()) {
        auto* alert = new platform::ui::AlertView(QString(), suggestion, text("OK"), {});
        alert->show();
    }
    setSendEnabled(false);
}

bool PLLocationViewController::isSendEnabled() const {
    return m_sendItem && m_sendItem->isEnabled();
}

void PLLocationViewController::setSendEnabled(bool enabled) {
    // Showing a place never sends: its Send stays off and unseen for the screen's whole life.
    if (isShowingPlace())
        enabled = false;
    if (m_sendItem)
        m_sendItem->setEnabled(enabled);
    if (m_sendButton)
        m_sendButton->setEnabled(enabled);
}

void PLLocationViewController::sendButtonClicked() {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!isSendEnabled() || m_busy)
        return;
    const auto failed = [] {
        auto* alert =
            new platform::ui::AlertView(text("Failed"), text("Unable to send location"), text("OK"), {});
        alert->show();
    };
    // Without a position there is nothing to name, and 0, 0 is no place the user is at.
    if (!m_userLocation) {
        failed();
        return;
    }
    m_busy = true;
    PLActivityIndicatorView::show();
    QPointer<PLLocationViewController> self(this);
    PLMapServices::geocoder()->reverseGeocode(
        m_userLocation->coordinate,
        [self, failed](const QList<Placemark>& placemarks, const std::optional<PLError>& error) {
            if (!self)
                return;
            self->m_busy = false;
            PLActivityIndicatorView::dismiss();
            if (error || placemarks.isEmpty()) {
                qCDebug(lcLocationScreen) << "reverse geocoding failed:" << (error ? error->code : 0);
                failed();
                return;
            }
            self->constructCheckInRequestWithPlaceMarks(placemarks);
        });
}

void PLLocationViewController::constructCheckInRequestWithPlaceMarks(const QList<Placemark>& placemarks) {
    QString message;
    if (!placemarks.isEmpty() && m_userLocation) {
        const QVariantMap checkIn = PLLocationValues::checkInDictionary(*m_userLocation, &placemarks.first());
        QString userName;
        if (const auto info = CurrentUserInfo::currentUserInfo(); info && info->user())
            userName = info->user()->profileName();
        message = PLLocationValues::checkInMessage(checkIn, m_locationInfo, userName,
                                                   DateAdditions::getCurrentDateString());
    }
    if (m_completion)
        m_completion(message);
    dismissViewController(true);
}

void PLLocationViewController::cancelButtonClicked() {
    m_mapDelegate = false;
    platform::ui::NavigationController* navigation = navigationController();
    if (navigation && navigation->presentingViewController())
        dismissViewController(true);
    else if (navigation)
        navigation->popViewController(true);
}

void PLLocationViewController::loadMapWithAddress(const QString& address) {
    QPointer<PLLocationViewController> self(this);
    PLMapServices::geocoder()->geocodeAddress(
        address, [self](const QList<Placemark>& placemarks, const std::optional<PLError>&) {
            if (!self || placemarks.isEmpty())
                return; // an address not found leaves the map as it is
            const Placemark& place = placemarks.first();
            self->m_mapView->addPin({place.coordinate, PLLocationValues::readablePlaceName(&place)});
            self->m_regionCenter = place.coordinate;
            self->m_regionSpan = kAddressSpan;
            self->m_mapView->setRegion(place.coordinate, kAddressSpan, kAddressSpan);
            self->m_mapDelegate = false;
        });
}

} // namespace pelnix
