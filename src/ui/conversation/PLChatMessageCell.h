#pragma once

#include "platform/ui/CollectionViewCell.h"

#include <memory>

namespace pelnix {

class Message;
class User;

// The base of the cells that show a message. It holds the message without keeping it alive (the
// chat window's rows do), shows its read state and turns it read. It keeps the message's sender
// alive until it shows another row: the store keeps a user object only while something holds it,
// and the rows of a sender already on screen then find it held instead of reading it again.
//
// markRead() is the one entry for showing and changing the read state: a value above 0 marks the
// message read (state 1, saved, "chat window cell marked as read notification" posted once) and
// shows the read look, faded in when the value is exactly 1; 0 or less changes nothing in the model
// and shows the unread look. A filled cell shows the stored state without changing it. Each concrete
// cell ends its constructor with markRead(0), so that it starts with the unread look.
class PLChatMessageCell : public platform::ui::CollectionViewCell {
    Q_OBJECT
public:
    explicit PLChatMessageCell(const QString& reuseIdentifier, QWidget* parent = nullptr);

    std::shared_ptr<Message> message() const { return m_message.lock(); }
    virtual void setMessage(const std::shared_ptr<Message>& message);
    void markRead(int value);
    bool showsReadLook() const { return m_readLook; }
    void prepareForReuse() override;
    // Room kept free at the trailing end of the row, beyond its margin, for the list's scroll control:
    // all the row shows (text, names, times, pictures, pages) stays out of it, and content centred in
    // the row keeps as much free at its leading end.
    int trailingReserve() const { return m_trailingReserve; }
    void setTrailingReserve(int reserve);

protected:
    // A change of layout direction lays the cell out again, mirrored.
    void changeEvent(QEvent* event) override;
    // Restyles for the read (`read`) or unread look; `animated` asks for the 0.2 s fade. Overrides
    // call their base first.
    virtual void applyReadLook(bool read, bool animated);

private:
    std::weak_ptr<Message> m_message;
    std::shared_ptr<User> m_sender;
    bool m_readLook = false;
    int m_trailingReserve = 0;
};

} // namespace pelnix
