#pragma once

#include "ui/conversation/PLChatMessageCell.h"
#include "ui/conversation/PLTextMessageParts.h"

namespace pelnix {

// A text message drawn as the continuation of the one above it from the same sender: the text with
// its links, and the outbox indicator (no time) while a post of it is unfinished. Height: the text
// measured at the text view's width, plus the chrome around the text view, plus 6.
class PLExtendedTextMessageCell : public PLChatMessageCell {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("PLExtendedTextMessageCell");
    static constexpr qreal kHeightConstant = 6.0;

    explicit PLExtendedTextMessageCell(QWidget* parent = nullptr);

    // The height of a row showing `text` in a cell `cellWidth` wide that keeps `trailingReserve` free.
    static qreal cellHeightWithMessageString(const QString& text, qreal cellWidth, int trailingReserve = 0);

    PLTextmessageDelegate* textMessageDelegate() const { return m_parts.delegate(); }
    void setTextMessageDelegate(PLTextmessageDelegate* delegate) { m_parts.setDelegate(delegate); }
    PLMessageTextView* messageDisplayTextView() const { return m_parts.textView(); }
    PLPendingMessageIndicatorView* pendingMessageIndicatorView() const { return m_parts.indicator(); }

    void setMessage(const std::shared_ptr<Message>& message) override;
    void prepareForReuse() override;

protected:
    void applyReadLook(bool read, bool animated) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    PLTextMessageParts m_parts;
};

} // namespace pelnix
