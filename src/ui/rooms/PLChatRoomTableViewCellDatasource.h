#pragma once

#include <QtGlobal>
#include <memory>

namespace pelnix {

class ChatRoom;

// Which swipe options a room row offers: how many, and the option type at each index (0 none,
// 1 leave or close, 2 clear, 3 add members, 4 favourite, 5 mute).
class PLChatRoomTableViewCellDatasource {
public:
    virtual ~PLChatRoomTableViewCellDatasource() = default;
    virtual qint64 numberOfOptionsForChatRoom(const std::shared_ptr<ChatRoom>& room) = 0;
    virtual qint64 chatRoomTypeAtIndex(qint64 index, const std::shared_ptr<ChatRoom>& room) = 0;
};

} // namespace pelnix
