// The screen tour: every screen the product's storyboards and nibs name, opened as a host or another
// screen opens it (through the facade's containers where one serves it), with the stand-in behind the
// store, and grabbed to a PNG. A screen that is missing, still a bare placeholder, or grabs as one flat
// colour fails.
#include "CoreFixture.h"
#include "FacadeTestKit.h"

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
#include "ui/conversation/PLChatWindowSearchViewController.h"
#include "ui/rooms/PLGroupInfoViewController.h"
#include "ui/shell/PelnixCustomViewController.h"
#include "ui/shell/PelnixViewController.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

const QString kRoomID = QStringLiteral("tour-room");

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

// The screen a container or navigation controller shows in front.
ViewController* frontScreen(ViewController* controller) {
    for (int depth = 0; controller && depth < 4; ++depth) {
        if (auto* navigation = qobject_cast<NavigationController*>(controller)) {
            controller = navigation->topViewController();
            continue;
        }
        if (qobject_cast<PelnixViewController*>(controller) ||
            qobject_cast<PelnixCustomViewController*>(controller)) {
            const auto children = controller->childViewControllers();
            controller = children.isEmpty() ? nullptr : children.first();
            continue;
        }
        break;
    }
    return controller;
}

bool isPlaceholder(const ViewController* screen) {
    return screen && QByteArray(screen->metaObject()->className()) == "pelnix::platform::ui::ViewController";
}

// Whether the picture holds more than one colour.
bool isFlat(const QImage& image) {
    if (image.isNull())
        return true;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

ViewController* configured(ViewController* screen) {
    ViewController* front = frontScreen(screen);
    if (auto* search = qobject_cast<PLChatWindowSearchViewController*>(front))
        search->setChatRoom(ChatRoom::chatRoomWithID(kRoomID));
    if (auto* info = qobject_cast<PLGroupInfoViewController*>(front))
        info->setRoomId(kRoomID);
    return screen;
}

ViewController* open(Opening opening, const QString& storyboard, const QString& identifier) {
    switch (opening) {
    case Opening::Registry: {
        ViewController* screen = identifier.isEmpty()
                                     ? ScreenRegistry::shared()->instantiateInitial(storyboard)
                                     : ScreenRegistry::shared()->instantiate(storyboard, identifier);
        if (!screen || qobject_cast<NavigationController*>(screen))
            return configured(screen);
        return configured(new NavigationController(screen));
    }
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
        m_world = std::make_unique<CoreFixture>();
        signIn(*m_world);
        completeSetUp();
        PelnixStateManager::sharedStateManagerInstance()->initializeDatabase();
        PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
        ChatRoom::updateChatRoomsWithArray(
            QJsonDocument::fromJson(R"([{"_id":"tour-room","name":"Tour","type":"2","activityDate":3000}])")
                .array()
                .toVariantList());
        QVERIFY(ChatRoom::chatRoomWithID(kRoomID));
    }
    void cleanup() {
        PLPersistence::cleanUp();
        PLModelManager::destroySharedInstance();
        PelnixStateManager::destroyStateManager();
        PLKeychainAccessHelper::dropKeychainInstanceForTesting();
        m_world.reset();
    }

    void everyNamedScreenOpensAndShows_data() {
        QTest::addColumn<QString>("storyboard");
        QTest::addColumn<QString>("identifier"); // empty: the storyboard's initial screen
        QTest::addColumn<Opening>("opening");
        const auto stop = [](const char* storyboard, const char* identifier,
                             Opening opening = Opening::Registry) {
            QTest::addRow("%s/%s", storyboard, *identifier ? identifier : "(initial)")
                << QString::fromLatin1(storyboard) << QString::fromLatin1(identifier) << opening;
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
        auto* registry = ScreenRegistry::shared();
        for (const QString& storyboard : registry->storyboards())
            for (const QString& identifier : registry->identifiers(storyboard))
                QTest::addRow("%s/%s", qPrintable(storyboard), qPrintable(identifier))
                    << storyboard << identifier << Opening::Registry;
    }
    void everyRegisteredScreenShows() { everyNamedScreenOpensAndShows(); }

    void everyNamedScreenOpensAndShows() {
        QFETCH(QString, storyboard);
        QFETCH(QString, identifier);
        QFETCH(Opening, opening);
        auto* registry = ScreenRegistry::shared();
        const bool registered = identifier.isEmpty() ? registry->instantiateInitial(storyboard) != nullptr
                                                     : registry->hasScreen(storyboard, identifier);
        QVERIFY2(registered, "not registered");

        // The registry's own screen, looked at through any navigation controller it is.
        std::unique_ptr<ViewController> bare(identifier.isEmpty()
                                                 ? registry->instantiateInitial(storyboard)
                                                 : registry->instantiate(storyboard, identifier));
        QVERIFY2(!isPlaceholder(frontScreen(bare.get())), "still a placeholder");
        bare.reset();

        platform::ui::Window window;
        window.resize(320, 568);
        ViewController* controller = open(opening, storyboard, identifier);
        QVERIFY2(controller, "the opener gave no screen");
        window.setRootViewController(controller);
        window.show();
        ViewController* front = frontScreen(controller);
        QVERIFY2(front, "the container shows nothing");
        QVERIFY(!isPlaceholder(front));
        const QImage image = platform::ui::Screenshot::grab(&window);
        const QString name = (identifier.isEmpty() ? storyboard + QStringLiteral("-initial")
                                                   : storyboard + QLatin1Char('-') + identifier) +
                             QStringLiteral(".png");
        QVERIFY(image.save(QDir(QStringLiteral(PELNIX_TOUR_DIR)).filePath(name)));
        QVERIFY2(!isFlat(image), "one flat colour");
    }

private:
    std::unique_ptr<CoreFixture> m_world;
};

QTEST_MAIN(TestTour)
#include "tst_tour.moc"
