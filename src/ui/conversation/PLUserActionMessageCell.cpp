#include "ui/conversation/PLUserActionMessageCell.h"

#include "core/model/Message.h"
#include "foundation/DateAdditions.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Label.h"
#include "ui/conversation/PLCellLabel.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLMessageCellLayout.h"
#include "ui/conversation/PLMessageTextView.h"

namespace pelnix {

using platform::ui::Label;

namespace {
constexpr int kLabelTop = 6;
constexpr int kTimeHeight = 14;
constexpr int kBottomMargin = 4;
// Around the label: its top margin and the time line under it.
constexpr int kChrome = kLabelTop + kTimeHeight + kBottomMargin;
constexpr int kReadFadeMs = 200;
} // namespace

PLUserActionMessageCell::PLUserActionMessageCell(QWidget* parent)
    : PLChatMessageCell(kIdentifier, parent), m_messageLabel(new PLCellLabel(contentView())),
      m_timeLabel(new PLCellLabel(contentView())) {
    m_messageLabel->setObjectName(QStringLiteral("messageLabel"));
    m_messageLabel->setFont(PLChatWindowStyle::systemEventFont());
    m_messageLabel->setNumberOfLines(0);
    m_messageLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_timeLabel->setObjectName(QStringLiteral("timeLabel"));
    m_timeLabel->setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 10));
    m_timeLabel->setTextColor(PLChatWindowStyle::readSystemEventColor());
    m_timeLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    markRead(0);
}

int PLUserActionMessageCell::labelWidthForCellWidth(int cellWidth, int trailingReserve) {
    constexpr int kPhoneWidth = 320;
    return qMin(
        qBound(qMin(kLabelWidth, cellWidth), cellWidth - (kPhoneWidth - kLabelWidth), kMaximumLabelWidth),
        PLMessageCellLayout::centredWidthLimit(cellWidth, trailingReserve));
}

qreal PLUserActionMessageCell::cellHeightWithMessageString(const QString& text) {
    return PLMessageTextView::measuredHeight(text, PLChatWindowStyle::systemEventFont(), kLabelWidth) +
           kChrome + kHeightConstant;
}

qreal PLUserActionMessageCell::cellHeightWithMessageString(const QString& text, int cellWidth,
                                                           int trailingReserve) {
    return PLMessageTextView::measuredHeight(text, PLChatWindowStyle::systemEventFont(),
                                             labelWidthForCellWidth(cellWidth, trailingReserve)) +
           kChrome + kHeightConstant;
}

void PLUserActionMessageCell::resizeEvent(QResizeEvent* event) {
    const int labelWidth = labelWidthForCellWidth(width(), trailingReserve());
    const int band = PLMessageCellLayout::centredWidthLimit(width(), trailingReserve());
    const int labelHeight = height() - kChrome - int(kHeightConstant);
    m_messageLabel->setGeometry((width() - labelWidth) / 2, kLabelTop + int(kHeightConstant) / 2, labelWidth,
                                qMax(0, labelHeight));
    m_timeLabel->setGeometry((width() - band) / 2, m_messageLabel->geometry().bottom() + 1, band,
                             kTimeHeight);
    PLChatMessageCell::resizeEvent(event);
}

void PLUserActionMessageCell::setMessage(const std::shared_ptr<Message>& message) {
    PLChatMessageCell::setMessage(message);
    m_messageLabel->setText(message ? message->displayText() : QString());
    m_timeLabel->setText(message ? DateAdditions::getFormattedDateStringFromDate(
                                       QDateTime::fromSecsSinceEpoch(message->date() / 1000))
                                 : QString());
}

void PLUserActionMessageCell::prepareForReuse() {
    PLChatMessageCell::prepareForReuse();
    m_messageLabel->setText(QString());
}

void PLUserActionMessageCell::applyReadLook(bool read, bool animated) {
    PLChatMessageCell::applyReadLook(read, animated);
    const QColor color =
        read ? PLChatWindowStyle::readSystemEventColor() : PLChatWindowStyle::unreadSystemEventColor();
    platform::ui::Animator::crossDissolve(m_messageLabel, animated ? kReadFadeMs : 0,
                                          [this, color] { m_messageLabel->setTextColor(color); });
}

} // namespace pelnix
