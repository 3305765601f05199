#include "interface/PelnixGroupCreator.h"

#include "interface/PelnixGroupController.h"
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

} // namespace pelnix
