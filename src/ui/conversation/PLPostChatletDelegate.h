#pragma once

#include "media/PLMultiMediaHandler.h"

#include <QList>
#include <QString>
#include <memory>

namespace pelnix {

class ChatRoom;
class Message;

// Takes a composed chatlet (its message JSON text), the message it answers (null for a new one) and
// the media picked for it, and knows the room it goes to.
class PLPostChatletDelegate {
public:
    virtual ~PLPostChatletDelegate() = default;
    virtual void postChatletToChatWindow(const QString& message,
                                         const std::shared_ptr<Message>& linkedMessage,
                                         const QList<PLMediaSelection>& pickerSelections) = 0;
    virtual std::shared_ptr<ChatRoom> currentChatRoom() const = 0;
};

} // namespace pelnix
