#include "core/model/PLPublicRoom.h"

#include "core/api/PLAppConfigurations.h"
#include "core/api/PLGeneralAPIService.h"
#include "core/api/RoomAPIServices.h"
#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/SafeReaders.h"
#include "platform/MainThread.h"

#include <QJsonDocument>

namespace pelnix {

namespace {

inline constexpr char kJoinFailed[] = "Failed to fetch Room info.";

// Starts a request owned by its own completion; false when it did not start.
bool start(PLAPIService* service, const PLServiceCompletionHandler& completion) {
    bool started = service->startServiceWithCompletionHandler(
        [service, completion](const QByteArray& body, const PLOptionalError& error) {
            service->deleteLater();
            completion(body, error);
        });
    if (!started)
        service->deleteLater();
    return started;
}

} // namespace

QString PLPublicRoom::roomURL() const {
    QString url = m_membersUrl;
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    qsizetype slash = url.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : url.left(slash);
}

bool PLPublicRoom::getPublicRoomsWithCompletionHandler(PLPublicRoomListHandler completion) {
    Q_ASSERT(platform::isMainThread());
    auto* service = new PLGeneralAPIService();
    auto* config = PLAppConfigurations::currentConfiguration();
    service->setCustomURL(config ? config->publicRoomsURL() : QString());
    return start(service, [completion](const QByteArray& body, const PLOptionalError& error) {
        auto finish = [&](bool success, const PLOptionalError& e, const QString& message,
                          const QList<std::shared_ptr<PLPublicRoom>>& rooms) {
            if (completion)
                completion(success, e, message, rooms);
        };
        QJsonParseError parse;
        QVariant reply = QJsonDocument::fromJson(body, &parse).toVariant();
        if (error || body.isEmpty() || parse.error != QJsonParseError::NoError)
            return finish(false, error, {}, {});
        if (reply.typeId() == QMetaType::QVariantMap) {
            // A refusal carries its reason; any other object holds no rooms and is no list either.
            QVariantMap object = reply.toMap();
            return finish(false, std::nullopt,
                          object.contains(QStringLiteral("error"))
                              ? SafeKVC::stringForKey(object, QStringLiteral("reason"))
                              : QString(),
                          {});
        }
        auto rooms = instancesWithArray(reply.toList());
        for (const auto& room : rooms) {
            auto local = ChatRoom::chatRoomWithID(room->roomId());
            if (!local)
                continue;
            local->refreshObject();
            if (local->status() == 0)
                room->setIsuserJoined(true);
        }
        finish(true, std::nullopt, {}, rooms);
    });
}

bool PLPublicRoom::joinGroupWithCompletionHandler(PLResultHandler completion) {
    Q_ASSERT(platform::isMainThread());
    const qint32 me = RoomModelServices::shared().currentUserID();
    if (me == 0 || m_isuserJoined)
        return false;
    auto* service = new PLInviteMembersToRoomAPIService();
    service->setCustomURL(m_membersUrl);
    service->setMemberIDs({QString::number(me)});
    const QString roomURL = this->roomURL();
    return start(service, [completion, roomURL](const QByteArray& body, const PLOptionalError& error) {
        QVariantList reply = QJsonDocument::fromJson(body).toVariant().toList();
        bool invited = !error && !reply.isEmpty() &&
                       SafeKVC::stringForKey(reply.first().toMap(), QStringLiteral("status")) ==
                           QLatin1String("invited");
        if (invited && RoomModelServices::shared().fetchRoom(roomURL, completion))
            return;
        if (completion)
            completion(false, std::nullopt, QLatin1String(kJoinFailed));
    });
}

} // namespace pelnix
