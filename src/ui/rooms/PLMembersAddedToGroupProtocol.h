#pragma once

namespace pelnix {

// What the two member lists ask of the members screen that holds them.
class PLMembersAddedToGroupProtocol {
public:
    virtual ~PLMembersAddedToGroupProtocol() = default;
    // A list changed its tab title: the tab strip shows it again.
    virtual void memberCountChanged() = 0;
    // The height the add-members bar covers at the foot of the lists.
    virtual double bottomActionBarHeight() = 0;
};

} // namespace pelnix
