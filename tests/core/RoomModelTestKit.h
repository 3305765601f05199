#pragma once

// Shared set-up of the room and message model tests: a store in a sandbox, the signed-in account,
// the event queue the stream applies events on, and a recorder of notifications seen on the main
// thread.

#include "TestSandbox.h"
#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/Message.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/RoomModelServices.h"
#include "core/model/User.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <atomic>
#include <memory>

namespace pelnix::test {

inline constexpr qint32 kMe = 7;

inline QVariantMap json(const char* text) {
    return QJsonDocument::fromJson(QByteArray(text)).object().toVariantMap();
}

// Every room and message notification, in the order the main thread saw them, and on which thread.
class NotificationLog {
public:
    NotificationLog() {
        for (const char* name : {NewChatRoomAddedNotification, ChatRoomUpdatedNotification,
                                 ChatRoomKickedNotification, ChatRoomClosedNotification,
                                 ChatRoomMessageAddedNotification, ChatRoomMessageUpdatedNotification})
            m_tokens << platform::NotificationCenter::defaultCenter()->addObserver(
                QLatin1String(name), [this](const platform::Notification& n) {
                    if (!platform::isMainThread())
                        offMain = true;
                    QString key =
                        n.userInfo.contains(QLatin1String(kChatRoomIDKey)) ? kChatRoomIDKey : kMessageIDKey;
                    entries << n.name + QLatin1Char(' ') + n.userInfo.value(key).toString();
                });
    }
    ~NotificationLog() {
        for (auto token : m_tokens)
            platform::NotificationCenter::defaultCenter()->removeObserver(token);
    }
    QStringList entries;
    bool offMain = false;

private:
    QList<platform::NotificationCenter::Token> m_tokens;
};

// The store, the account (user kMe) and the event queue; everything reset afterwards.
class RoomModelWorld {
public:
    RoomModelWorld() : queue(QStringLiteral("Event Precessing")) {
        PelnixDataModel::registerDeclaration();
        PLManagedObject::initializeDatabase();
        RoomModelServices::reset();
        auto& s = RoomModelServices::shared();
        s.activeRoomID = [this] {
            return activeRoom.load() ? QString::fromUtf8(*activeRoom.load()) : QString();
        };
        s.roomsURL = [] { return QStringLiteral("http://127.0.0.1:0/rooms"); };
        s.numberOfMessagesLoadedOnce = [this] { return pageSize.load(); };
        s.fetchRoomOnEventQueue = [this](const QString& url, bool synchronously) {
            fetches << url + (synchronously ? QStringLiteral(" sync") : QStringLiteral(" async"));
        };
        s.markAsCompletedMessageInfoWithSeqId = [this](const QString& seqId) {
            Q_ASSERT(platform::isMainThread());
            completed << seqId;
        };
        auto account = CurrentUserInfo::PS_createEntity();
        auto me = User::PS_createEntity();
        me->setUserID(kMe);
        me->setEmail(QStringLiteral("me@acme.test"));
        me->setProfileName(QStringLiteral("Me"));
        account->setUser(me);
        account->save();
    }
    ~RoomModelWorld() {
        queue.async([] { PLPersistence::PS_clearContextForCurrentThread(); });
        drain();
        RoomModelServices::reset();
        PLPersistence::cleanUp();
    }

    void setActiveRoom(const QByteArray& roomId) {
        m_active = std::make_unique<QByteArray>(roomId);
        activeRoom.store(m_active.get());
    }

    // Runs `block` on the event queue as the stream does, then lets the main thread deliver what
    // the block queued for it.
    void onQueue(std::function<void()> block) {
        queue.async(std::move(block));
        drain();
    }
    void drain() {
        auto marker = queue.postMarker();
        QTRY_VERIFY_WITH_TIMEOUT(marker->load(), 10000);
        auto delivered = std::make_shared<bool>(false);
        platform::runOnMain([delivered] { *delivered = true; });
        QTRY_VERIFY_WITH_TIMEOUT(*delivered, 10000);
    }

    std::shared_ptr<ChatRoom> room(const QString& roomId, qint16 status = 0) {
        auto room = ChatRoom::PS_createEntity();
        room->setRoomId(roomId);
        room->setName(roomId + QStringLiteral(" name"));
        room->setStatus(status);
        room->save();
        return room;
    }
    std::shared_ptr<User> user(qint32 id, const QString& name, const QString& email = {}) {
        auto user = User::PS_createEntity();
        user->setUserID(id);
        user->setProfileName(name);
        user->setEmail(email);
        user->save();
        return user;
    }
    std::shared_ptr<Message> message(const std::shared_ptr<ChatRoom>& room, const QString& id, qint64 date,
                                     qint16 state = 1, qint16 updateCount = 0) {
        auto m = Message::PS_createEntity();
        m->setMessageId(id);
        m->setDate(date);
        m->setText(id);
        m->setUpdateCount(updateCount);
        m->setValue(QStringLiteral("state"), state);
        room->addMessagesObject(m);
        return m;
    }
    // The threads as the model manager has them: the queue keeps the stored unread counts, and
    // work for it (their recounts) runs there.
    void keepUnreadCountsOnQueue() {
        auto& s = RoomModelServices::shared();
        s.isDataProcessingThread = [this] { return queue.isCurrent(); };
        s.addToDataProcessingQueue = [this](std::function<void()> block) { queue.async(std::move(block)); };
    }

    TestSandbox sandbox;
    platform::SerialQueue queue;
    std::atomic<quint64> pageSize{20};
    std::atomic<QByteArray*> activeRoom{nullptr};
    QStringList fetches;
    QStringList completed;

private:
    std::unique_ptr<QByteArray> m_active;
};

} // namespace pelnix::test
