#include "ui/conversation/PLExtendedTextMessageCell.h"

#include "core/model/Message.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLMessageCellLayout.h"
#include "ui/conversation/PLMessageTextView.h"
#include "ui/conversation/PLOutboxState.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"

namespace pelnix {

namespace Layout = PLMessageCellLayout;

namespace {
// The text lines up with the full cell's text, without insets; a narrow column at the trailing edge
// takes the clock or the failure mark.
constexpr int kTextLeft = Layout::kContentLeft - int(PLMessageTextView::kLineFragmentPadding);
constexpr int kIndicatorWidth = 40;

qreal textViewWidth(qreal cellWidth, int trailingReserve) {
    return cellWidth - kTextLeft - Layout::kTrailingMargin - trailingReserve - kIndicatorWidth;
}
} // namespace

PLExtendedTextMessageCell::PLExtendedTextMessageCell(QWidget* parent)
    : PLChatMessageCell(kIdentifier, parent), m_parts(this, QMargins(), kIndicatorWidth, true) {
    markRead(0);
}

qreal PLExtendedTextMessageCell::cellHeightWithMessageString(const QString& text, qreal cellWidth,
                                                             int trailingReserve) {
    return PLMessageTextView::measuredHeight(text, PLChatWindowStyle::messageFont(),
                                             textViewWidth(cellWidth, trailingReserve) -
                                                 2 * PLMessageTextView::kLineFragmentPadding) +
           kHeightConstant;
}

void PLExtendedTextMessageCell::resizeEvent(QResizeEvent* event) {
    const int w = width();
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    Layout::place(m_parts.textView(), QRect(kTextLeft, 0, int(textViewWidth(w, trailingReserve())), height()),
                  w, rtl);
    Layout::place(m_parts.pendingMessageView(),
                  QRect(Layout::trailingEdge(this) - kIndicatorWidth, 0, kIndicatorWidth,
                        PLPendingMessageIndicatorView::kHeight),
                  w, rtl);
    PLChatMessageCell::resizeEvent(event);
}

void PLExtendedTextMessageCell::setMessage(const std::shared_ptr<Message>& message) {
    PLChatMessageCell::setMessage(message);
    const PLOutboxState outbox = PLOutboxState::of(message);
    if (outbox.hasAtLeatOnePendingMessage())
        m_parts.showOutboxState(message, outbox);
    else
        m_parts.stopClock();
    m_parts.textView()->setText(message ? message->displayText() : QString());
}

void PLExtendedTextMessageCell::applyReadLook(bool read, bool animated) {
    PLChatMessageCell::applyReadLook(read, animated);
    m_parts.applyReadLook(read, animated);
}

void PLExtendedTextMessageCell::prepareForReuse() {
    PLChatMessageCell::prepareForReuse();
    m_parts.prepareForReuse();
}

} // namespace pelnix
