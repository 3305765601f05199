#pragma once

namespace pelnix {

// Row measures of the people lists (contact picker, admin selection, new group members): a row is
// PLCellHeight high, or 12 points more when its detail text, measured in DejaVuSans 12 at the list's
// width less PLWidthConstant, needs more than 20 points.
inline constexpr double PLCellHeight = 64.0;
inline constexpr double PLWidthConstant = 100.0;

} // namespace pelnix
