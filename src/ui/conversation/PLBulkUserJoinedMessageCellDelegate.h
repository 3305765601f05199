#pragma once

namespace pelnix {

class PLBulkUserJoinedMessageCell;

// Told when the arrow of a "joined" event (or its text, when it lists names) is tapped.
class PLBulkUserJoinedMessageCellDelegate {
public:
    virtual ~PLBulkUserJoinedMessageCellDelegate() = default;
    virtual void arrowIndicatorButtonTappedFrom(PLBulkUserJoinedMessageCell* cell) = 0;
};

} // namespace pelnix
