#pragma once

#include "PLPopoverArea.h"

#include <QMarginsF>
#include <QRectF>
#include <functional>

namespace pelnix {

// Where a popover goes, as pure geometry in interface space (origin top-left as the user sees it):
// the side it opens on, its size and frame inside the margins, the arrow's shift, and the slide out
// of the keyboard's way. The controller feeds it the window, keyboard and bubble metrics.
class PLPopoverPlacement {
public:
    static constexpr qreal kMinimumHeight = 160; // above or below the anchor
    static constexpr qreal kMinimumWidth = 240;  // beside the anchor

    // The screen a popover is placed on and the limits it derives.
    struct Screen {
        QSizeF size;
        QMarginsF margins{10, 10, 10, 10};
        qreal statusBarHeight = 0;
        qreal keyboardHeight = 0;
        qreal minX() const { return margins.left(); }
        qreal maxX() const { return size.width() - margins.right(); }
        qreal minY() const { return statusBarHeight + margins.top(); }
        qreal maxY() const { return size.height() - margins.bottom() - keyboardHeight; }
    };
    // What placement asks of the bubble.
    struct Bubble {
        qreal arrowHeight = 0;
        QMarginsF outerShadowInsets;
        // The bubble's size around a content size with the given arrow direction.
        std::function<QSizeF(unsigned direction, const QSizeF& content)> sizeThatFits;
    };
    struct Result {
        unsigned direction = PLPopoverArrowDirectionNone;
        QRectF frame;
        qreal arrowOffset = 0; // as asked of the bubble, before it keeps the arrow off the corners
    };

    // The smallest whole-point rectangle that holds `rect`.
    static QRectF integral(const QRectF& rect);
    // A window rectangle in interface space for a status-bar orientation (1 portrait, 2 upside down,
    // 3 landscape left, 4 landscape right); W and H are the window's width and height.
    static QRectF rectInWindowBounds(const QRectF& rect, int orientation, qreal windowWidth,
                                     qreal windowHeight);

    // The room for the body on the side of `direction`; (0, 0) for an unknown direction.
    static QSizeF sizeForRect(const QRectF& anchor, qreal arrowHeight, unsigned direction,
                              const Screen& screen);
    // The side to open on: the largest room whose width takes the content, else the largest room.
    // Equal rooms keep the order Down, Up, Left, Right, None.
    static unsigned arrowDirectionForRect(const QRectF& anchor, const QSizeF& contentSize, qreal arrowHeight,
                                          unsigned permitted, const Screen& screen);
    // Direction, frame and arrow offset, before any keyboard slide.
    static Result position(const QRectF& anchor, const QSizeF& contentSize, unsigned permitted,
                           const Screen& screen, const Bubble& bubble);
    // How far the frame must move up to clear a keyboard whose top edge is at `keyboardTop`: the
    // overlap, less what would take it above the top limit; 0 without a keyboard or an overlap.
    static qreal keyboardSlide(const QRectF& frame, qreal keyboardTop, const Screen& screen,
                               const Bubble& bubble);
};

} // namespace pelnix
