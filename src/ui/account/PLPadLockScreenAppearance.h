#pragma once

#include <QColor>
#include <QFont>
#include <optional>

namespace pelnix {

// The look of every passcode pad made from now on: fonts and colours of the pad view, its digit
// buttons and its dots. A screen that restyles the pads sets it before making them.
struct PLPadLockScreenAppearance {
    // Pad view.
    QFont enterPasscodeLabelFont;
    QFont detailLabelFont;
    std::optional<QFont> deleteCancelLabelFont;
    QColor labelColor = Qt::white;
    QColor backgroundColor; // invalid: none
    // Digit buttons.
    QColor buttonBackgroundColor = Qt::transparent;
    QColor buttonBorderColor = Qt::white;
    QColor buttonSelectedColor = Qt::lightGray;
    QColor buttonTextColor = Qt::white;
    QColor buttonHighlightedTextColor = Qt::white;
    QFont numberLabelFont;
    QFont letterLabelFont;
    // Dots.
    QColor dotSelectedColor = Qt::white;

    // The plain look: white on whatever lies beneath.
    static PLPadLockScreenAppearance defaults();
    static PLPadLockScreenAppearance current();
    static void setCurrent(const PLPadLockScreenAppearance& appearance);
};

} // namespace pelnix
