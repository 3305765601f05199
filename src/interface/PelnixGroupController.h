#pragma once

#include "interface/Pelnix.h"
#include "interface/PelnixGroupMember.h"
#include "interface/PelnixGroupPendingMember.h"

#include <QVariantList>

namespace pelnix {

class ChatRoom;
class RoomMember;

// (success, error, message, the invited people who have not joined).
using PLPendingMembersHandler =
    std::function<void(bool success, const PLOptionalError& error, const QString& message,
                       const QList<PelnixGroupPendingMember>& pendingMembers)>;

// Administers and uses one group without a screen. Every operation checks the session, the group,
// the caller's role and the network in a fixed order and refuses at once (before returning) with the
// first failure; otherwise it hands the room operation's answer back unchanged. Main thread.
//
// Groups are taken as optional values: none stands for no group. Members to add are PLPelnixContact
// values in QVariants, so that anything else in the list can be refused.
class PelnixGroupController {
public:
    PelnixGroupController() = delete;

    enum ErrorCode : qint64 {
        MembersNotSet = -1002,
        InvalidMembers = -1003,
        InvalidGroup = -1004,
        NotAdmin = -1005,
        NotAllowed = -1006,
        InvalidMember = -1007,
        InvalidMessage = -1008,
        NotInitialized = -1009,
        NoNetwork = -1010,
    };

    enum OptionType : qint64 { AdminOnlyOption = 0, HideMemberProfileOption = 1, NameOption = 2 };

    static void addMembers(const QVariantList& members, const std::optional<PelnixGroup>& group,
                           PLResultHandler completion);
    // Closes the group (its admin, not one-to-one) or leaves it; the group's media folder is deleted
    // once the server has accepted.
    static void exitGroup(const std::optional<PelnixGroup>& group, PLResultHandler completion);
    static void getPendingMembersOfGroup(const std::optional<PelnixGroup>& group,
                                         PLPendingMembersHandler completion);
    static void removeActiveMember(const PelnixGroupMember& member, const std::optional<PelnixGroup>& group,
                                   PLResultHandler completion);
    static void removePendingMember(const PelnixGroupPendingMember& member,
                                    const std::optional<PelnixGroup>& group, PLResultHandler completion);
    static void changeAdminOfGroup(const std::optional<PelnixGroup>& group, const PelnixGroupMember& member,
                                   PLResultHandler completion);
    static void changeAdminOfRoom(const std::shared_ptr<ChatRoom>& room,
                                  const std::shared_ptr<RoomMember>& member, PLResultHandler completion);
    static void setAdminOnlyOption(bool value, const std::optional<PelnixGroup>& group,
                                   PLResultHandler completion);
    static void setMemberProfileHiddenOption(bool value, const std::optional<PelnixGroup>& group,
                                             PLResultHandler completion);
    static void changeNameOfGroup(const std::optional<PelnixGroup>& group, const QString& name,
                                  PLResultHandler completion);
    // The room's current name and options with the one of `optionType` replaced (any other type
    // replaces nothing).
    static void updatePelnixGroup(const std::optional<PelnixGroup>& group, qint64 optionType, bool value,
                                  const QString& groupName, PLResultHandler completion);
    // Deletes the group's media folder and its messages here; nothing goes to the server.
    static bool clearMessagesFromGroup(const std::optional<PelnixGroup>& group,
                                       PLOptionalError* error = nullptr);
    // Queues a text for the group's outbox, blanks and all; true once it is queued.
    static bool postMesage(const QVariant& message, const std::optional<PelnixGroup>& group,
                           PLOptionalError* error = nullptr);

    static std::optional<QList<PelnixGroupMember>>
    getActiveMembersOfGroup(const std::optional<PelnixGroup>& group, PLOptionalError* error = nullptr);
    static std::optional<PelnixGroupMember> getAdminOfGroup(const std::optional<PelnixGroup>& group,
                                                            PLOptionalError* error = nullptr);

    // ---- The shared steps
    // The room of a valid group of a set-up session; null with -1009 or -1004.
    static std::shared_ptr<ChatRoom>
    isPelnixIsInitialisedAndGroupIsValid(const std::optional<PelnixGroup>& group, PLOptionalError* error);
    static bool isUserWithID(qint32 userID, const std::shared_ptr<ChatRoom>& room);
    static std::shared_ptr<RoomMember> roomMemberFromGroupMember(const PelnixGroupMember& member,
                                                                 const std::shared_ptr<ChatRoom>& room);
    // A contact with both an e-mail and a phone is invited twice: by e-mail, then by phone.
    static QVariantList getSegregatedMembersToBeAdded(const QVariantList& members);
    // Non-empty lists only: every element is a PLPelnixContact.
    static bool isContactList(const QVariantList& members);
    // True when there is an error (written through `error`).
    static bool checkIfThereIsErrorInMembersAddition(const QVariantList& members,
                                                     const std::optional<PelnixGroup>& group,
                                                     PLOptionalError* error);
    // A text that is not blank.
    static bool isValidMessage(const QVariant& message);
    static void deleteLocalChatDirectoryForRoom(const std::shared_ptr<ChatRoom>& room);
    // The group check, then the current user's membership (-1006).
    static std::shared_ptr<ChatRoom> roomOfMember(const std::optional<PelnixGroup>& group,
                                                  PLOptionalError* error);
    // Also refused (-1006) when the admin hides the members' profiles, from the admin too.
    static std::shared_ptr<ChatRoom> roomOfVisibleMembers(const std::optional<PelnixGroup>& group,
                                                          PLOptionalError* error);
    // -1010 when the network is not reachable.
    static PLOptionalError networkError();
    static PLError noNetworkError();
    static PLError error(qint64 code, const char* text);
};

} // namespace pelnix
