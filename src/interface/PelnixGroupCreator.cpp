#include "interface/PelnixGroupCreator.h"

#include "core/model/ChatRoom.h"
#include "interface/PelnixGroupController.h"
#include "interface/PelnixRoomContacts.h"
#include "interface/PelnixSetUp.h"

namespace pelnix {

bool PelnixGroupCreator::checkIfThereisErrorInGroupCreation(PLOptionalError* error) const {
    auto refuse = [error](qint64 code, const char* text) {
        if (error)
            *error = PelnixSetUp::error(code, text);
        return true;
    };
    if (!PelnixSetUp::isInitialSetUpDone())
        return refuse(NotInitialized, "InitWithCompletionHandler method is not called");
    if (m_groupName.isEmpty())
        return refuse(NameNotSet, "GroupName is not set");
    if (m_groupName.size() > kMaxNameLength)
        return refuse(NameTooLong, "GroupName length exceeds max 20 characters");
    if (m_groupMembers.isEmpty())
        return refuse(MembersNotSet, "Group members not set");
    if (!PelnixGroupController::isContactList(m_groupMembers))
        return refuse(InvalidMembers, "Invalid group members");
    return false;
}

void PelnixGroupCreator::createGroupWithCompletionHandler(PLGroupCreationHandler completion) {
    auto refuse = [&completion](const PLError& error) {
        if (completion)
            completion(false, error, {}, std::nullopt);
    };
    PLOptionalError error;
    if (checkIfThereisErrorInGroupCreation(&error))
        return refuse(*error);
    if (const auto offline = PelnixGroupController::networkError())
        return refuse(*offline);
    createChatRoomWithCompletionHandler(std::move(completion));
}

void PelnixGroupCreator::createChatRoomWithCompletionHandler(PLGroupCreationHandler completion) {
    const bool started = ChatRoom::createRoomWithName(
        m_groupName, QStringLiteral(""), roomContactsFromMembers(m_groupMembers), {}, {}, m_isAdminOnly,
        m_shouldHideMemberProfiles,
        [completion](bool success, const PLOptionalError& error, const QString& message,
                     const std::shared_ptr<ChatRoom>& room) {
            if (!completion)
                return;
            if (success && room)
                completion(true, std::nullopt, {}, PelnixGroup{room->displayName(), room->roomId(), 0});
            else
                completion(false, error, message, std::nullopt);
        });
    // The request could not leave: the host hears so instead of waiting for ever.
    if (!started && completion)
        completion(false, PelnixGroupController::noNetworkError(), {}, std::nullopt);
}

} // namespace pelnix
