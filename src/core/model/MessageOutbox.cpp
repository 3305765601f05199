#include "core/model/Message.h"

#include "core/model/PendingMessageInfo.h"

#include <algorithm>

namespace pelnix {

namespace {

int countEntries(const Message& message, const std::function<bool(qint16 state)>& matches) {
    const auto entries = message.pendingMessages();
    return int(std::count_if(entries.cbegin(), entries.cend(),
                             [&matches](const auto& entry) { return matches(entry->state()); }));
}

} // namespace

bool Message::postingInProgress() const {
    return countEntries(*this, [](qint16 state) { return state == 2; }) > 0;
}

bool Message::hasOnlyFailedPedningMessages() const {
    return countEntries(*this, [](qint16 state) { return state != 4; }) == 0;
}

bool Message::hasFailedPendingMessage() const {
    return failedPendingMessageCount() > 0;
}

std::shared_ptr<PendingMessageInfo> Message::latestPendingMessage() const {
    std::shared_ptr<PendingMessageInfo> latest;
    for (const auto& entry : pendingMessages())
        if (!latest || entry->messageId() > latest->messageId())
            latest = entry;
    return latest;
}

int Message::pendingMessagesCount() const {
    return countEntries(*this, [](qint16 state) { return state != 3; });
}

int Message::failedPendingMessageCount() const {
    return countEntries(*this, [](qint16 state) { return state == 4; });
}

int Message::pendingMessagesExcludingFailedMessageCount() const {
    return countEntries(*this, [](qint16 state) { return state != 3 && state != 4; });
}

void Message::removeAllFailedPendingMessages() {
    for (const auto& entry : pendingMessages())
        if (entry->isFailed())
            entry->PS_deleteEntity();
    save();
}

} // namespace pelnix
