#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

namespace pelnix::tools {

// The face of the galleries' own texts, on their demo pages and pictures: DejaVu Sans at `pixels`. The
// gallery's windows keep the program's font, as a host's do, so each of its texts sets this one.
QFont galleryFont(int pixels, bool bold = false);
// The first letters of a name's first two words, upper case; "?" for no name.
QString initialsOf(const QString& name);
// A square picture of 96 pixels in `colour` with the initials in white, as the galleries' people and
// groups show them.
QImage initialsPicture(const QString& initials, const QColor& colour);

} // namespace pelnix::tools
