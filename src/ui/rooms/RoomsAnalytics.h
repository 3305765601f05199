#pragma once

#include <QString>
#include <QVariantMap>
#include <memory>

namespace pelnix {

class ChatRoom;

namespace RoomsAnalytics {

// Whether a picture address names a picture of the person's own: present and not one of the
// service's default pictures.
bool hasOwnPicture(const QString& url);
// The properties every room event carries: "Group" and "RoomId" ("" when missing), "NumbersOfMember",
// "IsAdmin" and "Has picture" (the signed-in user has a picture of his own).
QVariantMap roomProperties(const std::shared_ptr<ChatRoom>& room);
// The room's properties with "success" and any `extra` ones, sent as `event`.
void trackRoomEvent(const QString& event, const std::shared_ptr<ChatRoom>& room, const QVariant& success,
                    const QVariantMap& extra = {});

} // namespace RoomsAnalytics
} // namespace pelnix
