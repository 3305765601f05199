#pragma once

namespace pelnix {

class PLNewlyAddedContactTableViewCell;

// The list of typed addresses removes the address whose row asks for it.
class PLNewlyAddedContactTableViewCellDelegate {
public:
    virtual ~PLNewlyAddedContactTableViewCellDelegate() = default;
    virtual void newlyAddedContactRemovedFromCell(PLNewlyAddedContactTableViewCell* cell) = 0;
};

} // namespace pelnix
