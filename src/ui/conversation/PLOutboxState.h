#pragma once

#include <memory>

namespace pelnix {

class Message;

// What a message's outbox entries say, read with one look at the store (a cell shows all of it at
// once): the same answers as the message's own outbox questions, which each look again.
struct PLOutboxState {
    int entries = 0;
    int failed = 0;     // state 4
    int unfinished = 0; // not completed
    int waiting = 0;    // neither failed nor completed
    bool posting = false;
    bool latestIsReply = false;

    static PLOutboxState of(const std::shared_ptr<Message>& message);
    bool hasFailedPendingMessage() const { return failed > 0; }
    bool hasAtLeatOnePendingMessage() const { return unfinished > 0; }
    // True as well without entries.
    bool hasOnlyFailedPedningMessages() const { return failed == entries; }
};

} // namespace pelnix
