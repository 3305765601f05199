#pragma once

#include "platform/ui/Geocoder.h"
#include "platform/ui/LocationProvider.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/conversation/PLLocationScreenInput.h"
#include "ui/conversation/PLLocationValues.h"
#include "ui/conversation/PLPostChatletViewController.h"

#include <QPointer>

namespace pelnix {

namespace platform::ui {
class BarButtonItem;
class Button;
class MapView;
class Toolbar;
} // namespace platform::ui

// Choose location ("PLChooseLocationNavigationController" of the storyboard "Location"): the user
// drops one pin on the map, Add names the place by reverse geocoding and hands its location values
// (PLLocationValues::chosenLocation) to the completion handler, Cancel hands it nil (an empty map).
class PLChooseLocationViewController : public PLBaseViewController {
    Q_OBJECT
    Q_PROPERTY(pelnix::PLChooseLocationCompletionHandler chooseLocationCompletionHandler READ
                   chooseLocationCompletionHandler WRITE setChooseLocationCompletionHandler)
    // The name the composer sets it by.
    Q_PROPERTY(pelnix::PLChooseLocationCompletionHandler completionHandler READ
                   chooseLocationCompletionHandler WRITE setChooseLocationCompletionHandler)
public:
    static inline const QString kStoryboard = QString::fromLatin1(kLocationStoryboard);
    static inline const QString kIdentifier = QStringLiteral("PLChooseLocationViewController");
    static inline const QString kNavigationIdentifier =
        PLPostChatletViewController::kChooseLocationIdentifier;
    static constexpr double kRegionSpan = 0.75;

    explicit PLChooseLocationViewController(QObject* parent = nullptr);
    ~PLChooseLocationViewController() override;

    PLChooseLocationCompletionHandler chooseLocationCompletionHandler() const { return m_completion; }
    void setChooseLocationCompletionHandler(PLChooseLocationCompletionHandler handler) {
        m_completion = std::move(handler);
    }

    platform::ui::MapView* mapView() const { return m_mapView; }
    platform::ui::BarButtonItem* addBarButton() const { return m_addItem; }
    platform::ui::BarButtonItem* cancelButton() const { return m_cancelItem; }
    platform::ui::Toolbar* bottomToolbar() const { return m_toolbar; }
    platform::ui::LocationProvider* locationManager() const { return m_locationManager; }
    // The pin, when one is on the map.
    std::optional<platform::ui::Coordinate> pointAnnotation() const { return m_pin; }
    bool isAddEnabled() const;

    void performInitialSetUp();
    void placeAnnoationAtCoordinate(const platform::ui::Coordinate& coordinate);
    void setMapRegion();
    void handleTap(const platform::ui::Coordinate& coordinate);
    void requestAlwaysAuthorization();
    void
    locationManagerDidChangeAuthorizationStatus(platform::ui::LocationProvider::AuthorizationStatus status);
    void cancelButtonTapped();
    void addButtonTapped();

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;

private:
    void setAddEnabled(bool enabled);
    void placePinAtCurrentLocation();
    platform::ui::Coordinate currentLocation() const;

    PLChooseLocationCompletionHandler m_completion;
    platform::ui::MapView* m_mapView = nullptr;
    platform::ui::Toolbar* m_toolbar = nullptr;
    platform::ui::BarButtonItem* m_addItem = nullptr;
    QPointer<platform::ui::Button> m_addButton;
    platform::ui::BarButtonItem* m_cancelItem = nullptr;
    platform::ui::BarButtonItem* m_trackingItem = nullptr;
    platform::ui::LocationProvider* m_locationManager = nullptr;
    std::optional<platform::ui::Coordinate> m_pin;
    // The pin still waits for the device's first position (none was known when it was placed).
    bool m_pinAwaitsLocation = false;
    bool m_busy = false;
};

} // namespace pelnix
