#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

#include <functional>

namespace pelnix {

class ChatRoom;
class Message;
class RichMediaInfo;
class PendingMessageInfo;

inline constexpr char ChatRoomPostingMessageStateChangedNotification[] =
    "ChatRoomPostingMessageStateChangedNotification";

// What the outbox asks of the media upload pipeline. The defaults read the entry's media rows
// (uploaded 9, failed 10) and replace and cancel nothing; the pipeline installs the last two.
struct PendingMediaHooks {
    // Some media of the entry is still to be uploaded.
    std::function<bool(const PendingMessageInfo& entry)> hasMoreRichMediaToUpload;
    // Some media of the entry failed for good.
    std::function<bool(const PendingMessageInfo& entry)> hasAtleastOneFailedRichMedia;
    // Swaps the upload placeholders in the entry's text for the uploaded files' addresses.
    std::function<void(PendingMessageInfo& entry)> replaceAllS3URLPlaceHolders;
    // Cancels the upload of the entry's first media.
    std::function<void(PendingMessageInfo& entry)> cancelUpload;

    static PendingMediaHooks& shared();
    static void reset();
};

// An outgoing post waiting in the outbox. `state`: 1 waiting, 2 posting, 3 completed, 4 failed,
// 5 force-stopped, 6 sent without answer (0 counts as waiting).
class PendingMessageInfo : public PLEntity<PendingMessageInfo> {
public:
    static QString entityName() { return QStringLiteral("PendingMessageInfo"); }

    PL_ATTRIBUTE(qint64, messageId, setMessageId)
    PL_ATTRIBUTE(QString, seqId, setSeqId)
    PL_ATTRIBUTE(qint16, type, setType)
    PL_ATTRIBUTE(qint16, state, setState)
    PL_ATTRIBUTE(QString, text, setText)
    PL_ATTRIBUTE(qint16, tryCount, setTryCount)
    PL_TO_ONE(Message, message, setMessage)
    PL_TO_ONE(ChatRoom, room, setRoom)
    PL_TO_MANY(RichMediaInfo, richMediaInfo, addRichMediaInfoObject, removeRichMediaInfoObject)

    // ---- Outbox (PendingMessageInfoManagement.cpp); main thread.
    // One post attempt; true when a request started (the entry is then posting).
    bool postMessage();
    // The answer of this entry's post, after its reply has been imported.
    void handlePostAnswer(bool success);
    // Called by the media pipeline: the entry's media are uploaded (a single attachment then gets
    // its `text`), respectively one failed for good.
    void mediaUploadFinished(const QString& textForAttachment = {});
    void mediaUploadFailed();
    void cancelPostingRichMedia();
    // Puts a failed or force-stopped entry back in line as the newest post, with fresh tries.
    void resend();
    // Deletes the entry and its message.
    void discard();
    // Only for the room open in the chat window.
    void postChatRoomPostingMessageStateChangedNotification() const;
    void changeAllPendingMessageStateToFailed();

    bool postingInProgress() const { return state() == 2; }
    bool isCompletd() const { return state() == 3; }
    bool isFailed() const { return state() == 4; }
    bool isForceStopped() const { return state() == 5; }
    bool isReplyType() const { return type() == 2 || type() == 4; }
    bool isRichMediaType() const { return type() == 3; }
    bool hasMoreRichMediaToUpload() const;
    bool hasAtleastOneFailedRichMedia() const;

    static Ptr pendingMessageInfoWithSeqId(const QString& seqId);
    // The server's echo of an own post.
    static void markAsCompletedMessageInfoWithSeqId(const QString& seqId);
    static void resetAllPendingMessageWithState(qint16 state, qint16 resetToState);
    static void resetAllPendingMessageInProgressToInitState();
    // Entries sent without answer: back in line, or failed once out of tries.
    static void resetAllPendingMessagesToInitFromSentResponseNotReceivedState();
    static void removeAllPendingMessagesInCompletedState();
    static void removeAllPendingMessages();
    static void removePendingMessage(const Ptr& entry);
    // The next order number, from the account row.
    static qint64 nextMessageId();
};

} // namespace pelnix
