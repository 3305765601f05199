#include "core/api/PLGeneralAPIService.h"
#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/FormJSON.h"
#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/RoomModelServices.h"
#include "core/model/User.h"
#include "foundation/SafeReaders.h"
#include "platform/MainThread.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace pelnix {

using K = platform::PredicateKey;

RoomMember::Ptr RoomMember::roomMemberWithRoom(const std::shared_ptr<ChatRoom>& room,
                                               const std::shared_ptr<User>& user) {
    if (!room || !user)
        return {};
    return PS_findFirstWithPredicate(K(QStringLiteral("room")) == room && K(QStringLiteral("user")) == user);
}

RoomMember::Ptr RoomMember::findOrCreate(const std::shared_ptr<ChatRoom>& room, const QVariant& userId) {
    auto user = ModelJSON::userOrNewUser(userId);
    auto member = roomMemberWithRoom(room, user);
    if (!member) {
        member = PS_createEntity();
        member->setUser(user);
        room->addMembersObject(member);
    }
    return member;
}

void RoomMember::updateWithDictionary(const QVariantMap& dictionary) {
    setStatus(ModelJSON::idText(dictionary.value(QStringLiteral("status"))));
    setJoined(qint64(SafeKVC::doubleForKey(dictionary, QStringLiteral("joined"))));
    setIsCreator(SafeKVC::intForKey(dictionary, QStringLiteral("isCreator")) != 0);
    QVariantMap userJSON =
        SafeKVC::valueForKey(dictionary, QStringLiteral("user"), SafeKVC::ValueClass::Dictionary).toMap();
    if (auto user = this->user(); user && !userJSON.isEmpty())
        user->updateWithDictionary(userJSON);
}

QString RoomMember::memberURL() const {
    auto room = this->room();
    auto user = this->user();
    QString members = room ? room->membersURL() : QString();
    if (members.isEmpty() || !user)
        return {};
    return members + QLatin1Char('/') + QString::number(user->userID());
}

void RoomMember::update() {
    const QString url = memberURL();
    if (url.isEmpty())
        return;
    const qint64 memberKey = primaryKey();
    // Requests live on the main thread; the reply is applied on the event queue.
    platform::runOnMain([url, memberKey] {
        auto* service = new PLGeneralAPIService();
        service->setCustomURL(url);
        bool started = service->startServiceWithCompletionHandler(
            [service, memberKey](const QByteArray& body, const PLOptionalError& error) {
                service->deleteLater();
                if (error || body.isEmpty())
                    return;
                QJsonDocument document = QJsonDocument::fromJson(body);
                QVariantMap reply = document.object().toVariantMap();
                if (reply.contains(QStringLiteral("error")))
                    return;
                RoomModelServices::shared().addToDataProcessingQueue([memberKey, reply] {
                    auto context = PLPersistence::PS_contextForCurrentThread();
                    auto member = cast(context ? context->existingObject(entityName(), memberKey) : nullptr);
                    if (!member || member->isDeleted())
                        return;
                    auto user = member->user();
                    if (!user)
                        return;
                    user->refreshObject();
                    user->updateWithDictionary(reply);
                    member->save();
                });
            });
        if (!started)
            service->deleteLater();
    });
}

} // namespace pelnix
