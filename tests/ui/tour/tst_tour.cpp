// The screen tour: every screen the product's storyboards and nibs name, opened as a host or another
// screen opens it (through the facade's containers where one serves it), with the stand-in behind the
// store and each screen given what a user would find on it, and grabbed to a PNG. A screen that is
// missing, still a bare placeholder, grabs as one flat colour, shows nothing below its bar, shows two
// bars one under the other or a delivered message without its time fails.
#include "DeliveredRowTimes.h"
#include "FacadeTestKit.h"
#include "LibraryScreenWorld.h"

#include "core/model/ChatRoom.h"
#include "core/session/PLAppLockSettingsManager.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "foundation/persistence/PLPersistence.h"
#include "interface/Pelnix.h"
#include "interface/PelnixSetUp.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/BlankPictureCheck.h"
#include "ui/shell/PelnixCustomViewController.h"
#include "ui/shell/PelnixViewController.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMainWindow>
#include <QtTest>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

const QString kRoomID = LibraryScreenWorld::kRoomID;

// How a stop of the tour is opened.
enum class Opening {
    Registry,         // instantiated by its identifier, in a navigation controller unless it is one
    RoomsContainer,   // PelnixViewController type 0
    ChatContainer,    // PelnixViewController type 1, on the tour's room
    ProfileContainer, // type 2
    SettingsContainer,
    ConfigurationContainer,
    LoginContainer, // PelnixCustomViewController type 0
    PublicGroupsContainer,
    LoggedOutContainer,
    PasscodeContainer,
};

bool isPlaceholder(const ViewController* screen) {
    return screen && QByteArray(screen->metaObject()->className()) == "pelnix::platform::ui::ViewController";
}

ViewController* open(Opening opening, const QString& storyboard, const QString& identifier) {
    switch (opening) {
    case Opening::Registry:
        // As a host or another screen shows it: a screen with a bar of its own is not wrapped in another.
        return LibraryScreenWorld::asShown(
            storyboard, identifier,
            identifier.isEmpty() ? ScreenRegistry::shared()->instantiateInitial(storyboard)
                                 : ScreenRegistry::shared()->instantiate(storyboard, identifier));
    case Opening::RoomsContainer:
        return Pelnix::pelnixGroupsViewController();
    case Opening::ChatContainer:
        return Pelnix::createPelnixWindowViewControllerWithGroup(Pelnix::pelnixGroupWithID(kRoomID));
    case Opening::ProfileContainer:
        return Pelnix::userProfileViewController();
    case Opening::SettingsContainer:
        return Pelnix::settingsViewController();
    case Opening::ConfigurationContainer:
        return Pelnix::pelnixConfigurationViewController();
    case Opening::LoginContainer: {
        // The login container serves only before a session is set up.
        PelnixInfo::sharedInstance()->setSessionState(0);
        return Pelnix::pelnixLoginViewController({});
    }
    case Opening::PublicGroupsContainer:
        return Pelnix::publicGroupsViewController({});
    case Opening::LoggedOutContainer:
        return Pelnix::userLoggedOutViewController({});
    case Opening::PasscodeContainer: {
        auto* container = new PelnixCustomViewController(3);
        container->setPasscodeViewType(0);
        return container;
    }
    }
    return nullptr;
}

} // namespace

Q_DECLARE_METATYPE(Opening)

class TestTour : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        PelnixSetUp::ensureLibraryIsSetUp();
        platform::ui::Animator::setInstant(true);
        QDir().mkpath(QStringLiteral(PELNIX_TOUR_DIR));
    }
    void init() {
        m_world = std::make_unique<LibraryScreenWorld>();
        QVERIFY(ChatRoom::chatRoomWithID(kRoomID));
    }
    void cleanup() { m_world.reset(); }

    void everyNamedScreenOpensAndShows_data() {
        QTest::addColumn<QString>("storyboard");
        QTest::addColumn<QString>("identifier"); // empty: the storyboard's initial screen
        QTest::addColumn<Opening>("opening");
        QTest::addColumn<QString>("state"); // what a screen that can show several things shows
        const auto stop = [](const char* storyboard, const char* identifier,
                             Opening opening = Opening::Registry, const QString& state = {}) {
            QTest::addRow("%s/%s%s", storyboard, *identifier ? identifier : "(initial)",
                          state.isEmpty() ? "" : qPrintable(QStringLiteral(" (%1)").arg(state)))
                << QString::fromLatin1(storyboard) << QString::fromLatin1(identifier) << opening << state;
        };
        // Rooms, conversation and group screens.
        stop("Home", "PLChatRoomsTableViewController", Opening::RoomsContainer);
        stop("Home", "ChatWindowViewController", Opening::ChatContainer);
        stop("Home", "PLChatWindowSearchViewControllerID");
        stop("Home", "PLOpenGroupsViewController", Opening::PublicGroupsContainer);
        stop("Home", "PLGroupInfoViewController");
        stop("Home", "GroupMembersViewController");
        stop("Home", "GroupMembersNavigationController");
        stop("Home", "ActiveMembersViewController");
        stop("Home", "PendingMembersViewController");
        stop("Home", "PLGroupMemeberDetailTableViewController");
        stop("PLSelectAdminViewController", "PLSelectAdminViewController");
        stop("PLMakeAdminViewController", "PLMakeAdminViewController");
        stop("Home", "PLContactsNavigationController");
        stop("Home", "PLNewGroupNavigationController");
        stop("Home", "PLNewGroupTableViewController");
        stop("Home", "PLNewGroupTableViewController_RTL");
        stop("Home", "PLNewGroupMembersViewController");
        stop("Chatlets", "");
        stop("Chatlets", "PostChatletNavigationController");
        stop("Chatlets", "PLAddressBookContactNavigationController");
        stop("Location", "");
        stop("Reply", "");
        stop("Location", "PLChooseLocationNavigationController");
        stop("Home", "PLChatWindowLinkWebViewController");
        stop("Home", "PLUploadActionSheet");
        stop("Home", "PLDownloadViewerController");
        stop("Home", "PLDownloadViewerController", Opening::Registry, LibraryScreenWorld::kPdfState);
        // Account screens.
        stop("Home", "PLSettingsTableViewController", Opening::SettingsContainer);
        stop("Home", "PLUserProfileTableViewController", Opening::ProfileContainer);
        stop("Home", "PLUserProfileNavigationController");
        stop("Home", "PLUserProfileNavigationController_RTL");
        stop("Home", "PLRegPhoneNumberViewController");
        stop("Home", "PLVerifyPhoneNumberViewController");
        stop("PLConfigureScreenViewController", "PLConfigureScreenViewController",
             Opening::ConfigurationContainer);
        stop("PLAppLockScreenViewController", "PLAppLockScreenViewController", Opening::PasscodeContainer);
        stop("Login", "PLSignUpNavigationController", Opening::LoginContainer);
        stop("Login", "PLSignUpViewController");
        stop("Login", "PLEmailVerificationID");
        stop("Login", "PLVerifyExceedsLimitControllerID");
        stop("Login", "PLTermsAndConditionID");
        stop("LoggedOut", "PLLoggedOutViewController", Opening::LoggedOutContainer);
        stop("LoggedOut", "");
    }
    // Beyond the named ones: whatever else the library registers shows something too.
    void everyRegisteredScreenShows_data() {
        QTest::addColumn<QString>("storyboard");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<Opening>("opening");
        QTest::addColumn<QString>("state");
        auto* registry = ScreenRegistry::shared();
        for (const QString& storyboard : registry->storyboards())
            for (const QString& identifier : registry->identifiers(storyboard))
                QTest::addRow("%s/%s", qPrintable(storyboard), qPrintable(identifier))
                    << storyboard << identifier << Opening::Registry << QString();
    }
    void everyRegisteredScreenShows() { everyNamedScreenOpensAndShows(); }

    void everyNamedScreenOpensAndShows() {
        QFETCH(QString, storyboard);
        QFETCH(QString, identifier);
        QFETCH(Opening, opening);
        QFETCH(QString, state);
        auto* registry = ScreenRegistry::shared();
        const bool registered = identifier.isEmpty() ? registry->instantiateInitial(storyboard) != nullptr
                                                     : registry->hasScreen(storyboard, identifier);
        QVERIFY2(registered, "not registered");

        // The registry's own screen, looked at through any navigation controller it is.
        std::unique_ptr<ViewController> bare(identifier.isEmpty()
                                                 ? registry->instantiateInitial(storyboard)
                                                 : registry->instantiate(storyboard, identifier));
        QVERIFY2(!isPlaceholder(LibraryScreenWorld::frontScreen(bare.get())), "still a placeholder");
        bare.reset();

        platform::ui::Window window;
        window.resize(320, 568);
        ViewController* controller = open(opening, storyboard, identifier);
        QVERIFY2(controller, "the opener gave no screen");
        if (ViewController* front = LibraryScreenWorld::frontScreen(controller)) {
            const QString unstaged = m_world->stage(front, state);
            QVERIFY2(unstaged.isEmpty(), qPrintable(unstaged));
        }
        window.setRootViewController(controller);
        window.show();
        ViewController* front = LibraryScreenWorld::frontScreen(controller);
        QVERIFY2(front, "the container shows nothing");
        QVERIFY(!isPlaceholder(front));
        const QString unsettled = m_world->settle(front, window, state);
        QVERIFY2(unsettled.isEmpty(), qPrintable(unsettled));
        const QImage image = platform::ui::Screenshot::grab(&window);
        const QString name = (identifier.isEmpty() ? storyboard + QStringLiteral("-initial")
                                                   : storyboard + QLatin1Char('-') + identifier) +
                             (state.isEmpty() ? QString() : QLatin1Char('-') + state) +
                             QStringLiteral(".png");
        QVERIFY(image.save(QDir(QStringLiteral(PELNIX_TOUR_DIR)).filePath(name)));
        // A screen with a top of its own wrapped in another bar shows an empty bar over its own, or
        // two bars one under the other.
        for (const QString& fault : {platform::ui::BlankPictureCheck::blankness(image, &window),
                                     platform::ui::BlankPictureCheck::doubledBar(image, &window),
                                     platform::ui::BlankPictureCheck::emptyBar(image, &window),
                                     DeliveredRowTimes::missing(image, &window)})
            QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    // The login container as a host shows it, in its own QMainWindow with no library window: the
    // sign-up page and the code page pushed on it each show one bar, their own.
    void theLoginFlowInAHostsOwnWindowShowsOneBarPerPage() {
        PelnixInfo::sharedInstance()->setSessionState(0);
        std::unique_ptr<ViewController> container(Pelnix::pelnixLoginViewController({}));
        QVERIFY(container);
        QMainWindow host;
        host.setCentralWidget(container->view());
        host.resize(320, 568);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        auto* navigation =
            qobject_cast<platform::ui::NavigationController*>(container->childViewControllers().value(0));
        QVERIFY(navigation);
        const auto verifyPage = [&host](const QString& name) {
            QApplication::processEvents();
            const QImage image = platform::ui::Screenshot::grab(&host);
            QVERIFY(image.save(QDir(QStringLiteral(PELNIX_TOUR_DIR)).filePath(name)));
            for (const QString& fault : {platform::ui::BlankPictureCheck::blankness(image, &host),
                                         platform::ui::BlankPictureCheck::doubledBar(image, &host),
                                         platform::ui::BlankPictureCheck::emptyBar(image, &host)})
                QVERIFY2(fault.isEmpty(), qPrintable(name + QStringLiteral(": ") + fault));
        };
        verifyPage(QStringLiteral("Host-LoginContainer.png"));
        navigation->pushViewController(ScreenRegistry::shared()->instantiate(
                                           QStringLiteral("Login"), QStringLiteral("PLEmailVerificationID")),
                                       false);
        QTRY_VERIFY(navigation->topViewController()->view()->isVisible());
        verifyPage(QStringLiteral("Host-LoginContainer-code.png"));
        host.takeCentralWidget();
    }

private:
    std::unique_ptr<LibraryScreenWorld> m_world;
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    // A host that shows web pages shares GL contexts, set before its application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // As the gallery: a host's program font of a face no library text has, so that a text that takes it
    // shows in the tour's pictures.
    QApplication::setFont(QFont(QStringLiteral("DejaVu Serif"), 9));
    TestTour t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_tour.moc"
