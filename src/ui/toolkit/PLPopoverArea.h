#pragma once

#include <QSizeF>
#include <QString>

namespace pelnix {

// Arrow directions (the edge of the popover that carries the arrow) and animation options.
enum PLPopoverArrowDirection : unsigned {
    PLPopoverArrowDirectionUp = 1,    // popover below the anchor
    PLPopoverArrowDirectionDown = 2,  // popover above the anchor
    PLPopoverArrowDirectionLeft = 4,  // popover right of the anchor
    PLPopoverArrowDirectionRight = 8, // popover left of the anchor
    PLPopoverArrowDirectionNone = 16, // no arrow, centred
    PLPopoverArrowDirectionAny = 1 | 2 | 4 | 8,
};
enum PLPopoverAnimationOptions : unsigned {
    PLPopoverAnimationOptionFade = 1,
    PLPopoverAnimationOptionScale = 2,
};

// One candidate side for a popover: its direction and the room it leaves for the body. The value
// counts started 10-point cells, so rooms that differ by less than a cell each way score the same.
class PLPopoverArea {
public:
    PLPopoverArea(unsigned arrowDirection, const QSizeF& areaSize)
        : m_arrowDirection(arrowDirection), m_areaSize(areaSize) {}

    unsigned arrowDirection() const { return m_arrowDirection; }
    QSizeF areaSize() const { return m_areaSize; }
    float value() const;
    QString description() const;

private:
    unsigned m_arrowDirection;
    QSizeF m_areaSize;
};

} // namespace pelnix
