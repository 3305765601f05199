#pragma once

namespace pelnix {

class PLContactsTableViewCell;

// What a people row asks of the list that shows it. Optional: a list that does not take the request
// leaves the row as it is.
class PLContactsTableViewCellDelegate {
public:
    virtual ~PLContactsTableViewCellDelegate() = default;
    // The row's remove button was tapped, or a removal it asked to confirm was confirmed.
    virtual void removeMemberFromContactCell(PLContactsTableViewCell* cell) { (void)cell; }
};

} // namespace pelnix
