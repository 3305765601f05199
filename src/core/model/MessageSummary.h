#pragma once

#include <QString>
#include <memory>

namespace pelnix {

namespace platform {
class ObjectContext;
}
class Message;
class User;

// What a rooms list row shows of a message, as plain values: its line (a smart message's display
// name, any other message's text), date, type, state and who sent it. A list of a hundred thousand
// rooms holds one per row instead of a message object.
struct MessageSummary {
    QString messageId;
    QString displayText;
    qint64 date = 0;
    qint16 type = 0;
    qint16 state = 0;
    // The stored keys of the message's `fromUser` and `senderUser` (0: none).
    qint64 fromUserKey = 0;
    qint64 senderUserKey = 0;

    // The values of a message object as it reads now.
    static MessageSummary of(const Message& message);
    // The one a list names as the sender: `fromUser`, else `senderUser`, as `context` holds them (the
    // row read when it holds none); null for none.
    std::shared_ptr<User> sender(platform::ObjectContext* context) const;

    bool operator==(const MessageSummary&) const = default;
};

} // namespace pelnix
