// The root container: the first page by account status, the drawer behind the chats page, the
// logged-out switch, and the splash's delayed chats page.
#include "CoreFixture.h"
#include "FacadeTestKit.h"
#include "FirstCallRun.h"

#include "core/model/CurrentUserInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "foundation/persistence/PLPersistence.h"
#include "interface/PelnixSetUp.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Window.h"
#include "ui/rooms/PLSideDrawerTabelViewCell.h"
#include "ui/shell/PLRootViewController.h"
#include "ui/shell/PLSideDrawerController.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMainWindow>
#include <QVBoxLayout>
#include <QtTest>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

// The host's side drawer as the root container sees it, with rows of the library's drawer cell.
class HostDrawer : public ViewController, public PLSideDrawerController {
public:
    void setDelegate(PLSideDrawerDelegate* delegate) override { this->delegate = delegate; }
    void sideDrawerWillAppear() override { ++appearing; }
    void sideDrawerWillDisappear() override { ++disappearing; }
    PLSideDrawerDelegate* delegate = nullptr;
    int appearing = 0;
    int disappearing = 0;

protected:
    QWidget* loadView() override {
        QWidget* view = ViewController::loadView();
        view->setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(view);
        layout->setContentsMargins(0, 40, 0, 0);
        layout->setSpacing(0);
        for (const char* title : {"Chats", "Settings", "Lock"}) {
            auto* row = new PLSideDrawerTabelViewCell;
            row->showCellWithTitle(QString::fromLatin1(title), {});
            row->setFixedHeight(50);
            layout->addWidget(row);
        }
        layout->addStretch();
        return view;
    }
};

// The box of the dark pixels (a title's text) of `image` within `area`.
QRect inkIn(const QImage& image, const QRect& area) {
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

// The host's storyboards, present only while a test says so.
bool g_hostPages = true;
int g_homeMade = 0;

// What the host's chats page holds on top: a page of its own, or the library's rooms list, asked of the
// screen registry as a host does.
enum class HostChats { OwnPage, LibraryRoomsList };

void registerHostPages(HostChats chats = HostChats::OwnPage) {
    auto* registry = ScreenRegistry::shared();
    auto page = [] { return g_hostPages ? new ViewController : nullptr; };
    registry->registerScreen(QStringLiteral("SDKTest"), QStringLiteral("Landing"), page);
    registry->setInitialScreen(QStringLiteral("SDKTest"), QStringLiteral("Landing"));
    registry->registerScreen(QStringLiteral("LoggedOut"), QStringLiteral("HostLoggedOut"), page);
    registry->setInitialScreen(QStringLiteral("LoggedOut"), QStringLiteral("HostLoggedOut"));
    registry->registerScreen(QStringLiteral("Home"), QStringLiteral("PLSideDrawerTableViewController"),
                             [] { return g_hostPages ? new HostDrawer : nullptr; });
    registry->registerScreen(
        QStringLiteral("Home"), QStringLiteral("HostChats"), [chats]() -> ViewController* {
            if (!g_hostPages)
                return nullptr;
            ++g_homeMade;
            ViewController* top =
                chats == HostChats::OwnPage
                    ? new ViewController
                    : ScreenRegistry::shared()->instantiate(QStringLiteral("Home"),
                                                            QStringLiteral("PLChatRoomsTableViewController"));
            return top ? new NavigationController(top) : nullptr;
        });
    registry->setInitialScreen(QStringLiteral("Home"), QStringLiteral("HostChats"));
}

QString pageStoryboard(ViewController* page) {
    return page ? page->storyboardName() : QString();
}

// Set in the environment of a run of this program whose first call into the library makes the root
// container the root of a window, as a host does (the variable names where the root goes); the run
// reports what the host then has.
const char* const kFirstCallVariable = "PELNIX_TEST_FIRST_CALL";

int runRootAsFirstCall(const QString& entry) {
    registerHostPages(HostChats::LibraryRoomsList);
    auto* scheduler = platform::ui::Scheduler::shared();
    scheduler->setVirtualClock(true);
    auto root = std::make_unique<PLRootViewController>();
    QPointer<PLRootViewController> shown = root.get();
    QMainWindow host;
    std::unique_ptr<platform::ui::Window> window;
    if (entry == QLatin1String("library window")) {
        window = std::make_unique<platform::ui::Window>();
        window->resize(320, 568);
        window->setRootViewController(root.release());
        window->makeKeyAndVisible();
    } else if (entry == QLatin1String("host's widget")) {
        host.setCentralWidget(root->view());
        host.resize(320, 568);
        host.show();
    } else {
        return 2;
    }
    shown->showSplashScreenWithLogo();
    scheduler->advance(PLRootViewController::kSplashDurationMs);
    ViewController* chats = shown->chatRoomsViewController();
    reportFirstCall(chats ? chats->metaObject()->className() : nullptr);
    if (root)
        host.takeCentralWidget();
    return 0;
}

} // namespace

class TestRoot : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        PelnixSetUp::ensureLibraryIsSetUp();
        registerHostPages();
        platform::ui::Animator::setInstant(true);
    }
    void init() {
        m_world = std::make_unique<CoreFixture>(CoreFixture::Service::None);
        signIn(*m_world);
        PelnixStateManager::sharedStateManagerInstance()->initializeDatabase();
        g_hostPages = true;
        g_homeMade = 0;
    }
    void cleanup() {
        platform::ui::Scheduler::shared()->setVirtualClock(false);
        PLPersistence::cleanUp();
        PLModelManager::destroySharedInstance();
        PelnixStateManager::destroyStateManager();
        PLKeychainAccessHelper::dropKeychainInstanceForTesting();
        m_world.reset();
    }

    void theAccountStatusPicksTheFirstPage_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("storyboard");
        QTest::newRow("not signed in") << 0 << "SDKTest";
        QTest::newRow("registration started") << 1 << "SDKTest";
        QTest::newRow("verified, no profile") << 2 << "SDKTest";
        QTest::newRow("signed in") << 3 << "SDKTest";
        QTest::newRow("logged out by the server") << 4 << "LoggedOut";
        QTest::newRow("registration after a logout") << 5 << "SDKTest";
        QTest::newRow("unknown status") << 9 << "SDKTest";
    }
    void theAccountStatusPicksTheFirstPage() {
        QFETCH(int, status);
        QFETCH(QString, storyboard);
        const auto user = CurrentUserInfo::currentUserInfo();
        user->setStatus(qint16(status));
        user->save();
        PLRootViewController root;
        root.view();
        const auto children = root.childViewControllers();
        QCOMPARE(children.size(), 1);
        QCOMPARE(pageStoryboard(children.first()), storyboard);
        QVERIFY(children.first()->view()->isVisibleTo(root.view()));
    }

    // A page the host registered whose factory gives no controller is told apart from one it never
    // registered; either way the root container stays empty there.
    void aHostPageMissingOrGivingNothingLeavesAnEmptyPage_data() {
        QTest::addColumn<bool>("registered");
        QTest::addColumn<QString>("warning");
        QTest::newRow("registered, gives no controller")
            << true << R"(^the host's screen "Landing" in storyboard "SDKTest" gave no controller)";
        QTest::newRow("not registered")
            << false << R"(^the host has no screen "Unregistered" in storyboard "SDKTest")";
    }
    void aHostPageMissingOrGivingNothingLeavesAnEmptyPage() {
        QFETCH(bool, registered);
        QFETCH(QString, warning);
        auto* registry = ScreenRegistry::shared();
        const auto restore = qScopeGuard(
            [registry] { registry->setInitialScreen(QStringLiteral("SDKTest"), QStringLiteral("Landing")); });
        if (registered)
            g_hostPages = false;
        else
            registry->setInitialScreen(QStringLiteral("SDKTest"), QStringLiteral("Unregistered"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
        PLRootViewController root;
        root.view();
        QVERIFY(root.childViewControllers().isEmpty());
    }

    void aMissingHostStoryboardLeavesAnEmptyPage() {
        g_hostPages = false;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("\"SDKTest\" gave no controller"));
        PLRootViewController root;
        root.view();
        QVERIFY(root.childViewControllers().isEmpty());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("\"PLSideDrawerTableViewController\""));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("\"HostChats\" in storyboard \"Home\" gave"));
        root.showChatsViewController();
        QVERIFY(!root.sideDrawerViewController());
        QVERIFY(!root.chatRoomsNavigationViewController());
        root.setIsShowingSideBar(true); // nothing to move, nothing breaks
        QVERIFY(root.isShowingSideBar());
    }

    void theServerEndingTheSessionLeavesOnlyTheLoggedOutPage() {
        PLRootViewController root;
        root.view()->resize(320, 568);
        root.showChatsViewController();
        QPointer<ViewController> drawer = root.sideDrawerViewController();
        QPointer<NavigationController> chats = root.chatRoomsNavigationViewController();
        QVERIFY(drawer && chats);
        QCOMPARE(root.currentTopChildViewController(), chats.data());
        QCOMPARE(root.childViewControllers().size(), 3); // landing page, drawer, chats

        CurrentUserInfo::currentUserInfo()->handleDeletedFromOrg();
        const auto children = root.childViewControllers();
        QCOMPARE(children.size(), 1);
        QCOMPARE(pageStoryboard(children.first()), QStringLiteral("LoggedOut"));
        QTRY_VERIFY(!drawer && !chats);
    }

    void navigatingWithNoRoomOnlySwitchesToTheChats() {
        PLRootViewController root;
        root.view()->resize(320, 568);
        root.showChatsViewController();
        auto* chats = root.chatRoomsNavigationViewController();
        auto* other = new ViewController;
        root.switchCurrentTopChildViewControllerWithController(other);
        QCOMPARE(root.currentTopChildViewController(), other);
        QVERIFY(!root.childViewControllers().contains(chats));

        root.navigateToChatRoom(nullptr);
        QCOMPARE(root.currentTopChildViewController(), chats);
        QVERIFY(root.childViewControllers().contains(chats));
        QCOMPARE(chats->viewControllers().size(), 1); // nothing opened
        QCOMPARE(chats->view()->geometry(), root.view()->rect());
        QCOMPARE(g_homeMade, 1); // the same chats page, not a new one
    }

    // The drawer's choice of another page takes the page holding the keys away: they go to the new
    // page, not down Tab's order to its bar's Menu, which a window whose user once pressed Tab frames.
    void aPageChosenInTheDrawerGetsTheKeysOfThePageItReplaces() {
        platform::ui::Window window;
        window.resize(320, 568);
        auto* root = new PLRootViewController;
        window.setRootViewController(root);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        root->showChatsViewController();
        auto* field = new QLineEdit(root->chatRoomsNavigationViewController()->topViewController()->view());
        field->show();
        auto* settings = new ViewController;
        settings->navigationItem()->setLeftBarButtonItem(new platform::ui::BarButtonItem(
            QStringLiteral("Menu"), [] {}, settings));
        auto* page = new NavigationController(settings);
        QTest::keyClick(window.windowHandle(), Qt::Key_Tab);
        QTest::mouseClick(field, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), field);
        root->switchCurrentTopChildViewControllerWithController(page);
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus && (focus == page->view() || page->view()->isAncestorOf(focus)));
        QVERIFY(!qobject_cast<QAbstractButton*>(focus));
    }

    void theSplashBuildsTheChatsAfterItsTimeAndDiesWithTheContainer() {
        auto* scheduler = platform::ui::Scheduler::shared();
        scheduler->setVirtualClock(true);
        {
            PLRootViewController root;
            root.view()->resize(320, 568);
            root.showSplashScreenWithLogo();
            QVERIFY(root.splashScreenView());
            scheduler->advance(PLRootViewController::kSplashDurationMs - 1);
            QVERIFY(!root.chatRoomsNavigationViewController());
            scheduler->advance(1);
            QVERIFY(root.chatRoomsNavigationViewController());
            QVERIFY(!root.splashScreenView());
        }
        {
            auto root = std::make_unique<PLRootViewController>();
            root->view();
            root->showSplashScreenWithLogo();
            root.reset();
            scheduler->advance(PLRootViewController::kSplashDurationMs);
            QCOMPARE(g_homeMade, 1); // only the first container's chats page was ever made
            QCOMPARE(scheduler->pendingCount(), 0);
        }
    }

    void theDrawerOpensAndClosesThroughItsToggles() {
        PLRootViewController root;
        root.view()->resize(320, 568);
        root.showChatsViewController();
        QWidget* overlay = root.initializeOverlayView();
        auto* drawer = dynamic_cast<HostDrawer*>(root.sideDrawerViewController());
        QVERIFY(drawer);
        QCOMPARE(drawer->delegate, static_cast<PLSideDrawerDelegate*>(&root));
        QWidget* page = root.chatRoomsNavigationViewController()->view();
        QCOMPARE(drawer->view()->width(), 320 - PLRootViewController::kDrawerWidthInset);

        root.toggleSideDrawer(nullptr); // a tap on a closed drawer's page changes nothing
        QVERIFY(!root.isShowingSideBar());
        QCOMPARE(drawer->appearing, 0);

        root.toggleSideDrawerAnimated(true);
        QVERIFY(root.isShowingSideBar());
        QCOMPARE(drawer->appearing, 1);
        QCOMPARE(page->x(),
                 320 - PLRootViewController::kDrawerWidthInset - PLRootViewController::kPageVisibleWidth);
        QCOMPARE(root.shadowImageView()->geometry().right() + 1, page->x());
        QCOMPARE(overlay->parentWidget(), page);
        QTRY_COMPARE(platform::ui::Animator::alpha(overlay), 1.0);

        // A tap on the dimmed page closes the drawer.
        QTest::mouseClick(overlay, Qt::LeftButton);
        QVERIFY(!root.isShowingSideBar());
        QCOMPARE(drawer->disappearing, 1);
        QCOMPARE(page->x(), 0);
        QTRY_VERIFY(!overlay->isVisible());

        root.setIsShowingSideBar(true);
        int completions = 0;
        drawer->delegate->didSelectSideDrawerOption(2, [&] { ++completions; });
        QCOMPARE(completions, 1);
        QVERIFY(!root.isShowingSideBar());
        QCOMPARE(page->x(), 0);
        drawer->delegate->didSelectSideDrawerOption(1, [&] { ++completions; });
        QCOMPARE(completions, 2); // a closed drawer still answers
    }

    void theOpenDrawerAndItsDimFollowTheContainersSize() {
        PLRootViewController root;
        root.view()->resize(320, 568);
        root.view()->show();
        root.showChatsViewController();
        QWidget* overlay = root.initializeOverlayView();
        root.setIsShowingSideBar(true);
        QWidget* page = root.chatRoomsNavigationViewController()->view();
        const int visible = PLRootViewController::kDrawerWidthInset + PLRootViewController::kPageVisibleWidth;
        for (const QSize size : {QSize(1024, 768), QSize(400, 720)}) {
            root.view()->resize(size);
            QCOMPARE(root.sideDrawerViewController()->view()->width(),
                     size.width() - PLRootViewController::kDrawerWidthInset);
            QCOMPARE(page->geometry(), QRect(QPoint(size.width() - visible, 0), size));
            QCOMPARE(root.shadowImageView()->geometry().right() + 1, page->x());
            QCOMPARE(root.shadowImageView()->height(), size.height());
            // The dim covers the whole page, not the phone-sized corner it was made for.
            QCOMPARE(overlay->parentWidget(), page);
            QCOMPARE(overlay->geometry(), page->rect());
        }
        // Closed, the page fills the container again at its new size.
        root.setIsShowingSideBar(false);
        root.view()->resize(1024, 768);
        QCOMPARE(page->geometry(), QRect(0, 0, 1024, 768));
    }

    void theDrawerOpensFromTheLeadingEdgeWithItsRowsInSight_data() {
        QTest::addColumn<Qt::LayoutDirection>("direction");
        QTest::addColumn<bool>("application");
        QTest::newRow("left to right") << Qt::LeftToRight << false;
        QTest::newRow("the container right to left") << Qt::RightToLeft << false;
        QTest::newRow("the application right to left") << Qt::RightToLeft << true;
    }
    // The drawer lies at the leading edge and the page slides towards the trailing one, leaving the
    // rows' titles whole in sight; the shadow falls on the drawer at the page's edge, and the page's
    // sliver closes the drawer. Turned at run time, the open drawer moves to the other side.
    void theDrawerOpensFromTheLeadingEdgeWithItsRowsInSight() {
        QFETCH(Qt::LayoutDirection, direction);
        QFETCH(bool, application);
        const auto restore = qScopeGuard([] { qApp->setLayoutDirection(Qt::LeftToRight); });
        if (application)
            qApp->setLayoutDirection(direction);
        PLRootViewController root;
        QWidget* container = root.view();
        if (!application)
            container->setLayoutDirection(direction);
        container->resize(320, 568);
        container->show();
        root.showChatsViewController();
        QWidget* overlay = root.initializeOverlayView();
        root.toggleSideDrawerAnimated(true);
        QWidget* page = root.chatRoomsNavigationViewController()->view();
        QWidget* drawer = root.sideDrawerViewController()->view();

        const auto verifyOpen = [&](Qt::LayoutDirection shownDirection) {
            const bool rtl = shownDirection == Qt::RightToLeft;
            const int inset = PLRootViewController::kDrawerWidthInset;
            const int shift = 320 - inset - PLRootViewController::kPageVisibleWidth;
            QCOMPARE(page->geometry(), QRect(QPoint(rtl ? -shift : shift, 0), container->size()));
            QCOMPARE(drawer->geometry(), QRect(rtl ? inset : 0, 0, 320 - inset, 568));
            // The shadow touches the page on the drawer's side, darkest next to the page.
            const QRect shadow = root.shadowImageView()->geometry();
            QCOMPARE(rtl ? shadow.left() : shadow.right() + 1,
                     rtl ? page->geometry().right() + 1 : page->x());
            const QImage shade = root.shadowImageView()->image();
            const int nearPage = rtl ? 0 : shade.width() - 1;
            QVERIFY(qAlpha(shade.pixel(nearPage, 0)) > qAlpha(shade.pixel(shade.width() - 1 - nearPage, 0)));
            // Every title shows on screen as the drawer draws it, none of it under the page.
            const QImage alone = drawer->grab().toImage();
            const QImage shown = container->grab().toImage();
            const auto rows = drawer->findChildren<PLSideDrawerTabelViewCell*>();
            QCOMPARE(rows.size(), 3);
            for (PLSideDrawerTabelViewCell* row : rows) {
                QWidget* title = row->titleLabel();
                const QRect ink = inkIn(alone, QRect(title->mapTo(drawer, QPoint(0, 0)), title->size()));
                QVERIFY2(!ink.isEmpty(), qPrintable(row->titleLabel()->text()));
                QVERIFY2(shown.copy(ink.translated(drawer->pos())) == alone.copy(ink),
                         qPrintable(row->titleLabel()->text()));
            }
        };
        verifyOpen(direction);

        // Turned while open: the drawer opens from the other edge at once.
        const Qt::LayoutDirection other = direction == Qt::RightToLeft ? Qt::LeftToRight : Qt::RightToLeft;
        container->setLayoutDirection(other);
        verifyOpen(other);
        container->setLayoutDirection(direction);
        verifyOpen(direction);

        // A click on the page's sliver closes the drawer.
        const int sliverX = direction == Qt::RightToLeft ? PLRootViewController::kPageVisibleWidth / 2
                                                         : 320 - PLRootViewController::kPageVisibleWidth / 2;
        QTest::mouseClick(overlay, Qt::LeftButton, {}, overlay->mapFrom(container, QPoint(sliverX, 284)));
        QVERIFY(!root.isShowingSideBar());
        QCOMPARE(page->geometry(), container->rect());
    }

    // The root container as a fresh process's very first call into the library, in a library window
    // or in a host's widget: after the splash the host's chats page shows the library's rooms list, and
    // the library is set up as after any other first call.
    void theRootAsTheProcesssFirstCallShowsTheRoomsList_data() {
        QTest::addColumn<QString>("entry");
        QTest::newRow("root of a library window") << "library window";
        QTest::newRow("root view in a host's widget") << "host's widget";
    }
    void theRootAsTheProcesssFirstCallShowsTheRoomsList() {
        QFETCH(QString, entry);
        verifyFirstCall(kFirstCallVariable, entry, QStringLiteral("pelnix::PLChatRoomsTableViewController"));
    }

    void theSharedInstanceIsTheWindowsRootContainerOnly() {
        platform::ui::Window window;
        window.makeKeyAndVisible();
        window.setRootViewController(new ViewController);
        QVERIFY(!PLRootViewController::sharedInstance());
        auto* root = new PLRootViewController;
        window.setRootViewController(root);
        QCOMPARE(PLRootViewController::sharedInstance(), root);
    }

private:
    std::unique_ptr<CoreFixture> m_world;
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kFirstCallVariable))
        return runRootAsFirstCall(qEnvironmentVariable(kFirstCallVariable));
    TestRoot test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_root.moc"
