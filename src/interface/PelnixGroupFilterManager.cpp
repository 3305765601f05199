#include "interface/PelnixGroupFilterManager.h"

#include "core/model/ChatRoom.h"
#include "core/model/RoomModelServices.h"
#include "platform/NotificationCenter.h"

namespace pelnix {

// The filter itself lives in the model (room queries read it on the event queue too); this object
// is the host-facing handle on it.
Q_GLOBAL_STATIC(PelnixGroupFilterManager, g_filterManager)

PelnixGroupFilterManager* PelnixGroupFilterManager::groupFilterManager() {
    return g_filterManager;
}

void PelnixGroupFilterManager::pelnixFilterWithChatRooms(const QList<std::shared_ptr<ChatRoom>>& rooms,
                                                         bool shouldBeExclusive) {
    QStringList ids;
    for (const auto& room : rooms)
        if (room)
            ids.append(room->roomId());
    PelnixGroupFilter::setChatRoomsToFilter(ids, shouldBeExclusive);
    platform::NotificationCenter::defaultCenter()->post(
        QString::fromLatin1(PLChatRoomGroupFilteringCriterionChangedNotification));
}

QList<std::shared_ptr<ChatRoom>> PelnixGroupFilterManager::chatRoomsToFilter() const {
    QList<std::shared_ptr<ChatRoom>> rooms;
    for (const QString& id : PelnixGroupFilter::chatRoomsToFilter())
        if (auto room = ChatRoom::chatRoomWithID(id))
            rooms.append(room);
    return rooms;
}

bool PelnixGroupFilterManager::isExcluding() const {
    return PelnixGroupFilter::isExcluding();
}

} // namespace pelnix
