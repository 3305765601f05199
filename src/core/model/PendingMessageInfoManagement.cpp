#include "core/model/PendingMessageInfo.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/ChatRoom.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomModelServices.h"
#include "foundation/PLReachabilityResponder.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"

#include <QGlobalStatic>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcOutbox, "pelnix.model.outbox", QtWarningMsg)

namespace pelnix {

using K = platform::PredicateKey;

namespace {

bool anyMedia(const PendingMessageInfo& entry, qint16 state, bool equal) {
    for (const auto& row : entry.richMediaInfo())
        if ((row->state() == state) == equal)
            return true;
    return false;
}

PendingMediaHooks defaultHooks() {
    PendingMediaHooks hooks;
    // Read from the entry's media rows: 9 uploaded, 10 failed. No rows: nothing to wait for.
    hooks.hasMoreRichMediaToUpload = [](const PendingMessageInfo& entry) {
        return anyMedia(entry, 9, false);
    };
    hooks.hasAtleastOneFailedRichMedia = [](const PendingMessageInfo& entry) {
        return anyMedia(entry, 10, true);
    };
    hooks.replaceAllS3URLPlaceHolders = [](PendingMessageInfo&) {};
    hooks.cancelUpload = [](PendingMessageInfo&) {};
    return hooks;
}

Q_GLOBAL_STATIC(PendingMediaHooks, g_mediaHooks, defaultHooks())

qint64 maxTries() {
    auto* config = PLAppConfigurations::currentConfiguration();
    return config ? qint64(config->maxPendingMessageRetryCount()) : 0;
}

bool isReachable() {
    return PLReachabilityResponder::sharedInstance()->isReachable();
}

PendingMessageInfo::Ptr selfOf(PendingMessageInfo* entry) {
    return std::static_pointer_cast<PendingMessageInfo>(entry->shared_from_this());
}

void runPostingPass() {
    PLModelManager::sharedModelManager()->postPendingMessages();
}

} // namespace

PendingMediaHooks& PendingMediaHooks::shared() {
    return *g_mediaHooks;
}

void PendingMediaHooks::reset() {
    *g_mediaHooks = defaultHooks();
}

bool PendingMessageInfo::hasMoreRichMediaToUpload() const {
    return PendingMediaHooks::shared().hasMoreRichMediaToUpload(*this);
}

bool PendingMessageInfo::hasAtleastOneFailedRichMedia() const {
    return PendingMediaHooks::shared().hasAtleastOneFailedRichMedia(*this);
}

qint64 PendingMessageInfo::nextMessageId() {
    auto account = CurrentUserInfo::currentUserInfo();
    if (!account)
        return 0;
    account->setPendingMessageIdIndex(account->pendingMessageIdIndex() + 1);
    return account->pendingMessageIdIndex();
}

void PendingMessageInfo::postChatRoomPostingMessageStateChangedNotification() const {
    const auto msg = message();
    const auto chatRoom = room();
    if (!msg || msg->messageId().isEmpty() || !chatRoom)
        return;
    if (chatRoom->roomId() != RoomModelServices::shared().activeRoomID())
        return;
    platform::NotificationCenter::defaultCenter()->postQueued(
        QLatin1String(ChatRoomPostingMessageStateChangedNotification), {},
        {{QLatin1String(kMessageIDKey), msg->messageId()}});
}

void PendingMessageInfo::changeAllPendingMessageStateToFailed() {
    const auto msg = message();
    const auto entries = msg ? msg->pendingMessages() : QList<Ptr>{selfOf(this)};
    for (const auto& entry : entries) {
        entry->setState(4);
        entry->postChatRoomPostingMessageStateChangedNotification();
    }
    save();
}

bool PendingMessageInfo::postMessage() {
    Q_ASSERT(platform::isMainThread());
    const auto msg = message();
    const auto chatRoom = room();
    if (!msg || !chatRoom)
        return false;
    auto& media = PendingMediaHooks::shared();
    if (isRichMediaType() && hasAtleastOneFailedRichMedia()) {
        if (isReachable()) {
            setState(4);
        } else {
            // Offline is no reason to give up: the upload runs again when the network returns.
            setState(1);
            for (const auto& row : richMediaInfo())
                if (row->state() == 10)
                    row->setState(0);
        }
        save();
        postChatRoomPostingMessageStateChangedNotification();
        return false;
    }
    if (msg->latestActionIsExpired()) {
        changeAllPendingMessageStateToFailed();
        return false;
    }
    if (type() == 1 || type() == 4) {
        if (hasMoreRichMediaToUpload()) {
            if (hasAtleastOneFailedRichMedia()) {
                setState(4);
                save();
                postChatRoomPostingMessageStateChangedNotification();
            }
            return false;
        }
        media.replaceAllS3URLPlaceHolders(*this);
    }
    if (text().isEmpty())
        return false;
    auto entry = selfOf(this);
    const bool started = chatRoom->postPrivateMessage(
        text(), type() != 0, msg, seqId(),
        [entry](bool success, const PLOptionalError&, const QString&) { entry->handlePostAnswer(success); });
    if (!started)
        return false;
    setState(2);
    save();
    postChatRoomPostingMessageStateChangedNotification();
    return true;
}

void PendingMessageInfo::handlePostAnswer(bool success) {
    Q_ASSERT(platform::isMainThread());
    const auto msg = message();
    if (success) {
        if (msg && msg->latestActionIsExpired()) {
            changeAllPendingMessageStateToFailed();
        } else {
            setState(3);
            postChatRoomPostingMessageStateChangedNotification();
            if (msg)
                msg->removePendingMessagesObject(selfOf(this));
            save();
        }
        runPostingPass();
        return;
    }
    const qint64 max = maxTries();
    if (tryCount() >= max) {
        // Left in state 2 the entry would block its room's outbox until the next start: it waits
        // as sent without answer, like any post that ran out of tries.
        setState(6);
    } else {
        setTryCount(qint16(tryCount() + 1));
        setState(1);
        if (!isReachable()) {
            // A failure while offline says nothing about the post: it waits for the next "welcome"
            // with its tries untouched.
            setTryCount(0);
            setState(6);
        } else if (tryCount() >= max) {
            setState(6);
        }
    }
    qCDebug(lcOutbox) << "post failed" << seqId() << "tries" << tryCount() << "state" << state();
    save();
    postChatRoomPostingMessageStateChangedNotification();
    runPostingPass();
}

void PendingMessageInfo::mediaUploadFinished(const QString& textForAttachment) {
    Q_ASSERT(platform::isMainThread());
    if (isRichMediaType() && !textForAttachment.isEmpty()) {
        setText(textForAttachment);
        save();
    }
    runPostingPass();
}

void PendingMessageInfo::mediaUploadFailed() {
    Q_ASSERT(platform::isMainThread());
    // Asked to post now, the entry finds its failed media and settles its own state.
    postMessage();
}

void PendingMessageInfo::cancelPostingRichMedia() {
    QList<std::shared_ptr<RichMediaInfo>> rows = richMediaInfo();
    std::sort(rows.begin(), rows.end(),
              [](const auto& a, const auto& b) { return a->mediaId() < b->mediaId(); });
    if (rows.isEmpty() || rows.first()->state() >= 5)
        return;
    setState(5);
    save();
    PendingMediaHooks::shared().cancelUpload(*this);
    postChatRoomPostingMessageStateChangedNotification();
}

void PendingMessageInfo::resend() {
    Q_ASSERT(platform::isMainThread());
    if (!isFailed() && !isForceStopped() && state() != 6)
        return;
    setState(1);
    setTryCount(0);
    setMessageId(nextMessageId());
    save();
    postChatRoomPostingMessageStateChangedNotification();
    runPostingPass();
}

void PendingMessageInfo::discard() {
    Q_ASSERT(platform::isMainThread());
    const auto msg = message();
    const auto context = managedObjectContext();
    for (const auto& row : richMediaInfo())
        row->PS_deleteEntity();
    PS_deleteEntity();
    if (msg)
        Message::removeMessage(msg);
    if (context)
        context->save();
}

PendingMessageInfo::Ptr PendingMessageInfo::pendingMessageInfoWithSeqId(const QString& seqId) {
    if (seqId.isEmpty())
        return nullptr;
    return PS_findFirstByAttribute(QStringLiteral("seqId"), seqId);
}

void PendingMessageInfo::markAsCompletedMessageInfoWithSeqId(const QString& seqId) {
    Q_ASSERT(platform::isMainThread());
    const auto entry = pendingMessageInfoWithSeqId(seqId);
    if (!entry)
        return;
    entry->setState(3);
    entry->postChatRoomPostingMessageStateChangedNotification();
    if (const auto msg = entry->message())
        msg->removePendingMessagesObject(entry);
    entry->save();
}

void PendingMessageInfo::resetAllPendingMessageWithState(qint16 state, qint16 resetToState) {
    const auto entries = PS_findByAttribute(QStringLiteral("state"), state);
    if (entries.isEmpty())
        return;
    for (const auto& entry : entries)
        entry->setState(resetToState);
    entries.first()->save();
}

void PendingMessageInfo::resetAllPendingMessageInProgressToInitState() {
    resetAllPendingMessageWithState(2, 1);
}

void PendingMessageInfo::resetAllPendingMessagesToInitFromSentResponseNotReceivedState() {
    Q_ASSERT(platform::isMainThread());
    const auto entries = PS_findByAttribute(QStringLiteral("state"), 6);
    if (entries.isEmpty())
        return;
    const qint64 max = maxTries();
    for (const auto& entry : entries) {
        if (entry->tryCount() >= max) {
            entry->setState(4);
            entry->postChatRoomPostingMessageStateChangedNotification();
        } else {
            entry->setState(1);
        }
    }
    entries.first()->save();
}

void PendingMessageInfo::removeAllPendingMessagesInCompletedState() {
    PS_deleteAllMatchingPredicate(K(QStringLiteral("state")) == 3);
}

void PendingMessageInfo::removeAllPendingMessages() {
    PS_truncateAll();
}

void PendingMessageInfo::removePendingMessage(const Ptr& entry) {
    if (!entry)
        return;
    const auto msg = entry->message();
    entry->PS_deleteEntity();
    if (msg)
        msg->save();
    else if (const auto context = entry->managedObjectContext())
        context->save();
}

} // namespace pelnix
