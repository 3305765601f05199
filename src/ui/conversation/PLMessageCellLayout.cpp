#include "ui/conversation/PLMessageCellLayout.h"

#include "ui/conversation/PLCellImageView.h"
#include "ui/conversation/PLChatMessageWithProfileImageCell.h"
#include "ui/conversation/PLChatWindowStyle.h"

namespace pelnix::PLMessageCellLayout {

void place(QWidget* view, const QRect& rect, int cellWidth, bool rightToLeft) {
    view->setGeometry(PLChatWindowStyle::mirrored(rect, cellWidth, rightToLeft));
}

void placeSenderHeader(PLChatMessageWithProfileImageCell* cell, QWidget* nameLabel,
                       QWidget* pendingMessageView) {
    const int w = cell->width();
    const bool rtl = cell->layoutDirection() == Qt::RightToLeft;
    place(cell->profileImageView(), kAvatar, w, rtl);
    place(cell->unreadIndicatorImageView(), kUnreadDot, w, rtl);
    place(
        nameLabel,
        QRect(kContentLeft, kHeaderTop, w - kContentLeft - kTrailingMargin - kIndicatorWidth, kHeaderHeight),
        w, rtl);
    place(pendingMessageView,
          QRect(w - kTrailingMargin - kIndicatorWidth, kHeaderTop, kIndicatorWidth, kHeaderHeight), w, rtl);
}

} // namespace pelnix::PLMessageCellLayout
