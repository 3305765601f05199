#pragma once

#include <QRect>

class QWidget;

namespace pelnix {

class PLChatMessageCell;
class PLChatMessageWithProfileImageCell;

// The layout of the cells with a sender header: the avatar at the leading edge with the unread dot
// beside it, a header line with the sender's name and, at the trailing end, the outbox state; the
// content below the header starts at the name's left edge. Mirrored in right-to-left layouts.
namespace PLMessageCellLayout {

inline constexpr QRect kAvatar(12, 8, 36, 36);
inline constexpr QRect kUnreadDot(1, 21, 10, 10);
inline constexpr int kContentLeft = 56;
inline constexpr int kHeaderTop = 4;
inline constexpr int kHeaderHeight = 18;
inline constexpr int kTrailingMargin = 8;
inline constexpr int kIndicatorWidth = 100;

// Where the header's trailing column ends in `cell` (left-to-right coordinates).
int trailingEdge(const PLChatMessageCell* cell);
// The widest that content centred in a row `cellWidth` wide may be, keeping clear of the column the row
// keeps at its trailing end (`trailingReserve` beyond the trailing margin) on both sides, so that it
// stays centred in the row.
int centredWidthLimit(int cellWidth, int trailingReserve);
// Places `rect` (left-to-right coordinates) in `view`'s parent, mirrored for a right-to-left cell.
void place(QWidget* view, const QRect& rect, int cellWidth, bool rightToLeft);
// The avatar, the dot, the name and the outbox column of `cell`.
void placeSenderHeader(PLChatMessageWithProfileImageCell* cell, QWidget* nameLabel,
                       QWidget* pendingMessageView);

} // namespace PLMessageCellLayout
} // namespace pelnix
