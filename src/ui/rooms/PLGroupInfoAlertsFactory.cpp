#include "ui/rooms/PLGroupInfoAlertsFactory.h"

#include "core/model/ChatRoom.h"
#include "platform/ui/AlertView.h"
#include "ui/rooms/RoomsTexts.h"

namespace pelnix {

using platform::ui::AlertView;

using RoomsTexts::localized;

std::shared_ptr<ChatRoom> PLGroupInfoAlertsFactory::chatRoom() const {
    return ChatRoom::chatRoomWithID(m_roomID);
}

void PLGroupInfoAlertsFactory::setChatRoom(const std::shared_ptr<ChatRoom>& room) {
    m_roomID = room ? room->roomId() : QString();
}

AlertView* PLGroupInfoAlertsFactory::alertViewForType(qint64 type) const {
    if (type == ClearConversation)
        return new AlertView(
            localized("Clear Conversation"),
            localized("Are you sure you want to clear all messages in this conversation from your device?"),
            {}, {localized("Yes"), localized("No")});
    if (type != LeaveOrClose)
        return nullptr;
    const auto room = chatRoom();
    // One-to-one first: the admin of a one-to-one room gets the one-to-one alert.
    if (room && room->isOneToOne())
        return new AlertView(localized("Delete and Leave"),
                             localized("Are you sure you want to delete conversation and leave?"), {},
                             {localized("Yes"), localized("No")});
    if (room && room->isCurrentUserAdmin())
        return new AlertView(
            localized("Leave and Delete"),
            localized("This will terminate the group permanently. All members will be removed and "
                      "all data will be deleted.") +
                QStringLiteral("\n\n") +
                localized(" *If you want this group to continue without you, you can transfer admin "
                          "rights and then perform this action"),
            {}, {localized("Delete"), localized("No")});
    return new AlertView(localized("Leave conversation"),
                         RoomsTexts::localizedFormat("Are you sure you want to leave %@?",
                                                     {room ? room->displayName() : QString()}),
                         {}, {localized("Yes"), localized("No")});
}

} // namespace pelnix
