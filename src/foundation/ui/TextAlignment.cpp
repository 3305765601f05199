#include "TextAlignment.h"

namespace pelnix::TextAlignment {

Qt::Alignment swappedForRTL(Qt::Alignment alignment, bool rightToLeft) {
    if (!rightToLeft)
        return alignment;
    const Qt::Alignment vertical = alignment & Qt::AlignVertical_Mask;
    const Qt::Alignment horizontal =
        alignment & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify);
    if (horizontal == Qt::AlignLeft)
        return vertical | Qt::AlignRight | Qt::AlignAbsolute;
    if (horizontal == Qt::AlignRight)
        return vertical | Qt::AlignLeft | Qt::AlignAbsolute;
    return alignment;
}

} // namespace pelnix::TextAlignment
