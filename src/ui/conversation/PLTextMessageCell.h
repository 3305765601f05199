#pragma once

#include "ui/conversation/PLChatMessageWithProfileImageCell.h"
#include "ui/conversation/PLTextMessageParts.h"

namespace pelnix {

namespace platform::ui {
class Label;
}

// A text message in full: avatar, sender name ("Me" for the signed-in user), the text with its
// links, and the outbox indicator with the time. The height of a text comes from the cell's layout:
// the text measured at the text view's width, plus the cell's chrome around the text view, plus 18.
class PLTextMessageCell : public PLChatMessageWithProfileImageCell {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("PLTextMessageCell");
    static constexpr qreal kHeightConstant = 18.0;

    explicit PLTextMessageCell(QWidget* parent = nullptr);

    // The height of a row showing `text` in a cell `cellWidth` wide that keeps `trailingReserve` free.
    static qreal cellHeightWithMessageString(const QString& text, qreal cellWidth, int trailingReserve = 0);

    PLTextmessageDelegate* textMessageDelegate() const { return m_parts.delegate(); }
    void setTextMessageDelegate(PLTextmessageDelegate* delegate) { m_parts.setDelegate(delegate); }
    PLMessageTextView* messageDisplayTextView() const { return m_parts.textView(); }
    platform::ui::Label* userNameLabel() const { return m_userNameLabel; }
    QWidget* pendingMessageView() const { return m_parts.pendingMessageView(); }
    PLPendingMessageIndicatorView* pendingMessageIndicatorView() const { return m_parts.indicator(); }

    void setMessage(const std::shared_ptr<Message>& message) override;
    void prepareForReuse() override;

protected:
    void applyReadLook(bool read, bool animated) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    PLTextMessageParts m_parts;
    platform::ui::Label* m_userNameLabel;
};

} // namespace pelnix
