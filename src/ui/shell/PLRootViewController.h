#pragma once

#include "platform/ui/ViewController.h"
#include "ui/shell/PLSideDrawerDelegate.h"

#include <QPointer>
#include <QWidget>
#include <memory>

namespace pelnix {

class ChatRoom;
class PLSplashScreenWithLogo;

namespace platform::ui {
class ContainerView;
class ImageView;
class NavigationController;
} // namespace platform::ui

// The container a host makes the root of its window: it picks the first page from the account's
// status, keeps the host's side drawer behind the chats page, and switches to the logged-out page
// when the server ends the session. The drawer lies at the container's leading edge and the open
// page slides towards its trailing edge: right to left, the drawer opens from the right.
//
// Its pages are the host's own screens, found in the screen registry as a host registers them:
// "SDKTest" (initial screen: login and landing page), "Home" (initial screen: the chats navigation
// controller; "PLSideDrawerTableViewController": the drawer) and "LoggedOut" (initial screen). A page
// the host has not registered leaves the container empty, with a log line.
class PLRootViewController : public platform::ui::ViewController, public PLSideDrawerDelegate {
    Q_OBJECT
public:
    static constexpr int kSplashDurationMs = 2500;
    static constexpr int kSideBarAnimationMs = 800;
    // How much of the page stays in sight while the drawer is open.
    static constexpr int kPageVisibleWidth = 75;
    static constexpr int kDrawerWidthInset = 10;

    explicit PLRootViewController(QObject* parent = nullptr);
    ~PLRootViewController() override;

    // The key window's root controller when it is a root container, else null.
    static PLRootViewController* sharedInstance();

    void loadControllerBasedOnUserInfoStatus();
    void showLoginPage();
    void showLandingPage();
    void showSDKChatsViewController();
    void showLoggedOutPage();
    void showChatsViewController();
    void showSplashScreenWithLogo();
    // Brings the chats page to the front and, with a room, opens it in the rooms list.
    void navigateToChatRoom(const std::shared_ptr<ChatRoom>& room);
    platform::ui::ViewController* chatRoomsViewController() const;

    void removePreviousChildViewControllersIfAny();
    void switchCurrentTopChildViewControllerWithController(platform::ui::ViewController* controller);

    bool isShowingSideBar() const { return m_isShowingSideBar; }
    void setIsShowingSideBar(bool showing);
    // Closes an open drawer (a tap on the page behind it); an already closed drawer stays closed.
    void toggleSideDrawer(QObject* sender = nullptr);
    void toggleSideDrawerAnimated(bool animated);
    void didSelectSideDrawerOption(qint64 option, std::function<void()> completion) override;

    platform::ui::ViewController* currentTopChildViewController() const { return m_currentTop; }
    void setCurrentTopChildViewController(platform::ui::ViewController* controller);
    platform::ui::NavigationController* chatRoomsNavigationViewController() const;
    platform::ui::ViewController* sideDrawerViewController() const { return m_sideDrawer; }
    QWidget* overlayView() const { return m_overlay; }
    platform::ui::ImageView* shadowImageView() const;
    PLSplashScreenWithLogo* splashScreenView() const;
    qint64 currentSelectedDrawerOption() const { return m_currentSelectedDrawerOption; }

    // The dimming overlay over the page while the drawer is open; none until the host asks for it.
    QWidget* initializeOverlayView();
    platform::ui::ImageView* initializeSideDrawerShadowImageView();

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Adds `child` with its view filling the container, on top of the views already there.
    void addPage(platform::ui::ViewController* child);
    platform::ui::ViewController* instantiateHostScreen(const QString& storyboard,
                                                        const QString& identifier = {});
    void placePage(platform::ui::ViewController* page, int left);
    // Where the page's left edge lies while the drawer is open.
    int openPageLeft() const;
    // The drawer opens from the container's leading edge: the right one in a right-to-left layout.
    bool isRightToLeft() const;
    void layOutDrawerAndShadow();

    QPointer<QWidget> m_container; // a ContainerView
    QPointer<QWidget> m_overlay;
    QPointer<QWidget> m_shadow; // an ImageView
    qint64 m_currentSelectedDrawerOption = 0;
    QPointer<platform::ui::NavigationController> m_chatRoomsNavigation;
    QPointer<platform::ui::ViewController> m_sideDrawer;
    bool m_isShowingSideBar = false;
    QPointer<platform::ui::ViewController> m_currentTop;
    QPointer<QWidget> m_splash; // the co-branding splash
    int m_pageLeft = 0;
};

} // namespace pelnix
