#pragma once

#include "Color.h"

#include <QString>

namespace pelnix {

// Colour helpers of the popover: components, a hex text, lighter and darker shades.
namespace ColorPLPopover {

// Monochrome colours give their white as red, green and blue; other models answer false and zeros.
// Only the non-null outputs are written.
bool getValueOfRed(const Color& color, double* red, double* green, double* blue, double* alpha);
// "#rrggbbaa", each component times 255 truncated.
QString hexString(const Color& color);
// Red, green and blue moved by `amount` (capped at 1 / floored at 0); alpha becomes 1.
Color colorByLighten(const Color& color, double amount);
Color colorByDarken(const Color& color, double amount);

} // namespace ColorPLPopover
} // namespace pelnix
