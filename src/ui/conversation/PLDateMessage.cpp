#include "ui/conversation/PLDateMessage.h"

#include "ui/conversation/PLDateMessageCell.h"

namespace pelnix {

qint16 PLDateMessage::displayCellHeight() const {
    return qint16(PLDateMessageCell::cellHeight());
}

} // namespace pelnix
