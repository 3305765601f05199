#pragma once

#include "media/PLMultiMediaHandler.h"

#include <QList>
#include <QString>
#include <memory>

namespace pelnix {

class ChatRoom;
class Message;

// Receives what the chatlet composer, the attachment sheet and the location screens produce: a
// smart message's JSON text, the message it answers (or none) and the media picked for it (or none),
// to post in the room it names.
class PLPostChatletDelegate {
public:
    virtual ~PLPostChatletDelegate() = default;
    virtual void postChatletToChatWindow(const QString& messageJSON, const std::shared_ptr<Message>& message,
                                         const QList<PLMediaSelection>& pickerSelections) = 0;
    virtual std::shared_ptr<ChatRoom> currentChatRoom() const = 0;
};

} // namespace pelnix
