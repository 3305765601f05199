#pragma once

#include <QtGlobal>

namespace pelnix {

class PLChatRoomTableViewCell;

// What a room row reports: its swipe options opened (1) or closed (0), after the slide; an option
// chosen.
class PLChatRoomTableViewCellDelegate {
public:
    virtual ~PLChatRoomTableViewCellDelegate() = default;
    virtual void cellDidUpdateToState(PLChatRoomTableViewCell* cell, qint64 state) = 0;
    virtual void cellDidSelectChatRoomOption(PLChatRoomTableViewCell* cell, qint64 option) = 0;
};

} // namespace pelnix
