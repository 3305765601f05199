#pragma once

#include "interface/Pelnix.h"

#include <QVariantList>

namespace pelnix {

// (success, error, message, the new group).
using PLGroupCreationHandler =
    std::function<void(bool success, const PLOptionalError& error, const QString& message,
                       const std::optional<PelnixGroup>& group)>;

// Creates a group without a screen: set the name (at most 20 characters), the first members
// (PLPelnixContact values in QVariants) and the two options, then create. The settings stay, so a
// second call creates a second group.
class PelnixGroupCreator {
public:
    enum ErrorCode : qint64 {
        NameNotSet = -1000,
        NameTooLong = -1001,
        MembersNotSet = -1002,
        InvalidMembers = -1003,
        NotInitialized = -1009,
        NoNetwork = -1010,
    };
    static constexpr int kMaxNameLength = 20;

    QString groupName() const { return m_groupName; }
    void setGroupName(const QString& name) { m_groupName = name; }
    QVariantList groupMembers() const { return m_groupMembers; }
    void setGroupMembers(const QVariantList& members) { m_groupMembers = members; }
    bool isAdminOnly() const { return m_isAdminOnly; }
    void setAdminOnly(bool adminOnly) { m_isAdminOnly = adminOnly; }
    void setIsAdminOnly(bool adminOnly) { m_isAdminOnly = adminOnly; }
    bool shouldHideMemberProfiles() const { return m_shouldHideMemberProfiles; }
    void setShouldHideMemberProfiles(bool hide) { m_shouldHideMemberProfiles = hide; }

    // Checks the settings and the network, then creates the room; refusals come at once.
    void createGroupWithCompletionHandler(PLGroupCreationHandler completion);
    void createChatRoomWithCompletionHandler(PLGroupCreationHandler completion);
    // True when the settings are not usable (the reason written through `error`).
    bool checkIfThereisErrorInGroupCreation(PLOptionalError* error) const;

private:
    QString m_groupName;
    QVariantList m_groupMembers;
    bool m_isAdminOnly = false;
    bool m_shouldHideMemberProfiles = false;
};

} // namespace pelnix
