#include "ui/conversation/PLMessageCellLayout.h"

#include "ui/conversation/PLCellImageView.h"
#include "ui/conversation/PLChatMessageWithProfileImageCell.h"
#include "ui/conversation/PLChatWindowStyle.h"

namespace pelnix::PLMessageCellLayout {

void place(QWidget* view, const QRect& rect, int cellWidth, bool rightToLeft) {
    view->setGeometry(PLChatWindowStyle::mirrored(rect, cellWidth, rightToLeft));
}

int trailingEdge(const PLChatMessageCell* cell) {
    return cell->width() - kTrailingMargin - cell->trailingReserve();
}

int centredWidthLimit(int cellWidth, int trailingReserve) {
    return trailingReserve > 0 ? qMax(0, cellWidth - 2 * (trailingReserve + kTrailingMargin)) : cellWidth;
}

void placeSenderHeader(PLChatMessageWithProfileImageCell* cell, QWidget* nameLabel,
                       QWidget* pendingMessageView) {
    const int w = cell->width();
    const bool rtl = cell->layoutDirection() == Qt::RightToLeft;
    place(cell->profileImageView(), kAvatar, w, rtl);
    place(cell->unreadIndicatorImageView(), kUnreadDot, w, rtl);
    place(nameLabel,
          QRect(kContentLeft, kHeaderTop, trailingEdge(cell) - kContentLeft - kIndicatorWidth, kHeaderHeight),
          w, rtl);
    place(pendingMessageView,
          QRect(trailingEdge(cell) - kIndicatorWidth, kHeaderTop, kIndicatorWidth, kHeaderHeight), w, rtl);
}

} // namespace pelnix::PLMessageCellLayout
