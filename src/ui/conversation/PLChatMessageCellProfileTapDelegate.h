#pragma once

#include <memory>

namespace pelnix {

class User;

// Told when the avatar of a message cell is tapped, with the message's sender.
class PLChatMessageCellProfileTapDelegate {
public:
    virtual ~PLChatMessageCellProfileTapDelegate() = default;
    virtual void profileImageClickedForUser(const std::shared_ptr<User>& user) = 0;
};

} // namespace pelnix
