#pragma once

#include "platform/ui/Geocoder.h"
#include "platform/ui/LocationProvider.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/conversation/PLLocationScreenInput.h"

#include <QPointer>
#include <QVariantMap>
#include <optional>

namespace pelnix {

namespace platform::ui {
class BarButtonItem;
class Button;
class MapView;
class WebView;
} // namespace platform::ui

// The map screen of the storyboard "Location" (its initial screen: a navigation controller over this
// one). Sending: it follows the user's position and Send turns it into a location message (a new
// check-in, or a reply to the message whose form values are in `locationInfo`), handed to
// `postLocationCompletionHandler`; the screen posts nothing itself. Showing: a link of the map service
// in `mapURL` opens in a web view; any other text is taken for an address and shown on the map.
class PLLocationViewController : public PLBaseViewController {
    Q_OBJECT
    Q_PROPERTY(QVariantMap locationInfo READ locationInfo WRITE setLocationInfo)
    Q_PROPERTY(QString mapURL READ mapURL WRITE setMapURL)
    Q_PROPERTY(pelnix::PLPostLocationCompletionHandler postLocationCompletionHandler READ
                   postLocationCompletionHandler WRITE setPostLocationCompletionHandler)
public:
    static inline const QString kStoryboard = QString::fromLatin1(kLocationStoryboard);
    static inline const QString kIdentifier = QStringLiteral("PLLocationViewController");
    static inline const QString kNavigationIdentifier = QStringLiteral("PLLocationNavigationController");
    static constexpr double kUserSpan = 0.5;
    static constexpr double kAddressSpan = 2.0;

    explicit PLLocationViewController(QObject* parent = nullptr);
    ~PLLocationViewController() override;

    QVariantMap locationInfo() const { return m_locationInfo.value_or(QVariantMap()); }
    bool hasLocationInfo() const { return m_locationInfo.has_value(); }
    void setLocationInfo(const QVariantMap& info) { m_locationInfo = info; }
    QString mapURL() const { return m_mapURL; }
    void setMapURL(const QString& url) { m_mapURL = url; }
    PLPostLocationCompletionHandler postLocationCompletionHandler() const { return m_completion; }
    void setPostLocationCompletionHandler(PLPostLocationCompletionHandler handler) {
        m_completion = std::move(handler);
    }

    platform::ui::MapView* mapView() const { return m_mapView; }
    // Made only for a link of the map service.
    platform::ui::WebView* googleMapWebView() const { return m_webView; }
    platform::ui::BarButtonItem* sendButton() const { return m_sendItem; }
    platform::ui::BarButtonItem* cancelButton() const { return m_cancelItem; }
    platform::ui::LocationProvider* locationManager() const { return m_locationManager; }
    // The user's position as the map last had it.
    std::optional<platform::ui::Location> userLocation() const { return m_userLocation; }
    bool isSendEnabled() const;
    // Whether the map still follows the user (the screen is the map's delegate).
    bool isMapDelegate() const { return m_mapDelegate; }

    // Whether a link is one of the map service, shown in the web view.
    static bool isMapServiceLink(const QString& url);

    void requestAlwaysAuthorization();
    void
    locationManagerDidChangeAuthorizationStatus(platform::ui::LocationProvider::AuthorizationStatus status);
    void setUpComponets();
    void mapViewDidUpdateUserLocation(const platform::ui::Location& location);
    void mapViewDidFailToLocateUserWithError(const PLError& error);
    void sendButtonClicked();
    void constructCheckInRequestWithPlaceMarks(const QList<platform::ui::Placemark>& placemarks);
    void cancelButtonClicked();
    void loadMapWithAddress(const QString& address);

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    void setSendEnabled(bool enabled);
    void addCancelButtonIfPresented();
    void openMapServiceLink();
    bool isShowingPlace() const { return !m_mapURL.isNull(); }

    std::optional<QVariantMap> m_locationInfo;
    QString m_mapURL;
    PLPostLocationCompletionHandler m_completion;
    QWidget* m_page = nullptr;
    platform::ui::MapView* m_mapView = nullptr;
    platform::ui::WebView* m_webView = nullptr;
    platform::ui::BarButtonItem* m_sendItem = nullptr;
    QPointer<platform::ui::Button> m_sendButton;
    platform::ui::BarButtonItem* m_cancelItem = nullptr;
    platform::ui::LocationProvider* m_locationManager = nullptr;
    std::optional<platform::ui::Location> m_userLocation;
    bool m_showsUserLocation = false;
    bool m_mapDelegate = false;
    bool m_busy = false;
    // The region the map is set to when the user's position arrives.
    platform::ui::Coordinate m_regionCenter;
    double m_regionSpan = kUserSpan;
};

} // namespace pelnix
