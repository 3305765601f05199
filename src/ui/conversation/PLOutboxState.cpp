#include "ui/conversation/PLOutboxState.h"

#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"

namespace pelnix {

namespace {
enum EntryState : qint16 { Posting = 2, Completed = 3, Failed = 4 };
}

PLOutboxState PLOutboxState::of(const std::shared_ptr<Message>& message) {
    PLOutboxState state;
    if (!message)
        return state;
    PendingMessageInfo::Ptr latest;
    for (const auto& entry : message->pendingMessages()) {
        ++state.entries;
        const qint16 s = entry->state();
        state.failed += s == Failed ? 1 : 0;
        state.unfinished += s != Completed ? 1 : 0;
        state.waiting += s != Completed && s != Failed ? 1 : 0;
        state.posting = state.posting || s == Posting;
        if (!latest || entry->messageId() > latest->messageId())
            latest = entry;
    }
    state.latestIsReply = latest && latest->isReplyType();
    return state;
}

} // namespace pelnix
