#pragma once

// The world of the outbox and room-operation tests: the stand-in with the fixture's user and a
// second member, the store with the signed-in account, and the model manager with its posting
// services installed.

#include "CoreFixture.h"
#include "RoomModelTestKit.h"
#include "core/api/PLAppConfigurations.h"
#include "core/model/PLModelManager.h"

#include <QJsonArray>

namespace pelnix::test {

class OutboxTestWorld {
public:
    // The rooms exist on the stand-in, and locally too unless `localRooms` is false.
    explicit OutboxTestWorld(const QStringList& roomIds, bool localRooms = true) {
        // The manager first: making it installs the model layer's credentials, which the fixture
        // then replaces with its own user's.
        PLModelManager::sharedModelManager();
        fixture = std::make_unique<CoreFixture>();
        QJsonArray rooms;
        for (const QString& id : roomIds)
            rooms.append(QJsonObject{{"_id", id}, {"name", id}, {"members", QJsonArray{41, 42}}});
        fixture->server().seed(QJsonObject{
            {"users", QJsonArray{QJsonObject{
                          {"id", 42}, {"email", "bob@acme.test"}, {"name", "Bob"}, {"token", "b"}}}},
            {"rooms", rooms}});
        world = std::make_unique<RoomModelWorld>();
        User::PS_findFirstByAttribute("userID", kMe)->setUserID(qint32(fixture->userID()));
        PLPersistence::PS_defaultContext()->save();
        PLModelManager::registerPostingServices();
        auto& services = RoomModelServices::shared();
        services.roomsURL = [] { return PLAppConfigurations::currentConfiguration()->roomsURL(); };
        services.activeRoomID = [] { return PLModelManager::sharedModelManager()->activeRoomID(); };
        setMaxTries(3);
        for (const QString& id : roomIds)
            if (localRooms)
                world->room(id);
        PLModelManager::sharedModelManager()->setActiveRoomID({});
        m_token = platform::NotificationCenter::defaultCenter()->addObserver(
            QLatin1String(ChatRoomPostingMessageStateChangedNotification),
            [this](const platform::Notification& n) {
                postingStateChanges << n.userInfo.value(QLatin1String(kMessageIDKey)).toString();
            });
    }
    ~OutboxTestWorld() {
        platform::NotificationCenter::defaultCenter()->removeObserver(m_token);
        fixture->server().releaseHeld();
        world.reset();
        PendingMediaHooks::reset();
        PLModelManager::destroySharedInstance();
        fixture.reset();
    }

    static void setMaxTries(quint64 tries) {
        PLAppConfigurations::currentConfiguration()->setProperty("maxPendingMessageRetryCount", tries);
    }
    standin::StandinServer& server() { return fixture->server(); }
    ChatRoom::Ptr room(const QString& id) { return ChatRoom::chatRoomWithID(id); }

    // The message POSTs the stand-in saw, as room IDs in order.
    QStringList postedRooms() const {
        QStringList rooms;
        for (const auto& request : fixture->server().requestLog()) {
            const QString path = QString::fromStdString(request.path);
            if (request.method == "POST" && path.endsWith(QLatin1String("/messages")))
                rooms << path.section(QLatin1Char('/'), -2, -2);
        }
        return rooms;
    }
    // The stored messages of a room carrying that sequence ID.
    int storedWithSeqId(const QString& roomId, const QString& seqId) const {
        int count = 0;
        for (const auto& value : fixture->server().storedMessages(roomId.toStdString()))
            count += value.toObject().value("seqId").toString() == seqId ? 1 : 0;
        return count;
    }
    // Queues an entry without running a posting pass.
    PendingMessageInfo::Ptr queueText(const QString& roomId, const QString& text) {
        auto chatRoom = room(roomId);
        auto message = chatRoom->createMessage();
        message->setType(2);
        message->setText(text);
        auto entry = chatRoom->createPendingMessage(message, 0, 1);
        entry->setText(text);
        chatRoom->save();
        return entry;
    }
    static void holdPosts(standin::StandinServer& server, int count = -1) {
        standin::StandinServer::Fault fault;
        fault.pathPattern = "/messages$";
        fault.method = "POST";
        fault.count = count;
        fault.mode = standin::StandinServer::FaultMode::Hold;
        server.addFault(fault);
    }

    std::unique_ptr<CoreFixture> fixture;
    std::unique_ptr<RoomModelWorld> world;
    QStringList postingStateChanges;

private:
    platform::NotificationCenter::Token m_token{};
};

} // namespace pelnix::test
