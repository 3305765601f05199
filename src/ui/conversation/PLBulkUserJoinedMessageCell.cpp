#include "ui/conversation/PLBulkUserJoinedMessageCell.h"

#include "core/model/Message.h"
#include "foundation/DateAdditions.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "ui/conversation/PLCellLabel.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLClippedView.h"
#include "ui/conversation/PLMessageCellLayout.h"
#include "ui/conversation/PLMessageTextView.h"
#include "ui/toolkit/Geometry.h"

#include <QPainter>
#include <cmath>

namespace pelnix {

using platform::ui::Animator;
using platform::ui::Button;
using platform::ui::Label;
using platform::ui::TapGestureRecognizer;

namespace {
constexpr int kMaximumBoxWidth = 280;
constexpr int kBoxSideMargin = 20;
constexpr int kLabelPadding = 8;
constexpr int kClippedViewWidth = 12;
constexpr int kClippedViewHeight = 6;
constexpr int kFadeMs = 200;
const QColor kBoxColor(0xEE, 0xEE, 0xEE);
// The names' box reaches 4 points into the gap above them and 3 into the time's band below, so the
// names have room in it; the triangle joins it to the event's box.
constexpr int kNamesTopPadding = 4;
constexpr int kNamesBottomPadding = 3;
// Read names stay legible on the box's grey (4.9:1): they are shown only when asked for, to be read.
const QColor kReadNamesColor(0x66, 0x66, 0x66);

// Rounded up in single precision, as the row heights are.
qreal roundedUp(qreal height) {
    return qreal(std::ceil(float(height)));
}

qreal labelWidth(int boxWidth, int arrowWidth) {
    return boxWidth - 2 * kLabelPadding - arrowWidth;
}

// A rounded grey box behind its children.
class RoundedBox : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kBoxColor);
        painter.drawRoundedRect(QRectF(rect()), 6, 6);
    }
};
} // namespace

PLBulkUserJoinedMessageCell::PLBulkUserJoinedMessageCell(QWidget* parent)
    : PLChatMessageCell(kIdentifier, parent), m_messageInfoView(new RoundedBox(contentView())),
      m_expandableView(new QWidget(contentView())), m_messageLabel(new PLCellLabel(m_messageInfoView)),
      m_userNamesLabel(new PLCellLabel(new RoundedBox(m_expandableView))),
      m_timeStampLabel(new PLCellLabel(contentView())), m_arrowIndicatorButton(new Button(m_messageInfoView)),
      m_clippedView(new PLClippedView(m_expandableView)),
      m_tapGestureRecognizer(new TapGestureRecognizer([this](auto*) { expandMessageContent(); })) {
    m_messageInfoView->setObjectName(QStringLiteral("messageInfoView"));
    m_expandableView->setObjectName(QStringLiteral("expandableView"));
    m_messageLabel->setObjectName(QStringLiteral("messageLabel"));
    m_messageLabel->setFont(PLChatWindowStyle::systemEventFont());
    m_messageLabel->setNumberOfLines(0);
    m_messageLabel->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    m_userNamesLabel->setObjectName(QStringLiteral("userNamesLabel"));
    m_userNamesLabel->setFont(PLChatWindowStyle::systemEventFont());
    m_userNamesLabel->setNumberOfLines(0);
    m_userNamesLabel->setAlignsTop(true);
    m_timeStampLabel->setObjectName(QStringLiteral("timeStampLabel"));
    m_timeStampLabel->setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 10));
    m_timeStampLabel->setTextColor(PLChatWindowStyle::readSystemEventColor());
    m_timeStampLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_arrowIndicatorButton->setObjectName(QStringLiteral("arrowIndicatorButton"));
    m_clippedView->setObjectName(QStringLiteral("clippedView"));
    m_clippedView->setFillColor(kBoxColor);
    m_tapGestureRecognizer->addToView(m_messageLabel);
    connect(m_arrowIndicatorButton, &Button::clicked, this,
            &PLBulkUserJoinedMessageCell::arrowIndicatorButtontapHandler);
    m_expandableView->hide();
    markRead(0);
}

int PLBulkUserJoinedMessageCell::boxWidth(qreal cellWidth, int trailingReserve) {
    return qMin(int(qMin<qreal>(kMaximumBoxWidth, cellWidth - 2 * kBoxSideMargin)),
                PLMessageCellLayout::centredWidthLimit(int(cellWidth), trailingReserve));
}

qreal PLBulkUserJoinedMessageCell::cellHeightWithMessageString(const QString& text,
                                                               const QString& bulkJoinedUserNames,
                                                               bool isExpanded, qreal cellWidth,
                                                               int trailingReserve) {
    const QFont font = PLChatWindowStyle::systemEventFont();
    const int box = boxWidth(cellWidth, trailingReserve);
    qreal height =
        qMax(kMinimumTextHeight,
             roundedUp(PLMessageTextView::measuredHeight(text, font, labelWidth(box, kArrowWidth))));
    if (isExpanded)
        height +=
            roundedUp(PLMessageTextView::measuredHeight(bulkJoinedUserNames, font, box - 2 * kLabelPadding)) +
            kNamesSpacing;
    return height + kHeightConstant;
}

void PLBulkUserJoinedMessageCell::setMessage(const std::shared_ptr<Message>& message,
                                             PLBulkUserJoinedMessageCellDelegate* delegate,
                                             bool isCellExpanded) {
    PLChatMessageCell::setMessage(message);
    m_expanded = isCellExpanded;
    m_messageLabel->setText(message ? message->displayText() : QString());
    m_timeStampLabel->setText(message ? DateAdditions::getFormattedDateStringFromDate(
                                            QDateTime::fromSecsSinceEpoch(message->date() / 1000))
                                      : QString());
    m_delegate.set(delegate);
    Animator::crossDissolve(this, kFadeMs, [this] { m_userNamesLabel->setVisible(m_expanded); });
    m_clippedView->setVisible(m_expanded);
    m_expandableView->setVisible(m_expanded);
    const QString names = message ? message->bulkJoinedUserNames() : QString();
    if (m_expanded) {
        m_userNamesLabel->setText(names);
        m_userNamesLabel->setAlignment(Qt::AlignLeading | Qt::AlignTop);
        m_arrowIndicatorButton->show();
    } else if (names.isEmpty()) {
        m_arrowIndicatorButton->hide();
        m_arrowButtonWidth = 0;
        m_clippedViewWidth = 0;
    }
    layOut();
}

void PLBulkUserJoinedMessageCell::layOut() {
    const int box = boxWidth(width(), trailingReserve());
    const int left = (width() - box) / 2;
    // Measured at the width the cell has now: it may be filled before it is given its place.
    const QFont font = PLChatWindowStyle::systemEventFont();
    const auto message = this->message();
    m_messageInfoHeight =
        qMax(kMinimumTextHeight,
             roundedUp(PLMessageTextView::measuredHeight(message ? message->text() : QString(), font,
                                                         labelWidth(box, m_arrowButtonWidth))));
    if (m_expanded)
        m_userNamesLabelHeight = roundedUp(
            PLMessageTextView::measuredHeight(m_userNamesLabel->text(), font, box - 2 * kLabelPadding));
    const int infoHeight = int(m_messageInfoHeight);
    m_messageInfoView->setGeometry(left, 0, box, infoHeight);
    // The arrow opens the names: it lies at the box's trailing end, drawn mirrored right to left.
    Geometry::placeInReadingOrder(
        m_messageLabel, QRect(kLabelPadding, 0, int(labelWidth(box, m_arrowButtonWidth)), infoHeight));
    Geometry::placeInReadingOrder(m_arrowIndicatorButton, QRect(box - kLabelPadding - m_arrowButtonWidth, 0,
                                                                m_arrowButtonWidth, infoHeight));
    const QImage arrow = PLChatWindowStyle::image(QStringLiteral("downArrow"))
                             .mirrored(m_messageInfoView->isRightToLeft(), m_expanded);
    if (m_arrowIndicatorButton->imageForState(Button::State::Normal) != arrow)
        m_arrowIndicatorButton->setImage(arrow);
    int y = infoHeight;
    int timeBand = int(kHeightConstant);
    if (m_expanded) {
        const int namesHeight = int(m_userNamesLabelHeight);
        const int namesTop = int(kNamesSpacing);
        const int boxTop = namesTop - kNamesTopPadding;
        const int boxHeight = kNamesTopPadding + namesHeight + kNamesBottomPadding;
        m_expandableView->setGeometry(left, y, box, boxTop + boxHeight);
        m_clippedView->setGeometry((box - m_clippedViewWidth) / 2, boxTop - kClippedViewHeight,
                                   m_clippedViewWidth, kClippedViewHeight);
        // The names sit in a box of their own under the triangle.
        m_userNamesLabel->parentWidget()->setGeometry(0, boxTop, box, boxHeight);
        m_userNamesLabel->setGeometry(kLabelPadding, kNamesTopPadding, box - 2 * kLabelPadding, namesHeight);
        y += boxTop + boxHeight;
        timeBand -= kNamesBottomPadding;
    }
    const int band = PLMessageCellLayout::centredWidthLimit(width(), trailingReserve());
    m_timeStampLabel->setGeometry((width() - band) / 2, y, band, timeBand);
}

void PLBulkUserJoinedMessageCell::resizeEvent(QResizeEvent* event) {
    PLChatMessageCell::resizeEvent(event);
    layOut();
}

void PLBulkUserJoinedMessageCell::prepareForReuse() {
    PLChatMessageCell::prepareForReuse();
    m_messageLabel->setText(QString());
    m_userNamesLabel->setText(QString());
    // A cell that showed an event without names gets its arrow back for the next one.
    m_arrowButtonWidth = kArrowWidth;
    m_clippedViewWidth = kClippedViewWidth;
    m_arrowIndicatorButton->show();
}

void PLBulkUserJoinedMessageCell::applyReadLook(bool read, bool animated) {
    PLChatMessageCell::applyReadLook(read, animated);
    const QColor color =
        read ? PLChatWindowStyle::readSystemEventColor() : PLChatWindowStyle::unreadSystemEventColor();
    const QColor names = read ? kReadNamesColor : color;
    Animator::crossDissolve(this, animated ? kFadeMs : 0, [this, color, names] {
        m_messageLabel->setTextColor(color);
        m_userNamesLabel->setTextColor(names);
    });
}

void PLBulkUserJoinedMessageCell::arrowIndicatorButtontapHandler() {
    if (auto* delegate = m_delegate.get())
        delegate->arrowIndicatorButtonTappedFrom(this);
}

void PLBulkUserJoinedMessageCell::expandMessageContent() {
    const auto message = this->message();
    if (message && !message->bulkJoinedUserNames().isEmpty())
        arrowIndicatorButtontapHandler();
}

} // namespace pelnix
