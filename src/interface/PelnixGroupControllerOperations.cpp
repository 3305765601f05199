// The group controller's server operations: each runs the checks in its order, then hands the room
// operation's answer back unchanged.
#include "interface/PelnixGroupController.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "interface/PelnixRoomContacts.h"

namespace pelnix {

namespace {

void refuse(const PLResultHandler& completion, const PLError& error) {
    if (completion)
        completion(false, error, {});
}

// A room operation that could not start its request never answers: the host hears of it here.
void forward(bool started, const PLResultHandler& completion) {
    if (!started)
        refuse(completion, PelnixGroupController::noNetworkError());
}

PLResultHandler passOn(const PLResultHandler& completion) {
    return [completion](bool success, const PLOptionalError& error, const QString& message) {
        if (completion)
            completion(success, error, message);
    };
}

PLRoomResultHandler passOnRoomResult(const PLResultHandler& completion) {
    return [completion](bool success, const PLOptionalError& error, const QString& message,
                        const std::shared_ptr<ChatRoom>&) {
        if (completion)
            completion(success, error, message);
    };
}

// The group check, then admin rights; null after refusing.
std::shared_ptr<ChatRoom> roomOfAdmin(const std::optional<PelnixGroup>& group, const char* notAdminText,
                                      const PLResultHandler& completion) {
    PLOptionalError error;
    auto room = PelnixGroupController::isPelnixIsInitialisedAndGroupIsValid(group, &error);
    if (room && !room->isCurrentUserAdmin()) {
        error = PelnixGroupController::error(PelnixGroupController::NotAdmin, notAdminText);
        room = nullptr;
    }
    if (!room)
        refuse(completion, *error);
    return room;
}

bool refusedOffline(const PLResultHandler& completion) {
    const PLOptionalError offline = PelnixGroupController::networkError();
    if (offline)
        refuse(completion, *offline);
    return offline.has_value();
}

} // namespace

QList<PLRoomContact> roomContactsFromMembers(const QVariantList& members) {
    QList<PLRoomContact> contacts;
    for (const QVariant& element : PelnixGroupController::getSegregatedMembersToBeAdded(members)) {
        const auto contact = element.value<PLPelnixContact>();
        PLAddressBookContact entry{contact.profileName, contact.email, {}, 0};
        if (contact.email.isEmpty())
            entry.phone = contact.phone.isNull() ? QString(QLatin1String("")) : contact.phone;
        contacts.append(entry);
    }
    return contacts;
}

void PelnixGroupController::addMembers(const QVariantList& members, const std::optional<PelnixGroup>& group,
                                       PLResultHandler completion) {
    PLOptionalError error;
    if (checkIfThereIsErrorInMembersAddition(members, group, &error))
        return refuse(completion, *error);
    if (refusedOffline(completion))
        return;
    const auto room = ChatRoom::chatRoomWithID(group->groupID);
    forward(room->addContacts(roomContactsFromMembers(members), passOn(completion)), completion);
}

void PelnixGroupController::exitGroup(const std::optional<PelnixGroup>& group, PLResultHandler completion) {
    PLOptionalError error;
    const auto room = isPelnixIsInitialisedAndGroupIsValid(group, &error);
    if (!room)
        return refuse(completion, *error);
    if (refusedOffline(completion))
        return;
    // The media folder goes once the server has let the user go: a refusal keeps the room's media.
    auto afterServer = [completion, room](bool success, const PLOptionalError& error,
                                          const QString& message) {
        if (success)
            deleteLocalChatDirectoryForRoom(room);
        if (completion)
            completion(success, error, message);
    };
    const bool close = room->isCurrentUserAdmin() && !room->isOneToOne();
    forward(close ? room->closeGroupWithCompletionHandler(afterServer)
                  : room->leaveGroupWithCompletionHandler(afterServer),
            completion);
}

void PelnixGroupController::getPendingMembersOfGroup(const std::optional<PelnixGroup>& group,
                                                     PLPendingMembersHandler completion) {
    auto refusePending = [&completion](const PLError& error) {
        if (completion)
            completion(false, error, {}, {});
    };
    PLOptionalError error;
    const auto room = roomOfVisibleMembers(group, &error);
    if (!room)
        return refusePending(*error);
    if (const auto offline = networkError())
        return refusePending(*offline);
    const bool started = ChatRoom::pendingMembersForRoom(
        room->roomId(), [completion](bool success, const PLOptionalError& error, const QString& message,
                                     const QVariantList& items) {
            if (completion)
                completion(success, error, message,
                           PelnixGroupPendingMember::getPelnixGroupPendingMembersFrom(items));
        });
    if (!started)
        refusePending(noNetworkError());
}

void PelnixGroupController::removeActiveMember(const PelnixGroupMember& member,
                                               const std::optional<PelnixGroup>& group,
                                               PLResultHandler completion) {
    const auto room = roomOfAdmin(group, "Only group admin can remove members from a group", completion);
    if (!room)
        return;
    const auto roomMember = roomMemberFromGroupMember(member, room);
    if (!roomMember)
        return refuse(completion, error(InvalidMember, "Invalid group member"));
    if (refusedOffline(completion))
        return;
    forward(room->removeMember(roomMember, passOn(completion)), completion);
}

void PelnixGroupController::removePendingMember(const PelnixGroupPendingMember& member,
                                                const std::optional<PelnixGroup>& group,
                                                PLResultHandler completion) {
    const auto room = roomOfAdmin(group, "Only group admin can remove members from a group", completion);
    if (!room)
        return;
    if (member.pendingMemberID.isNull())
        return refuse(completion, error(InvalidMember, "Invalid pending member"));
    if (refusedOffline(completion))
        return;
    forward(ChatRoom::removePendingMemberForRoom(room->roomId(), member.pendingMemberID, passOn(completion)),
            completion);
}

void PelnixGroupController::changeAdminOfGroup(const std::optional<PelnixGroup>& group,
                                               const PelnixGroupMember& member, PLResultHandler completion) {
    const auto room = roomOfAdmin(group, "Only group admin can change the admin of the group", completion);
    if (!room)
        return;
    const auto roomMember = roomMemberFromGroupMember(member, room);
    if (!roomMember)
        return refuse(completion, error(InvalidMember, "Invalid group member"));
    changeAdminOfRoom(room, roomMember, std::move(completion));
}

void PelnixGroupController::changeAdminOfRoom(const std::shared_ptr<ChatRoom>& room,
                                              const std::shared_ptr<RoomMember>& member,
                                              PLResultHandler completion) {
    const auto user = member ? member->user() : nullptr;
    if (!room || !user || !isUserWithID(user->userID(), room))
        return refuse(completion, error(InvalidMember, "Invalid group member"));
    if (refusedOffline(completion))
        return;
    forward(room->changeAdmin(member, passOn(completion)), completion);
}

void PelnixGroupController::setAdminOnlyOption(bool value, const std::optional<PelnixGroup>& group,
                                               PLResultHandler completion) {
    updatePelnixGroup(group, AdminOnlyOption, value, {}, std::move(completion));
}

void PelnixGroupController::setMemberProfileHiddenOption(bool value, const std::optional<PelnixGroup>& group,
                                                         PLResultHandler completion) {
    updatePelnixGroup(group, HideMemberProfileOption, value, {}, std::move(completion));
}

void PelnixGroupController::changeNameOfGroup(const std::optional<PelnixGroup>& group, const QString& name,
                                              PLResultHandler completion) {
    updatePelnixGroup(group, NameOption, false, name, std::move(completion));
}

void PelnixGroupController::updatePelnixGroup(const std::optional<PelnixGroup>& group, qint64 optionType,
                                              bool value, const QString& groupName,
                                              PLResultHandler completion) {
    const auto room = roomOfAdmin(group, "Only group admin can perform this operation", completion);
    if (!room || refusedOffline(completion))
        return;
    bool adminOnly = room->adminOnly();
    bool hideMemberProfile = room->hideMemberProfile();
    QString name = room->name();
    if (optionType == AdminOnlyOption)
        adminOnly = value;
    else if (optionType == HideMemberProfileOption)
        hideMemberProfile = value;
    else if (optionType == NameOption)
        name = groupName;
    forward(
        room->updateRoomWithName(name, {}, {}, adminOnly, hideMemberProfile, passOnRoomResult(completion)),
        completion);
}

bool PelnixGroupController::clearMessagesFromGroup(const std::optional<PelnixGroup>& group,
                                                   PLOptionalError* out) {
    const auto room = isPelnixIsInitialisedAndGroupIsValid(group, out);
    if (!room)
        return false;
    deleteLocalChatDirectoryForRoom(room);
    room->clearMessages();
    return true;
}

bool PelnixGroupController::postMesage(const QVariant& message, const std::optional<PelnixGroup>& group,
                                       PLOptionalError* out) {
    const auto room = roomOfMember(group, out);
    if (!room)
        return false;
    auto fail = [out](const PLError& error) {
        if (out)
            *out = error;
        return false;
    };
    if (room->adminOnly() && !room->isCurrentUserAdmin())
        return fail(error(NotAllowed, "Only admin can post message to this group."));
    if (!isValidMessage(message))
        return fail(error(InvalidMessage, "Invalid message"));
    if (const auto offline = networkError())
        return fail(*offline);
    return room->postTextMessage(message.toString()) != nullptr;
}

} // namespace pelnix
