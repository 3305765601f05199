#pragma once

#include <QString>
#include <memory>

namespace pelnix {

class RoomMember;

// What a member row asks of its list. Every call is optional.
class PLMembersCellDelegate {
public:
    virtual ~PLMembersCellDelegate() = default;
    // The invitation button of an invitee's row; `name` is the row's text (the number invited).
    virtual void invitePendingMemberViaSms(const QString& name) { (void)name; }
    // Removal of an invitee's row was confirmed.
    virtual void removePendingMember(const QString& name) { (void)name; }
    // Removal of a member's row was confirmed.
    virtual void removeMember(const std::shared_ptr<RoomMember>& member) { (void)member; }
};

} // namespace pelnix
