#include "ui/rooms/RoomsAnalytics.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/User.h"
#include "foundation/StringTinyURLValidation.h"
#include "interface/PLAnalyticsTrackingHelper.h"

namespace pelnix::RoomsAnalytics {

bool hasOwnPicture(const QString& url) {
    return !url.isEmpty() && TinyURLValidation::isValidTinyURL(url);
}

QVariantMap roomProperties(const std::shared_ptr<ChatRoom>& room) {
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    return {
        {QStringLiteral("Group"), room && !room->name().isNull() ? room->name() : QString(QLatin1String(""))},
        {QStringLiteral("RoomId"),
         room && !room->roomId().isNull() ? room->roomId() : QString(QLatin1String(""))},
        {QStringLiteral("NumbersOfMember"), room ? qint64(room->totalMembers()) : qint64(0)},
        {QStringLiteral("IsAdmin"), room && room->isCurrentUserAdmin()},
        {QStringLiteral("Has picture"), TinyURLValidation::isValidTinyURL(me ? me->imageUrl() : QString())}};
}

void trackRoomEvent(const QString& event, const std::shared_ptr<ChatRoom>& room, const QVariant& success,
                    const QVariantMap& extra) {
    QVariantMap properties = roomProperties(room);
    properties.insert(QStringLiteral("success"), success);
    properties.insert(extra);
    PLAnalyticsTrackingHelper::trackEvent(event, properties);
}

} // namespace pelnix::RoomsAnalytics
