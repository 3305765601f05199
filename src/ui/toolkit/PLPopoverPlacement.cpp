#include "PLPopoverPlacement.h"

#include <QList>
#include <algorithm>
#include <cmath>

namespace pelnix {

QRectF PLPopoverPlacement::integral(const QRectF& r) {
    const qreal left = std::floor(r.left());
    const qreal top = std::floor(r.top());
    return QRectF(left, top, std::ceil(r.right()) - left, std::ceil(r.bottom()) - top);
}

QRectF PLPopoverPlacement::rectInWindowBounds(const QRectF& r, int orientation, qreal W, qreal H) {
    switch (orientation) {
    case 3:
        return {r.y(), W - r.x() - r.width(), r.height(), r.width()};
    case 2:
        return {W - r.x() - r.width(), H - r.y() - r.height(), r.width(), r.height()};
    case 4:
        return {H - r.y() - r.height(), r.x(), r.height(), r.width()};
    default:
        return r;
    }
}

QSizeF PLPopoverPlacement::sizeForRect(const QRectF& a, qreal arrowHeight, unsigned direction,
                                       const Screen& s) {
    switch (direction) {
    case PLPopoverArrowDirectionUp:
        return {s.maxX() - s.minX(), s.maxY() - (a.y() + a.height()) - arrowHeight};
    case PLPopoverArrowDirectionDown:
        return {s.maxX() - s.minX(), a.y() - s.minY() - arrowHeight};
    case PLPopoverArrowDirectionLeft:
        return {s.maxX() - (a.x() + a.width()) - arrowHeight, s.maxY() - s.minY()};
    case PLPopoverArrowDirectionRight:
        return {a.x() - s.minX() - arrowHeight, s.maxY() - s.minY()};
    case PLPopoverArrowDirectionNone:
        return {s.maxX() - s.minX(), s.maxY() - s.minY()};
    default:
        return {0, 0};
    }
}

unsigned PLPopoverPlacement::arrowDirectionForRect(const QRectF& anchor, const QSizeF& content,
                                                   qreal arrowHeight, unsigned permitted,
                                                   const Screen& screen) {
    QList<PLPopoverArea> areas;
    for (unsigned direction :
         {PLPopoverArrowDirectionDown, PLPopoverArrowDirectionUp, PLPopoverArrowDirectionLeft,
          PLPopoverArrowDirectionRight, PLPopoverArrowDirectionNone})
        if (permitted & direction)
            areas << PLPopoverArea(direction, sizeForRect(anchor, arrowHeight, direction, screen));
    if (areas.size() >= 2)
        areas.removeIf(
            [](const PLPopoverArea& a) { return a.areaSize().width() <= 0 || a.areaSize().height() <= 0; });
    // Stable: equal values keep the order they were made in.
    std::stable_sort(areas.begin(), areas.end(),
                     [](const PLPopoverArea& a, const PLPopoverArea& b) { return a.value() > b.value(); });
    for (const PLPopoverArea& area : areas)
        if (area.areaSize().width() >= content.width())
            return area.arrowDirection();
    if (!areas.isEmpty())
        return areas.first().arrowDirection();
    if (permitted & (PLPopoverArrowDirectionUp | PLPopoverArrowDirectionDown))
        return (permitted & PLPopoverArrowDirectionDown) ? PLPopoverArrowDirectionDown
                                                         : PLPopoverArrowDirectionUp;
    return (permitted & PLPopoverArrowDirectionLeft) ? PLPopoverArrowDirectionLeft
                                                     : PLPopoverArrowDirectionRight;
}

PLPopoverPlacement::Result PLPopoverPlacement::position(const QRectF& anchor, const QSizeF& content,
                                                        unsigned permitted, const Screen& screen,
                                                        const Bubble& bubble) {
    Result out;
    out.direction = arrowDirectionForRect(anchor, content, bubble.arrowHeight, permitted, screen);
    const QMarginsF in = bubble.outerShadowInsets;
    // The shadow may spill past the margins.
    const qreal minX = screen.minX() - in.left();
    const qreal maxX = screen.maxX() + in.right();
    const qreal minY = screen.minY() - in.top();
    const qreal maxY = screen.maxY() + in.bottom();

    QSizeF size = bubble.sizeThatFits ? bubble.sizeThatFits(out.direction, content) : content;
    size = size.boundedTo(QSizeF(maxX - minX, maxY - minY));
    QRectF frame(QPointF(0, 0), size);
    const unsigned d = out.direction;
    if (d == PLPopoverArrowDirectionDown || d == PLPopoverArrowDirectionRight ||
        d == PLPopoverArrowDirectionNone)
        frame = integral(frame);
    frame.moveCenter(d == PLPopoverArrowDirectionNone ? QRectF(minX, minY, maxX - minX, maxY - minY).center()
                                                      : anchor.center());
    if (d == PLPopoverArrowDirectionLeft)
        frame = integral(frame);

    auto clampAlong = [&out](qreal start, qreal length, qreal low, qreal high) {
        if (start < low) {
            out.arrowOffset = -(low - start);
            return low;
        }
        if (start + length > high) {
            out.arrowOffset = start + length - high;
            return start - out.arrowOffset;
        }
        out.arrowOffset = 0;
        return start;
    };
    switch (d) {
    case PLPopoverArrowDirectionUp:
    case PLPopoverArrowDirectionDown:
        frame.moveLeft(clampAlong(frame.left(), frame.width(), minX, maxX));
        break;
    case PLPopoverArrowDirectionLeft:
    case PLPopoverArrowDirectionRight:
        frame.moveTop(clampAlong(frame.top(), frame.height(), minY, maxY));
        break;
    default:
        out.arrowOffset = 0;
        break;
    }

    if (d == PLPopoverArrowDirectionDown) {
        frame.moveTop(frame.top() - (anchor.height() / 2 + frame.height() / 2 - in.bottom()));
        if (frame.top() < minY) {
            qreal cut = minY - frame.top();
            qreal height = frame.height() - cut;
            if (height < kMinimumHeight) {
                cut -= kMinimumHeight - height;
                height = kMinimumHeight;
            }
            frame.setHeight(height);
            frame.moveTop(frame.top() + cut);
        }
    } else if (d == PLPopoverArrowDirectionUp) {
        frame.moveTop(frame.top() + (anchor.height() / 2 + frame.height() / 2 - in.top()));
        if (frame.bottom() > maxY)
            frame.setHeight(qMax(kMinimumHeight, frame.height() - (frame.bottom() - maxY)));
    } else if (d == PLPopoverArrowDirectionRight) {
        frame.moveLeft(frame.left() - (anchor.width() / 2 + frame.width() / 2 - in.right()));
        if (frame.left() < minX) {
            qreal cut = minX - frame.left();
            qreal width = frame.width() - cut;
            if (width < kMinimumWidth) {
                cut -= kMinimumWidth - width;
                width = kMinimumWidth;
            }
            frame.setWidth(width);
            frame.moveLeft(frame.left() + cut);
        }
    } else if (d == PLPopoverArrowDirectionLeft) {
        frame.moveLeft(frame.left() + (anchor.width() / 2 + frame.width() / 2 - in.left()));
        if (frame.right() > maxX)
            frame.setWidth(qMax(kMinimumWidth, frame.width() - (frame.right() - maxX)));
    }
    out.frame = integral(frame);
    return out;
}

qreal PLPopoverPlacement::keyboardSlide(const QRectF& frame, qreal keyboardTop, const Screen& screen,
                                        const Bubble& bubble) {
    if (screen.keyboardHeight <= 0)
        return 0;
    qreal overlap = frame.bottom() - keyboardTop;
    if (overlap <= 0)
        return 0;
    const qreal minY = screen.minY() - bubble.outerShadowInsets.top();
    if (frame.top() - overlap < minY)
        overlap -= minY - (frame.top() - overlap);
    return overlap;
}

} // namespace pelnix
