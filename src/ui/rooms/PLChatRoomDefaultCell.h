#pragma once

#include "platform/ui/TableViewCell.h"

namespace pelnix {

// The one row of an empty rooms list: a quiet hint that there is no conversation yet. Not selectable.
class PLChatRoomDefaultCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    static constexpr char kReuseIdentifier[] = "PLChatRoomDefaultCell";
    explicit PLChatRoomDefaultCell(QWidget* parent = nullptr);
};

} // namespace pelnix
