#pragma once

#include <QString>
#include <QVariantList>
#include <memory>

namespace pelnix {

class ChatRoom;
class Message;

// Takes a composed chatlet (its message JSON text), the message it answers (null for a new one) and
// the media picked for it (media selection dictionaries), and knows the room it goes to.
class PLPostChatletDelegate {
public:
    virtual ~PLPostChatletDelegate() = default;
    virtual void postChatletToChatWindow(const QString& message,
                                         const std::shared_ptr<Message>& linkedMessage,
                                         const QVariantList& pickerSelections) = 0;
    virtual std::shared_ptr<ChatRoom> currentChatRoom() const = 0;
};

} // namespace pelnix
