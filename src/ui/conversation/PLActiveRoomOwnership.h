#pragma once

#include <QString>

namespace pelnix {

// Which room the model announces message changes for: the room of the chat window that asked last
// and is still open. Each window holds an owner token; giving it back clears the model's active room
// (or hands it to the window that asked before) only when that window was the owner, so a second
// window on the same room is never cut off by the first one closing. Main thread.
class PLActiveRoomOwnership {
public:
    using Token = quint64;

    static Token acquire(const QString& roomId);
    static void release(Token token);
    // The room of the current owner; empty when no window owns it.
    static QString ownedRoomId();
};

} // namespace pelnix
