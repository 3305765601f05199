#include "PLPopoverArea.h"

#include <cmath>

namespace pelnix {

float PLPopoverArea::value() const {
    if (m_areaSize.width() <= 0 || m_areaSize.height() <= 0)
        return 0;
    return std::ceil(float(m_areaSize.width()) / 10.0f) * std::ceil(float(m_areaSize.height()) / 10.0f);
}

QString PLPopoverArea::description() const {
    QString word;
    switch (m_arrowDirection) {
    case PLPopoverArrowDirectionUp:
        word = QStringLiteral("UP");
        break;
    case PLPopoverArrowDirectionDown:
        word = QStringLiteral("DOWN");
        break;
    case PLPopoverArrowDirectionLeft:
        word = QStringLiteral("LEFT");
        break;
    case PLPopoverArrowDirectionRight:
        word = QStringLiteral("RIGHT");
        break;
    case PLPopoverArrowDirectionNone:
        word = QStringLiteral("NONE");
        break;
    default:
        break;
    }
    return QStringLiteral("%1 [ %2 x %3 ]")
        .arg(word)
        .arg(m_areaSize.width(), 0, 'f', 6)
        .arg(m_areaSize.height(), 0, 'f', 6);
}

} // namespace pelnix
