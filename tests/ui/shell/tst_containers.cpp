// The facade's containers: which screen each type loads, the session they own, and what they refuse.
#include "CoreFixture.h"
#include "FacadeTestKit.h"

#include "core/model/ChatRoom.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "foundation/persistence/PLPersistence.h"
#include "interface/Pelnix.h"
#include "interface/PelnixSetUp.h"
#include "platform/ui/NavigationController.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/account/PLLoggedOutViewController.h"
#include "ui/account/PLSignUpViewController.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/shell/PelnixCustomViewController.h"
#include "ui/shell/PelnixViewController.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::NavigationController;
using platform::ui::ViewController;

namespace {

// The screen a container shows, looking through the navigation controller it may have wrapped it in.
ViewController* shownScreen(ViewController* container, bool* wrapped = nullptr) {
    const auto children = container->childViewControllers();
    if (children.isEmpty())
        return nullptr;
    auto* navigation = qobject_cast<NavigationController*>(children.first());
    if (wrapped)
        *wrapped = navigation != nullptr;
    return navigation ? navigation->topViewController() : children.first();
}

void importRooms(const char* json) {
    ChatRoom::updateChatRoomsWithArray(QJsonDocument::fromJson(json).array().toVariantList());
}

} // namespace

class TestContainers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { PelnixSetUp::ensureLibraryIsSetUp(); }
    void cleanup() {
        PLPersistence::cleanUp();
        PLModelManager::destroySharedInstance();
        PelnixStateManager::destroyStateManager();
        PLKeychainAccessHelper::dropKeychainInstanceForTesting();
    }

    void beforeStartUpOnlyTheSessionFreeContainersExist() {
        CoreFixture world(CoreFixture::Service::None);
        signIn(world);
        QVERIFY(!Pelnix::pelnixGroupsViewController());
        QVERIFY(!Pelnix::settingsViewController());
        QVERIFY(!Pelnix::publicGroupsViewController({}));
        std::unique_ptr<PelnixViewController> configuration(Pelnix::pelnixConfigurationViewController());
        QVERIFY(configuration);
        configuration->view(); // a container loads its screen with its view
        QCOMPARE(shownScreen(configuration.get())->storyboardIdentifier(),
                 QStringLiteral("PLConfigureScreenViewController"));
        int loggedIn = 0;
        std::unique_ptr<PelnixCustomViewController> loggedOut(
            Pelnix::userLoggedOutViewController([&] { ++loggedIn; }));
        QVERIFY(loggedOut);
        loggedOut->view();
        bool wrapped = false;
        QVERIFY(qobject_cast<PLLoggedOutViewController*>(shownScreen(loggedOut.get(), &wrapped)));
        QVERIFY(wrapped);
    }

    void eachTypeLoadsItsScreen_data() {
        QTest::addColumn<qint64>("type");
        QTest::addColumn<QString>("identifier");
        QTest::newRow("rooms list") << qint64(0) << "PLChatRoomsTableViewController";
        QTest::newRow("profile") << qint64(2) << "PLUserProfileTableViewController";
        QTest::newRow("settings") << qint64(3) << "PLSettingsTableViewController";
        QTest::newRow("configuration") << qint64(4) << "PLConfigureScreenViewController";
        QTest::newRow("unknown type") << qint64(5) << "";
    }
    void eachTypeLoadsItsScreen() {
        QFETCH(qint64, type);
        QFETCH(QString, identifier);
        CoreFixture world(CoreFixture::Service::None);
        signIn(world);
        completeSetUp();
        std::unique_ptr<PelnixViewController> container(Pelnix::pelnixViewControllerOfType(type));
        QVERIFY(container);
        container->view();
        ViewController* screen = shownScreen(container.get());
        if (identifier.isEmpty()) {
            QVERIFY(container->childViewControllers().isEmpty());
            return;
        }
        QVERIFY(screen);
        QCOMPARE(screen->storyboardIdentifier(), identifier);
    }

    void insideANavigationControllerTheScreenIsNotWrapped() {
        CoreFixture world(CoreFixture::Service::None);
        signIn(world);
        completeSetUp();
        auto* container = Pelnix::pelnixViewControllerOfType(0);
        NavigationController host(container);
        bool wrapped = true;
        container->view();
        QVERIFY(qobject_cast<PLChatRoomsTableViewController*>(shownScreen(container, &wrapped)));
        QVERIFY(!wrapped);

        std::unique_ptr<PelnixViewController> alone(Pelnix::pelnixViewControllerOfType(0));
        alone->view();
        QVERIFY(qobject_cast<PLChatRoomsTableViewController*>(shownScreen(alone.get(), &wrapped)));
        QVERIFY(wrapped);
    }

    void theChatWindowOpensAStoredGroupOnly() {
        CoreFixture world(CoreFixture::Service::None);
        signIn(world);
        completeSetUp();
        PelnixStateManager::sharedStateManagerInstance()->initializeDatabase();
        importRooms(R"([{"_id":"g1","name":"Ops","type":"2","activityDate":3000}])");
        Pelnix::setLoggingEnabled(true);
        PelnixGroup unknown;
        unknown.groupID = QStringLiteral("nope");
        QTest::ignoreMessage(QtInfoMsg, "Pelnix : Invalid PelnixGroup");
        QVERIFY(!Pelnix::createPelnixWindowViewControllerWithGroup(unknown));
        QTest::ignoreMessage(QtInfoMsg, "Pelnix : Invalid PelnixGroup");
        QVERIFY(!Pelnix::createPelnixWindowViewControllerWithGroup(std::nullopt));

        std::unique_ptr<PelnixViewController> container(Pelnix::createPelnixWindowViewControllerWithGroup(
            Pelnix::pelnixGroupWithID(QStringLiteral("g1"))));
        QVERIFY(container);
        QCOMPARE(container->roomID(), QStringLiteral("g1"));
        container->view();
        auto* window = qobject_cast<PLChatWindowViewController*>(shownScreen(container.get()));
        QVERIFY(window);
        QCOMPARE(window->chatRoom()->roomId(), QStringLiteral("g1"));
    }

    void theNewestSessionContainerOwnsTheSession() {
        CoreFixture world(CoreFixture::Service::None);
        signIn(world);
        completeSetUp();
        auto* older = Pelnix::pelnixGroupsViewController();
        auto* newer = Pelnix::pelnixGroupsViewController();
        auto* settings = Pelnix::settingsViewController();
        QVERIFY(older && newer && settings);
        delete settings;
        delete older; // no longer the owner
        QVERIFY(PelnixSetUp::isInitialSetUpDone());
        delete newer;
        QVERIFY(!PelnixSetUp::isInitialSetUpDone());
    }

    void loginIsRefusedWhileASessionIsSetUp() {
        CoreFixture world(CoreFixture::Service::None);
        signIn(world);
        completeSetUp();
        Outcome outcome;
        QVERIFY(!Pelnix::pelnixLoginViewController(outcome.handler()));
        QCOMPARE(outcome.calls, 1);
        QCOMPARE(code(outcome.error), qint64(-1004));
        QCOMPARE(outcome.error->localizedDescription,
                 QStringLiteral("Pelnix has an active session. Please reset active session to login again"));
    }

    void theLoginContainerPrefillsTheHostsAddress() {
        CoreFixture world(CoreFixture::Service::None);
        Pelnix::setUserEmailID(QStringLiteral("ann@example.test"));
        std::unique_ptr<PelnixCustomViewController> container(Pelnix::pelnixLoginViewController({}));
        QVERIFY(container);
        QCOMPARE(container->email(), QStringLiteral("ann@example.test"));
        container->view();
        auto* signUp = qobject_cast<PLSignUpViewController*>(shownScreen(container.get()));
        QVERIFY(signUp);
        QCOMPARE(signUp->prefilledEmail(), QStringLiteral("ann@example.test"));
    }

    void passcodeTypesMapToLockStates_data() {
        QTest::addColumn<qint64>("type");
        QTest::addColumn<qint64>("state");
        QTest::newRow("set up") << qint64(0) << qint64(PLAppLockScreenViewController::Unlock);
        QTest::newRow("disable") << qint64(1) << qint64(PLAppLockScreenViewController::SwitchOff);
        QTest::newRow("lock") << qint64(2) << qint64(PLAppLockScreenViewController::Unlock);
        QTest::newRow("change") << qint64(3) << qint64(PLAppLockScreenViewController::Change);
    }
    void passcodeTypesMapToLockStates() {
        QFETCH(qint64, type);
        QFETCH(qint64, state);
        PelnixCustomViewController container(3);
        container.setPasscodeViewType(type);
        container.view();
        auto* lock = qobject_cast<PLAppLockScreenViewController*>(shownScreen(&container));
        QVERIFY(lock);
        QCOMPARE(lock->lockScreenState(), state);
    }
};

QTEST_MAIN(TestContainers)
#include "tst_containers.moc"
