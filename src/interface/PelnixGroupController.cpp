#include "interface/PelnixGroupController.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/DocumentSaver.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/StringAdditions.h"
#include "interface/PelnixErrorHandlingHelper.h"
#include "interface/PelnixSetUp.h"
#include "platform/Log.h"

#include <algorithm>

namespace pelnix {

namespace {

void setError(PLOptionalError* out, const PLError& error) {
    if (out)
        *out = error;
}

} // namespace

PLError PelnixGroupController::error(qint64 code, const char* text) {
    return PelnixSetUp::error(code, text);
}

PLError PelnixGroupController::noNetworkError() {
    // This text goes out as it stands, untranslated.
    return PelnixErrorHandlingHelper::errorWithCode(NoNetwork,
                                                    QStringLiteral("Please check your network connection"));
}

PLOptionalError PelnixGroupController::networkError() {
    if (PLReachabilityResponder::sharedInstance()->isNetworkReachable(false))
        return std::nullopt;
    return noNetworkError();
}

std::shared_ptr<ChatRoom> PelnixGroupController::roomOfMember(const std::optional<PelnixGroup>& group,
                                                              PLOptionalError* out) {
    auto room = isPelnixIsInitialisedAndGroupIsValid(group, out);
    if (room && !isUserWithID(CurrentUserInfo::currentUserID(), room)) {
        setError(out, error(NotAllowed, "You are not a member of the group"));
        return nullptr;
    }
    return room;
}

std::shared_ptr<ChatRoom> PelnixGroupController::roomOfVisibleMembers(const std::optional<PelnixGroup>& group,
                                                                      PLOptionalError* out) {
    auto room = roomOfMember(group, out);
    if (room && room->hideMemberProfile()) {
        setError(out, error(NotAllowed, "Admin has hidden member info."));
        return nullptr;
    }
    return room;
}

std::shared_ptr<ChatRoom>
PelnixGroupController::isPelnixIsInitialisedAndGroupIsValid(const std::optional<PelnixGroup>& group,
                                                            PLOptionalError* out) {
    if (!PelnixSetUp::isInitialSetUpDone()) {
        setError(out, error(NotInitialized, "InitWithCompletionHandler method is not called"));
        return nullptr;
    }
    auto room = group ? ChatRoom::chatRoomWithID(group->groupID) : nullptr;
    if (!room)
        setError(out, error(InvalidGroup, "Invalid PelnixGroup."));
    return room;
}

bool PelnixGroupController::isUserWithID(qint32 userID, const std::shared_ptr<ChatRoom>& room) {
    if (!room)
        return false;
    const auto members = room->members();
    return std::any_of(members.begin(), members.end(), [userID](const auto& member) {
        return member && member->user() && member->user()->userID() == userID;
    });
}

std::shared_ptr<RoomMember>
PelnixGroupController::roomMemberFromGroupMember(const PelnixGroupMember& member,
                                                 const std::shared_ptr<ChatRoom>& room) {
    const auto user = User::userWithID(member.memberID);
    return user ? RoomMember::roomMemberWithRoom(room, user) : nullptr;
}

QVariantList PelnixGroupController::getSegregatedMembersToBeAdded(const QVariantList& members) {
    QVariantList out;
    for (const QVariant& element : members) {
        const bool isContact = element.metaType() == QMetaType::fromType<PLPelnixContact>();
        const auto contact = isContact ? element.value<PLPelnixContact>() : PLPelnixContact();
        if (!contact.email.isEmpty() && !contact.phone.isEmpty()) {
            out.append(QVariant::fromValue(PLPelnixContact{contact.profileName, contact.email, {}}));
            out.append(QVariant::fromValue(PLPelnixContact{contact.profileName, {}, contact.phone}));
        } else {
            out.append(element);
        }
    }
    return out;
}

bool PelnixGroupController::isContactList(const QVariantList& members) {
    return std::all_of(members.begin(), members.end(), [](const QVariant& element) {
        return element.metaType() == QMetaType::fromType<PLPelnixContact>();
    });
}

bool PelnixGroupController::checkIfThereIsErrorInMembersAddition(const QVariantList& members,
                                                                 const std::optional<PelnixGroup>& group,
                                                                 PLOptionalError* out) {
    const auto room = isPelnixIsInitialisedAndGroupIsValid(group, out);
    if (!room)
        return true;
    if (!room->isCurrentUserAdmin()) {
        setError(out, error(NotAdmin, "Only group admin can add members to a group"));
        return true;
    }
    if (members.isEmpty()) {
        setError(out, error(MembersNotSet, "Members to be added not set"));
        return true;
    }
    if (!isContactList(members)) {
        setError(out, error(InvalidMembers, "Invalid group members"));
        return true;
    }
    return false;
}

bool PelnixGroupController::isValidMessage(const QVariant& message) {
    return message.typeId() == QMetaType::QString &&
           !StringAdditions::stringByTrimmingWhiteSpacesAndNewLines(message.toString()).isEmpty();
}

void PelnixGroupController::deleteLocalChatDirectoryForRoom(const std::shared_ptr<ChatRoom>& room) {
    if (room && !DocumentSaver::removeChatDirectoryWithName(room->roomId()) &&
        PelnixStateManager::sharedStateManagerInstance()->loggingEnabled())
        platform::Log::write(QStringLiteral("Couldn't delete media directory"));
}

std::optional<QList<PelnixGroupMember>>
PelnixGroupController::getActiveMembersOfGroup(const std::optional<PelnixGroup>& group,
                                               PLOptionalError* out) {
    const auto room = roomOfVisibleMembers(group, out);
    if (!room)
        return std::nullopt;
    auto members = room->members();
    auto name = [](const std::shared_ptr<RoomMember>& m) {
        return m && m->user() ? m->user()->profileName() : QString();
    };
    std::stable_sort(members.begin(), members.end(), [&name](const auto& a, const auto& b) {
        return name(a).compare(name(b), Qt::CaseInsensitive) < 0;
    });
    return PelnixGroupMember::getPelnixGroupMembersFromRoomMembersForRoom(*room, members);
}

std::optional<PelnixGroupMember>
PelnixGroupController::getAdminOfGroup(const std::optional<PelnixGroup>& group, PLOptionalError* out) {
    const auto room = roomOfMember(group, out);
    if (!room)
        return std::nullopt;
    const auto admin = room->adminMember();
    if (!admin || !admin->user())
        return std::nullopt;
    return PelnixGroupMember::memberWithID(QString::number(admin->user()->userID()), room->roomId());
}

} // namespace pelnix
