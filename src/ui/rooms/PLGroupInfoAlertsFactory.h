#pragma once

#include <QString>
#include <memory>

namespace pelnix {

class ChatRoom;

namespace platform::ui {
class AlertView;
}

// Builds the confirmation alerts of the two destructive room actions: clearing a conversation on this
// device (kind 0) and leaving it, or closing the group for its admin (kind 1). It only builds them:
// the caller makes "No" (the last button) the cancel button, tags, shows and answers them.
class PLGroupInfoAlertsFactory {
public:
    enum AlertType : qint64 { ClearConversation = 0, LeaveOrClose = 1 };

    // The room the next alert is about, held by its ID; none when it is not stored.
    std::shared_ptr<ChatRoom> chatRoom() const;
    void setChatRoom(const std::shared_ptr<ChatRoom>& room);

    // A new alert with the confirming button at index 0 and "No" at index 1, not shown and without a
    // handler; null for any kind other than 0 and 1.
    platform::ui::AlertView* alertViewForType(qint64 type) const;

private:
    QString m_roomID;
};

} // namespace pelnix
