#pragma once

#include <Qt>

namespace pelnix::TextAlignment {

// The right-to-left swap of the text categories: in a right-to-left interface a left alignment becomes
// right and right becomes left; centred and justified stay. The result is absolute
// (Qt::AlignAbsolute) so Qt does not mirror it a second time. Vertical flags are kept.
Qt::Alignment swappedForRTL(Qt::Alignment alignment, bool rightToLeft);

} // namespace pelnix::TextAlignment
