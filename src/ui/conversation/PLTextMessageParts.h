#pragma once

#include "platform/ui/WeakDelegate.h"
#include "ui/conversation/PLTextmessageDelegate.h"

#include <QMargins>
#include <memory>

class QWidget;

namespace pelnix {

class Message;
class PLChatMessageCell;
class PLMessageTextView;
class PLPendingMessageIndicatorView;
struct PLOutboxState;

// What the full and the compact text cell share: the text view with its links forwarded to the text
// delegate (never opened), the grey read look, and the outbox indicator, made on first need in its
// container and put back as it was made when the cell is reused.
class PLTextMessageParts {
public:
    static constexpr int kReadFadeMs = 200;

    // Builds the parts into `cell`'s content view; the compact cell's indicator shows no time.
    PLTextMessageParts(PLChatMessageCell* cell, const QMargins& textInset, int indicatorWidth, bool compact);

    PLMessageTextView* textView() const { return m_textView; }
    QWidget* pendingMessageView() const { return m_pendingMessageView; }
    PLPendingMessageIndicatorView* indicator() const { return m_indicator; }
    PLTextmessageDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PLTextmessageDelegate* delegate) { m_delegate.set(delegate); }

    // The indicator (made when there is none yet) shows the message's outbox state.
    void showOutboxState(const std::shared_ptr<Message>& message, const PLOutboxState& state);
    void stopClock();
    // Grey ("808080") when read, black when not; faded over 0.2 s when asked.
    void applyReadLook(bool read, bool animated);
    // Empties the text; the indicator goes back to how it was made (hidden in the compact cell, which
    // shows it only for unfinished posts).
    void prepareForReuse();

private:
    PLChatMessageCell* m_cell;
    PLMessageTextView* m_textView;
    QWidget* m_pendingMessageView;
    PLPendingMessageIndicatorView* m_indicator = nullptr;
    bool m_compact;
    platform::ui::WeakDelegate<PLTextmessageDelegate> m_delegate;
};

} // namespace pelnix
