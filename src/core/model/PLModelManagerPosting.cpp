#include "core/model/PLModelManager.h"

#include "core/model/ChatRoom.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomModelServices.h"
#include "foundation/PLReachabilityResponder.h"
#include "platform/MainThread.h"

#include <QGlobalStatic>
#include <QPointer>

namespace pelnix {

namespace {

// Rooms started per posting pass, uploads per upload pass.
constexpr int kBatchLimit = 3;

bool isOffline() {
    return !PLReachabilityResponder::sharedInstance()->isReachable();
}

} // namespace

void PLModelManager::prepareOutbox() {
    Q_ASSERT(platform::isMainThread());
    PendingMessageInfo::removeAllPendingMessagesInCompletedState();
    PendingMessageInfo::resetAllPendingMessageInProgressToInitState();
    if (const auto context = PLPersistence::PS_defaultContext())
        context->save();
}

void PLModelManager::postPendingMessages() {
    Q_ASSERT(platform::isMainThread());
    if (isOffline())
        return;
    // The limit is on rooms posting at once: those still waiting for an answer take their slots too.
    int posting = 0;
    for (const auto& room : ChatRoom::chatRoomsWithPendingMessages()) {
        if (room->postNextPendingMessage() && ++posting == kBatchLimit)
            break;
    }
    QPointer<PLModelManager> self(this);
    platform::runOnMain([self] {
        if (!self)
            return;
        PendingMessageInfo::removeAllPendingMessagesInCompletedState();
        if (const auto context = PLPersistence::PS_defaultContext())
            context->save();
    });
}

void PLModelManager::rearmUnansweredPosts(bool fromWelcome) {
    Q_ASSERT(platform::isMainThread());
    Q_UNUSED(fromWelcome) // both occasions re-arm alike
    PendingMessageInfo::resetAllPendingMessagesToInitFromSentResponseNotReceivedState();
    postPendingMessages();
}

void PLModelManager::registerPostingServices() {
    auto& services = RoomModelServices::shared();
    services.fetchRoom = [](const QString& roomURL, PLResultHandler completion) {
        return ChatRoom::getPrivateRoomWithURL(roomURL, std::move(completion));
    };
    services.fetchRoomOnEventQueue = [](const QString& roomURL, bool synchronously) {
        if (synchronously) {
            ChatRoom::getPrivateRoomWithURL(roomURL, {}, true, true);
            return;
        }
        // The event queue has no event loop to deliver a reply on: the request runs on main.
        platform::runOnMain([roomURL] { ChatRoom::getPrivateRoomWithURL(roomURL, {}, true, false); });
    };
    services.markAsCompletedMessageInfoWithSeqId = &PendingMessageInfo::markAsCompletedMessageInfoWithSeqId;
    services.postPrivateMessage = [](const std::shared_ptr<ChatRoom>& room, const QString& text,
                                     bool isSmartMessage, PLResultHandler completion) {
        return room && room->postPrivateMessage(text, isSmartMessage, std::move(completion));
    };
}

} // namespace pelnix
