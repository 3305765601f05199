#pragma once

#include <QBrush>
#include <QColor>
#include <QString>
#include <functional>
#include <optional>

namespace pelnix {

// The library's named colours. Each call builds the colour anew; the two configurable ones read their
// source at every call, so a change by the host shows at once.
namespace CustomColors {

// Sources set by the layers that own them (the library's start-up): the colour configuration's
// navigation title colour (a colour text) and the host's table separator colour.
void setNavigationTitleColorSource(std::function<QString()> source);
void setTableViewSeparatorColorSource(std::function<std::optional<QColor>()> source);

// The configured colour; customTextColor() when none is configured.
QColor navigationBarTitleColor();
// The host's colour when set, else "66c07f".
QColor chatRoomsTableViewSeparatorColor();
QColor pelnixBlueColor();
// A pattern of the bundle image "separatorImage" (a plain brush when the image is missing).
QBrush customSeparatorColor();
QColor textViewPlaceholderTextColor();
QColor pageControlIndicatorTintColor();
QColor pageControlCurrentPageIndicatorTintColor();
QColor customTextColor();
QColor progressColor();
QColor customBlueBackgroundColor();
QColor tableCellSelectionColor();
QColor floatingLabelBackgroundColor();

// A colour from a hex text: "#", "0x" and 3, 6 or 8 digits (RRGGBBAA); anything else is black, and
// the empty text is transparent.
QColor colorFromHexString(const QString& text);

} // namespace CustomColors
} // namespace pelnix
