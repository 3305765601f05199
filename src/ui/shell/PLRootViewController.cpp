#include "ui/shell/PLRootViewController.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "foundation/ui/CustomColors.h"
#include "interface/PelnixSetUp.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/Animator.h"
#include "platform/ui/ContainerView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowFocus.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/rooms/PLSideDrawerTabelViewCell.h"
#include "ui/shell/ContainerChildren.h"
#include "ui/shell/PLSideDrawerController.h"
#include "ui/shell/ShellLog.h"
#include "ui/toolkit/PLSplashScreenWithLogo.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QStyle>
#include <QThread>

namespace pelnix {

using platform::NotificationCenter;
using platform::ui::Animator;
using platform::ui::ContainerView;
using platform::ui::ImageView;
using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

const QString kSDKTest = QStringLiteral("SDKTest");
const QString kHome = QStringLiteral("Home");
const QString kLoggedOut = QStringLiteral("LoggedOut");
const QString kSideDrawer = QStringLiteral("PLSideDrawerTableViewController");
// Whether the shadow's picture is turned over for a right-to-left container.
const char* const kShadowMirrored = "pelnix.shadowMirrored";

// A soft edge for hosts that ship no "sideDrawerShadow" image of their own.
QImage defaultShadowImage() {
    QImage image(6, 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, image.width(), 0);
    gradient.setColorAt(0, QColor(0, 0, 0, 0));
    gradient.setColorAt(1, QColor(0, 0, 0, 90));
    painter.fillRect(image.rect(), gradient);
    return image;
}

} // namespace

PLRootViewController::PLRootViewController(QObject* parent) : ViewController(parent) {}

PLRootViewController::~PLRootViewController() {
    NotificationCenter::defaultCenter()->removeObservers(this);
    // The splash's pending chats page must not run on a container that is gone.
    platform::ui::Scheduler::shared()->cancelPerforms(this);
}

PLRootViewController* PLRootViewController::sharedInstance() {
    auto* window = platform::ui::Window::keyWindow();
    return window ? qobject_cast<PLRootViewController*>(window->rootViewController()) : nullptr;
}

QWidget* PLRootViewController::loadView() {
    // The host's first call may be this container: its pages, the host's own among them, ask the
    // registry for the library's screens.
    PelnixSetUp::ensureLibraryIsSetUp();
    auto* view = new ContainerView;
    view->setObjectName(QStringLiteral("PLRootView"));
    // In a host's dock or layout it asks what a facade container asks.
    view->setSizeHint(ContainerChildren::kViewSizeHint);
    view->installEventFilter(this);
    m_container = view;
    loadControllerBasedOnUserInfoStatus();
    return view;
}

void PLRootViewController::viewDidLoad() {
    NotificationCenter::defaultCenter()->addObserver(
        QString::fromLatin1(PLUserDeletedFromOrgNotification), [this](const auto&) { showLoggedOutPage(); },
        this);
}

bool PLRootViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_container &&
        (event->type() == QEvent::Resize || event->type() == QEvent::LayoutDirectionChange)) {
        // An open drawer is as wide as the container and opens from its leading edge: the page
        // beside it moves with the container's size and direction.
        if (m_isShowingSideBar) {
            m_pageLeft = openPageLeft();
            placePage(m_currentTop, m_pageLeft);
        }
        layOutDrawerAndShadow();
        if (m_splash)
            m_splash->setGeometry(m_container->rect());
    } else if ((watched == m_container || watched == m_overlay) &&
               event->type() == QEvent::MouseButtonPress) {
        toggleSideDrawer(nullptr);
        return watched == m_overlay;
    }
    return ViewController::eventFilter(watched, event);
}

void PLRootViewController::loadControllerBasedOnUserInfoStatus() {
    const auto user = CurrentUserInfo::currentUserInfo();
    const qint16 status = user ? user->status() : 0;
    switch (status) {
    case 0:
    case 1:
    case 5:
        showLoginPage();
        break;
    case 4:
        showLoggedOutPage();
        break;
    default:
        showLandingPage();
        break;
    }
}

void PLRootViewController::showLoginPage() {
    showSDKChatsViewController();
}

void PLRootViewController::showLandingPage() {
    removePreviousChildViewControllersIfAny();
    showSDKChatsViewController();
}

void PLRootViewController::showSDKChatsViewController() {
    if (ViewController* page = instantiateHostScreen(kSDKTest))
        addPage(page);
}

void PLRootViewController::showLoggedOutPage() {
    Q_ASSERT(QThread::currentThread() == thread());
    removePreviousChildViewControllersIfAny();
    if (ViewController* page = instantiateHostScreen(kLoggedOut))
        addPage(page);
}

ViewController* PLRootViewController::instantiateHostScreen(const QString& storyboard,
                                                            const QString& identifier) {
    auto* registry = ScreenRegistry::shared();
    ViewController* screen = identifier.isEmpty() ? registry->instantiateInitial(storyboard)
                                                  : registry->instantiate(storyboard, identifier);
    if (screen)
        return screen;
    const QString name = identifier.isEmpty() ? registry->initialScreen(storyboard) : identifier;
    // A registered screen whose factory answered nothing is the host's own doing, not a missing screen.
    if (!name.isEmpty() && registry->hasScreen(storyboard, name))
        qCWarning(lcShell) << "the host's screen" << name << "in storyboard" << storyboard
                           << "gave no controller - the root container stays empty there";
    else
        qCWarning(lcShell) << "the host has no screen"
                           << (name.isEmpty() ? QStringLiteral("(initial)") : name) << "in storyboard"
                           << storyboard << "- the root container stays empty there";
    return nullptr;
}

void PLRootViewController::addPage(ViewController* child) {
    addChildViewController(child, m_container);
    child->view()->raise();
    if (m_splash)
        m_splash->raise();
}

void PLRootViewController::removePreviousChildViewControllersIfAny() {
    if (m_overlay)
        m_overlay->setParent(m_container);
    if (m_overlay)
        m_overlay->hide();
    for (ViewController* child : childViewControllers()) {
        if (child->isViewLoaded())
            platform::ui::WindowFocus::takeOutOfWindow(child->view());
        child->removeFromParentViewController();
        child->deleteLater();
    }
    setCurrentTopChildViewController(nullptr);
    m_pageLeft = 0;
}

void PLRootViewController::showChatsViewController() {
    // The drawer and the chats page are built anew: the earlier ones go first.
    for (ViewController* old : {static_cast<ViewController*>(m_sideDrawer.data()),
                                static_cast<ViewController*>(m_chatRoomsNavigation.data())}) {
        if (!old)
            continue;
        if (old->isViewLoaded())
            platform::ui::WindowFocus::takeOutOfWindow(old->view());
        old->removeFromParentViewController();
        old->deleteLater();
    }
    m_sideDrawer = instantiateHostScreen(kHome, kSideDrawer);
    if (m_sideDrawer) {
        if (auto* drawer = dynamic_cast<PLSideDrawerController*>(m_sideDrawer.data()))
            drawer->setDelegate(this);
        else
            qCWarning(lcShell) << "the host's side drawer takes no delegate; its choices go unheard";
        // Behind the page, which slides off it.
        addChildViewController(m_sideDrawer);
        QWidget* drawerView = m_sideDrawer->view();
        drawerView->setParent(m_container);
        drawerView->show();
        m_sideDrawer->didMoveToParentViewController(this);
    }
    ViewController* home = instantiateHostScreen(kHome);
    m_chatRoomsNavigation = qobject_cast<NavigationController*>(home);
    if (home && !m_chatRoomsNavigation) {
        qCWarning(lcShell) << "the host's \"Home\" initial screen is no navigation controller";
        delete home;
    }
    if (m_chatRoomsNavigation) {
        addPage(m_chatRoomsNavigation);
        setCurrentTopChildViewController(m_chatRoomsNavigation);
        placePage(m_chatRoomsNavigation, m_pageLeft);
    }
    m_currentSelectedDrawerOption = 0;
    layOutDrawerAndShadow();
    if (m_splash) {
        delete m_splash;
        m_splash = nullptr;
    }
}

void PLRootViewController::showSplashScreenWithLogo() {
    if (!m_splash) {
        loadViewIfNeeded();
        auto* splash = new PLSplashScreenWithLogo(m_container);
        m_splash = splash;
        splash->setGeometry(m_container->rect());
        splash->show();
        splash->raise();
        if (const auto user = CurrentUserInfo::currentUserInfo())
            splash->setCoBrandingImage(user->coBrandingImage(), user->coBrandingLogoImage());
        else
            splash->setCoBrandingImage({}, {});
    }
    platform::ui::Scheduler::shared()->performAfter(this, kSplashDurationMs,
                                                    [this] { showChatsViewController(); });
}

ImageView* PLRootViewController::shadowImageView() const {
    return qobject_cast<ImageView*>(m_shadow.data());
}

PLSplashScreenWithLogo* PLRootViewController::splashScreenView() const {
    return qobject_cast<PLSplashScreenWithLogo*>(m_splash.data());
}

NavigationController* PLRootViewController::chatRoomsNavigationViewController() const {
    return m_chatRoomsNavigation;
}

ViewController* PLRootViewController::chatRoomsViewController() const {
    return m_chatRoomsNavigation ? m_chatRoomsNavigation->topViewController() : nullptr;
}

void PLRootViewController::navigateToChatRoom(const std::shared_ptr<ChatRoom>& room) {
    if (!m_chatRoomsNavigation) {
        qCWarning(lcShell) << "no chats page to navigate to";
        return;
    }
    if (m_currentTop != m_chatRoomsNavigation)
        switchCurrentTopChildViewControllerWithController(m_chatRoomsNavigation);
    if (!room)
        return;
    if (auto* list = qobject_cast<PLChatRoomsTableViewController*>(chatRoomsViewController()))
        list->openChatRoom(room);
}

void PLRootViewController::switchCurrentTopChildViewControllerWithController(ViewController* controller) {
    if (!controller || controller == m_currentTop)
        return;
    loadViewIfNeeded();
    const qreal overlayAlpha = m_overlay ? Animator::alpha(m_overlay) : 0;
    if (m_overlay) {
        m_overlay->hide();
        m_overlay->setParent(m_container);
    }
    addPage(controller);
    placePage(controller, m_pageLeft);
    if (ViewController* old = m_currentTop) {
        // The chats page is kept, out of sight, for later; anything else has served.
        const bool kept = old == m_chatRoomsNavigation;
        if (old->isViewLoaded()) {
            platform::ui::WindowFocus::handOverKeys(old->view(), controller->view());
            old->view()->hide();
            old->view()->setParent(kept ? m_container.data() : nullptr);
        }
        old->removeFromParentViewController();
        if (!kept)
            old->deleteLater();
    }
    setCurrentTopChildViewController(controller);
    if (m_overlay) {
        m_overlay->setParent(controller->view());
        m_overlay->setGeometry(controller->view()->rect());
        Animator::setAlpha(m_overlay, overlayAlpha);
        m_overlay->show();
        m_overlay->raise();
    }
}

void PLRootViewController::setCurrentTopChildViewController(ViewController* controller) {
    if (m_shadow)
        m_shadow->hide();
    m_currentTop = controller;
    if (!controller)
        return;
    if (!m_shadow)
        m_shadow = initializeSideDrawerShadowImageView();
    // The shadow falls beside the page, outside it, on the drawer's side: it lives just under it.
    m_shadow->setParent(m_container);
    if (controller->isViewLoaded()) {
        // Right under the page, above whatever earlier page the host left: the drawer, then the shadow.
        if (m_sideDrawer && m_sideDrawer->isViewLoaded() &&
            m_sideDrawer->view()->parentWidget() == m_container)
            m_sideDrawer->view()->stackUnder(controller->view());
        m_shadow->stackUnder(controller->view());
    }
    m_shadow->show();
    layOutDrawerAndShadow();
}

ImageView* PLRootViewController::initializeSideDrawerShadowImageView() {
    QImage image = PLSideDrawerTabelViewCell::hostImageNamed(QStringLiteral("sideDrawerShadow"));
    if (image.isNull())
        image = defaultShadowImage();
    auto* shadow = new ImageView;
    shadow->setObjectName(QStringLiteral("sideDrawerShadow"));
    shadow->setContentMode(ImageView::ContentMode::ScaleToFill);
    shadow->setImage(image);
    shadow->setAttribute(Qt::WA_TransparentForMouseEvents);
    shadow->resize(image.width(), m_container ? m_container->height() : 0);
    return shadow;
}

QWidget* PLRootViewController::initializeOverlayView() {
    loadViewIfNeeded();
    if (!m_overlay) {
        m_overlay = new QWidget(m_container);
        m_overlay->setObjectName(QStringLiteral("PLOverlayView"));
        m_overlay->installEventFilter(this);
        m_overlay->setAutoFillBackground(true);
        QPalette palette = m_overlay->palette();
        QColor colour = CustomColors::progressColor();
        colour.setAlphaF(0.9);
        palette.setColor(QPalette::Window, colour);
        m_overlay->setPalette(palette);
        m_overlay->hide();
    }
    if (m_currentTop && m_currentTop->isViewLoaded())
        m_overlay->setGeometry(m_currentTop->view()->rect());
    return m_overlay;
}

void PLRootViewController::setIsShowingSideBar(bool showing) {
    Q_ASSERT(QThread::currentThread() == thread());
    loadViewIfNeeded();
    m_isShowingSideBar = showing;
    auto* drawer = dynamic_cast<PLSideDrawerController*>(m_sideDrawer.data());
    QWidget* page = m_currentTop && m_currentTop->isViewLoaded() ? m_currentTop->view() : nullptr;
    if (showing) {
        if (drawer)
            drawer->sideDrawerWillAppear();
        if (m_overlay && page) {
            Animator::setAlpha(m_overlay, 0);
            m_overlay->setParent(page);
            m_overlay->setGeometry(page->rect());
            m_overlay->show();
            m_overlay->raise();
            Animator::animateAlpha(m_overlay, 1, kSideBarAnimationMs);
        }
        m_pageLeft = openPageLeft();
    } else {
        if (drawer)
            drawer->sideDrawerWillDisappear();
        if (m_overlay) {
            QPointer<QWidget> overlay = m_overlay;
            Animator::animateAlpha(m_overlay, 0, kSideBarAnimationMs, [this, overlay](bool) {
                // Opened again meanwhile: the overlay stays.
                if (overlay && !m_isShowingSideBar)
                    overlay->hide();
            });
        }
        m_pageLeft = 0;
    }
    // The page jumps while the overlay fades.
    if (m_currentTop)
        placePage(m_currentTop, m_pageLeft);
}

void PLRootViewController::toggleSideDrawer(QObject* sender) {
    Q_UNUSED(sender);
    if (m_isShowingSideBar)
        toggleSideDrawerAnimated(true);
}

void PLRootViewController::toggleSideDrawerAnimated(bool animated) {
    Q_UNUSED(animated); // the page always jumps and the overlay always fades
    setIsShowingSideBar(!m_isShowingSideBar);
}

void PLRootViewController::didSelectSideDrawerOption(qint64 option, std::function<void()> completion) {
    Q_UNUSED(option); // the host's drawer acts on its own options
    if (m_isShowingSideBar)
        setIsShowingSideBar(false);
    if (completion)
        completion();
}

int PLRootViewController::openPageLeft() const {
    if (!m_container)
        return 0;
    // The drawer's width less the part of the page that stays in sight: right to left the page
    // slides off to the left, leaving its trailing part at the container's left edge.
    const int shift = m_container->width() - kDrawerWidthInset - kPageVisibleWidth;
    return isRightToLeft() ? -shift : shift;
}

bool PLRootViewController::isRightToLeft() const {
    return m_container && m_container->layoutDirection() == Qt::RightToLeft;
}

void PLRootViewController::placePage(ViewController* page, int left) {
    if (!page || !page->isViewLoaded())
        return;
    ContainerView::setFillOffset(page->view(), QPointF(left, 0));
    layOutDrawerAndShadow();
}

void PLRootViewController::layOutDrawerAndShadow() {
    if (!m_container)
        return;
    const int height = m_container->height();
    const bool rtl = isRightToLeft();
    if (m_sideDrawer && m_sideDrawer->isViewLoaded() && m_sideDrawer->view()->parentWidget() == m_container)
        m_sideDrawer->view()->setGeometry(
            QStyle::visualRect(m_container->layoutDirection(), m_container->rect(),
                               QRect(0, 0, qMax(0, m_container->width() - kDrawerWidthInset), height)));
    if (ImageView* shadow = shadowImageView(); shadow && m_currentTop) {
        // The shadow falls on the drawer, darkest at the page's edge: right to left it lies right of
        // the page, its picture turned over.
        if (shadow->property(kShadowMirrored).toBool() != rtl) {
            shadow->setImage(shadow->image().mirrored(true, false));
            shadow->setProperty(kShadowMirrored, rtl);
        }
        const int width = shadow->image().width();
        const int x = rtl ? m_pageLeft + m_container->width() : m_pageLeft - width;
        shadow->setGeometry(x, 0, width, height);
    }
    // The dim covers the whole page, which is as large as the container, whatever size that takes.
    if (m_overlay && m_currentTop && m_currentTop->isViewLoaded() &&
        m_overlay->parentWidget() == m_currentTop->view())
        m_overlay->setGeometry(QRect(QPoint(0, 0), m_container->size()));
}

} // namespace pelnix
