#include "ui/conversation/PLTextMessageCell.h"

#include "core/model/Message.h"
#include "core/model/User.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "platform/ui/Label.h"
#include "ui/conversation/PLCellLabel.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLMessageCellLayout.h"
#include "ui/conversation/PLMessageTextView.h"
#include "ui/conversation/PLOutboxState.h"

namespace pelnix {

using platform::ui::Label;
namespace Layout = PLMessageCellLayout;

namespace {
// The text starts under the header; its view keeps a phone text view's insets of 8 above and below.
constexpr int kTextTop = 16;
constexpr int kTextLeft = Layout::kContentLeft - int(PLMessageTextView::kLineFragmentPadding);
const QMargins kTextInset(0, 8, 0, 8);

qreal textViewWidth(qreal cellWidth, int trailingReserve) {
    return cellWidth - kTextLeft - Layout::kTrailingMargin - trailingReserve;
}
} // namespace

PLTextMessageCell::PLTextMessageCell(QWidget* parent)
    : PLChatMessageWithProfileImageCell(kIdentifier, parent),
      m_parts(this, kTextInset, Layout::kIndicatorWidth, false),
      m_userNameLabel(new PLCellLabel(contentView())) {
    m_userNameLabel->setObjectName(QStringLiteral("userNameLabel"));
    m_userNameLabel->setFont(PLChatWindowStyle::senderNameFont());
    m_userNameLabel->setTextColor(QColor(0x33, 0x33, 0x33));
    m_userNameLabel->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    markRead(0);
}

qreal PLTextMessageCell::cellHeightWithMessageString(const QString& text, qreal cellWidth,
                                                     int trailingReserve) {
    // The chrome is what the cell has around its text view; the text view's own insets are in the
    // constant.
    const qreal measured = PLMessageTextView::measuredHeight(text, PLChatWindowStyle::messageFont(),
                                                             textViewWidth(cellWidth, trailingReserve) -
                                                                 2 * PLMessageTextView::kLineFragmentPadding);
    return measured + kTextTop + kHeightConstant;
}

void PLTextMessageCell::resizeEvent(QResizeEvent* event) {
    Layout::placeSenderHeader(this, m_userNameLabel, m_parts.pendingMessageView());
    Layout::place(
        m_parts.textView(),
        QRect(kTextLeft, kTextTop, int(textViewWidth(width(), trailingReserve())), height() - kTextTop),
        width(), layoutDirection() == Qt::RightToLeft);
    PLChatMessageWithProfileImageCell::resizeEvent(event);
}

void PLTextMessageCell::setMessage(const std::shared_ptr<Message>& message) {
    PLChatMessageWithProfileImageCell::setMessage(message);
    const PLOutboxState outbox = PLOutboxState::of(message);
    m_parts.showOutboxState(message, outbox);
    if (!outbox.hasAtLeatOnePendingMessage())
        m_parts.stopClock();
    m_parts.textView()->setText(message ? message->displayText() : QString());
    const auto sender = message ? message->senderUser() : nullptr;
    m_userNameLabel->setText(message && message->senderIsMe()
                                 ? PLCurrentBundleInfo::localizedString(QStringLiteral("Me"))
                                 : (sender ? sender->profileName() : QString()));
    if (sender)
        showSenderImage(sender->imageUrl());
}

void PLTextMessageCell::applyReadLook(bool read, bool animated) {
    PLChatMessageWithProfileImageCell::applyReadLook(read, animated);
    m_parts.applyReadLook(read, animated);
}

void PLTextMessageCell::prepareForReuse() {
    PLChatMessageWithProfileImageCell::prepareForReuse();
    m_parts.prepareForReuse();
    m_userNameLabel->setText(QString());
}

} // namespace pelnix
