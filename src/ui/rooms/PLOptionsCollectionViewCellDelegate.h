#pragma once

namespace pelnix {

class PLOptionsCollectionViewCell;

// Told when the button of an option item is tapped.
class PLOptionsCollectionViewCellDelegate {
public:
    virtual ~PLOptionsCollectionViewCellDelegate() = default;
    virtual void optionsCollectionViewCellDidTapOnOption(PLOptionsCollectionViewCell* cell) = 0;
};

} // namespace pelnix
