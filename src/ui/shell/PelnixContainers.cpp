// The facade's containers: the Pelnix entry points that make them stand with them, above the screens.
#include "core/model/ChatRoom.h"
#include "core/session/PelnixStateManager.h"
#include "interface/Pelnix.h"
#include "interface/PelnixErrorHandlingHelper.h"
#include "interface/PelnixSetUp.h"
#include "platform/Log.h"
#include "ui/shell/PelnixCustomViewController.h"
#include "ui/shell/PelnixViewController.h"

namespace pelnix {

namespace {

bool loggingEnabled() {
    return PelnixStateManager::sharedStateManagerInstance()->loggingEnabled();
}

// The session's screens need a start-up first; the host is told in the log when logging is on.
bool setUpOrLog() {
    PelnixSetUp::ensureLibraryIsSetUp();
    if (PelnixSetUp::isInitialSetUpDone())
        return true;
    if (loggingEnabled())
        platform::Log::writeRequestedLine(
            QStringLiteral("Pelnix: InitWithCompletionHandler method is not called"));
    return false;
}

} // namespace

PelnixViewController* Pelnix::pelnixViewControllerOfType(qint64 type) {
    return setUpOrLog() ? new PelnixViewController(type) : nullptr;
}

PelnixViewController* Pelnix::pelnixGroupsViewController() {
    auto* container = pelnixViewControllerOfType(0);
    if (container)
        container->associateWithSessionID();
    return container;
}

PelnixViewController*
Pelnix::createPelnixWindowViewControllerWithGroup(const std::optional<PelnixGroup>& group) {
    if (!group || !ChatRoom::chatRoomWithID(group->groupID)) {
        if (loggingEnabled())
            platform::Log::writeRequestedLine(QStringLiteral("Pelnix : Invalid PelnixGroup"));
        return nullptr;
    }
    auto* container = pelnixViewControllerOfType(1);
    if (container) {
        container->setRoomID(group->groupID);
        container->associateWithSessionID();
    }
    return container;
}

PelnixViewController* Pelnix::userProfileViewController() {
    return pelnixViewControllerOfType(2);
}

PelnixViewController* Pelnix::settingsViewController() {
    return pelnixViewControllerOfType(3);
}

PelnixViewController* Pelnix::pelnixConfigurationViewController() {
    // A host's first call into the library may be one of these containers: the library is wired (its
    // screens registered) as by any other first call.
    PelnixSetUp::ensureLibraryIsSetUp();
    PelnixStateManager::sharedStateManagerInstance()->initializeDatabase();
    return new PelnixViewController(4);
}

void Pelnix::openPelnixGroup(const PelnixGroup& group, platform::ui::ViewController* fromChatRoomsList) {
    auto* container = qobject_cast<PelnixViewController*>(fromChatRoomsList);
    if (container && container->viewControllerType() == 0)
        container->openPelnixGroupFromRoomsList(group);
}

PelnixCustomViewController* Pelnix::pelnixLoginViewController(PLResultHandler completion) {
    PelnixSetUp::ensureLibraryIsSetUp();
    if (PelnixSetUp::sessionState() == 2) {
        if (completion)
            completion(false,
                       PelnixSetUp::error(
                           PelnixErrorSessionActive,
                           "Pelnix has an active session. Please reset active session to login again"),
                       QString());
        return nullptr;
    }
    auto* container = new PelnixCustomViewController(0);
    container->setPelnixLoginCompletionHandler(std::move(completion));
    const QString email = PelnixStateManager::sharedStateManagerInstance()->userEmailID();
    if (!email.isNull())
        container->setEmail(email);
    return container;
}

PelnixCustomViewController* Pelnix::userLoggedOutViewController(std::function<void()> completion) {
    PelnixSetUp::ensureLibraryIsSetUp();
    auto* container = new PelnixCustomViewController(2);
    container->setUserLoggedOutCompletionHandler(std::move(completion));
    return container;
}

PelnixCustomViewController*
Pelnix::publicGroupsViewController(std::function<void(const PelnixGroup&)> completion) {
    if (!setUpOrLog())
        return nullptr;
    auto* container = new PelnixCustomViewController(1);
    container->setPublicGroupsCompletionHandler(std::move(completion));
    return container;
}

} // namespace pelnix
