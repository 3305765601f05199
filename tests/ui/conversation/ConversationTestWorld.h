#pragma once

// What the conversation tests share: the stand-in service and a signed-in account (CoreFixture), the
// real store, rooms and messages imported through the core's own JSON paths, and a chat window in a
// phone-sized window. Time runs on the scheduler's virtual clock; animations take no time.

#include "CoreFixture.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/User.h"
#include "foundation/Clock.h"
#include "foundation/persistence/PLPersistence.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/Window.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"

#include <QDateTime>
#include <QJsonArray>
#include <QTest>
#include <memory>

namespace pelnix::test {

inline constexpr qint32 kBob = 42;
inline constexpr qint32 kCarol = 43;

class ConversationWorld {
public:
    ConversationWorld() {
        platform::ui::Animator::setInstant(true);
        platform::ui::Scheduler::shared()->setVirtualClock(true);
        PLModelManager::sharedModelManager()->initialize();
        CurrentUserInfo::initializeCurrentUserForSDKWithID(qint32(fixture.userID()), fixture.email(),
                                                           fixture.token());
        if (const auto me = CurrentUserInfo::currentUserInfo()->user()) {
            me->setProfileName(QStringLiteral("Ann"));
            me->save();
        }
    }
    ~ConversationWorld() {
        window.reset();
        Clock::setSource({});
        PLModelManager::destroySharedInstance();
        PLPersistence::cleanUp();
    }
    ConversationWorld(const ConversationWorld&) = delete;
    ConversationWorld& operator=(const ConversationWorld&) = delete;

    qint32 me() const { return qint32(fixture.userID()); }

    // A room as the room list brings it: Ann, Bob and Carol as members.
    ChatRoom::Ptr importRoom(const QString& roomId, const QString& name = QStringLiteral("Ops")) {
        const QVariantMap json{
            {"_id", roomId},
            {"name", name},
            {"type", "2"},
            {"members",
             QVariantList{QVariantMap{{"userId", QString::number(me())}, {"isCreator", 1}},
                          QVariantMap{{"userId", kBob}, {"user", QVariantMap{{"name", "Bob"}}}},
                          QVariantMap{{"userId", kCarol}, {"user", QVariantMap{{"name", "Carol"}}}}}}};
        return ChatRoom::updateChatRoomsWithArray(QVariantList{json}).value(0);
    }

    // A message as the event stream brings it (imported on this thread, no notification).
    Message::Ptr importMessage(const ChatRoom::Ptr& room, const QString& id, qint64 date, const QString& text,
                               qint32 sender, const QString& type = QStringLiteral("message"),
                               const QVariantMap& extra = {}) {
        QVariantMap json{{"_id", id},
                         {"type", type},
                         {"date", double(date)},
                         {"text", text},
                         {"sender", QString::number(sender)},
                         {"senderObj", QVariantMap{{"userId", sender}, {"name", nameOf(sender)}}}};
        for (auto it = extra.begin(); it != extra.end(); ++it)
            json.insert(it.key(), it.value());
        return room->updateMessageDict(json, false, {});
    }

    static QString nameOf(qint32 user) {
        return user == kBob     ? QStringLiteral("Bob")
               : user == kCarol ? QStringLiteral("Carol")
                                : QStringLiteral("Ann");
    }

    // Opens a chat window on the room in a window of that size and lets it appear.
    PLChatWindowViewController* open(const ChatRoom::Ptr& room, QSize size = QSize(320, 568)) {
        auto* controller = load(room, size);
        window->show();
        QCoreApplication::processEvents();
        return controller;
    }

    // The chat window on the room in a window of that size, its view made but not shown yet.
    PLChatWindowViewController* load(const ChatRoom::Ptr& room, QSize size = QSize(320, 568)) {
        window = std::make_unique<platform::ui::Window>();
        window->resize(size);
        auto* controller = new PLChatWindowViewController;
        controller->setChatRoom(room);
        window->setRootViewController(controller);
        return controller;
    }

    static void advance(qint64 ms) { platform::ui::Scheduler::shared()->advance(ms); }

    CoreFixture fixture;
    std::unique_ptr<platform::ui::Window> window;
};

// Local time on a fixed day, in milliseconds.
inline qint64 at(int year, int month, int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second)).toMSecsSinceEpoch();
}

} // namespace pelnix::test
