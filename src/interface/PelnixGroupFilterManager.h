#pragma once

#include <QList>
#include <memory>

namespace pelnix {

class ChatRoom;

inline constexpr char PLChatRoomGroupFilteringCriterionChangedNotification[] =
    "ChatRoomGroupFilteringCriterionChangedNotification";

// Which rooms the rooms list shows: with a non-empty list, only those (including) or all but those
// (excluding). Lives for the process; a session reset keeps it.
class PelnixGroupFilterManager {
public:
    static PelnixGroupFilterManager* groupFilterManager();

    // Replaces the filter wholly, then tells the rooms list.
    void pelnixFilterWithChatRooms(const QList<std::shared_ptr<ChatRoom>>& rooms, bool shouldBeExclusive);
    // The filtered rooms as stored now (rooms deleted since are left out).
    QList<std::shared_ptr<ChatRoom>> chatRoomsToFilter() const;
    bool isExcluding() const;
};

} // namespace pelnix
