#include "ui/conversation/PLRoomStateBannerView.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/ui/Label.h"
#include "ui/conversation/PLCellLabel.h"
#include "ui/conversation/PLChatWindowStyle.h"

#include <QMouseEvent>
#include <QPainter>

namespace pelnix {

namespace {
constexpr int kSideMargin = 12;
const QColor kBorder(0xD6, 0xD9, 0xDC);
const QColor kText(0x5A, 0x62, 0x6B);
} // namespace

PLRoomStateBannerView::PLRoomStateBannerView(Kind kind, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_label(new PLCellLabel(this)) {
    setObjectName(kind == Kind::RoomClosed ? kRoomClosedMessageView : kUserKickedMessageView);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_label->setObjectName(QStringLiteral("bannerMessageLabel"));
    m_label->setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 13));
    m_label->setTextColor(kText);
    m_label->setNumberOfLines(0);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setText(text());
    setAccessibleName(text());
}

QString PLRoomStateBannerView::text() const {
    return PLCurrentBundleInfo::localizedString(
        m_kind == Kind::RoomClosed
            ? QStringLiteral("This group has been terminated by Admin. You are not allowed to post here")
            : QStringLiteral("Only admin can post message to this group."));
}

QColor PLRoomStateBannerView::backgroundColor() {
    return QColor(0xEE, 0xF0, 0xF2);
}

void PLRoomStateBannerView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_label->setGeometry(kSideMargin, 1, qMax(0, width() - 2 * kSideMargin), qMax(0, height() - 1));
}

void PLRoomStateBannerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColor());
    painter.setPen(kBorder);
    painter.drawLine(0, 0, width(), 0);
}

void PLRoomStateBannerView::mousePressEvent(QMouseEvent* event) {
    // Taken here: the bar under the banner cannot be reached.
    event->accept();
}

} // namespace pelnix
