#pragma once

#include <QString>

class QFont;
class QTextLayout;

namespace pelnix::platform::ui {

// The text a label with a line limit shows when its lines do not hold all of it: what its lines
// before the last hold, then as much of the rest as fits on the last line, ended by "…". A null
// string when the laid-out lines hold the whole text (or only blanks are left over), or when the last
// line is too narrow for a letter and the ellipsis.
//
// `laidOut` holds the label's lines as laid out at `width`, at most `lines` of them.
QString truncatedToLines(const QTextLayout& laidOut, int lines, qreal width, const QFont& font);

} // namespace pelnix::platform::ui
