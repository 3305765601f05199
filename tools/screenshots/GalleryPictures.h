#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace pelnix::tools {

// The first letters of a name's first two words, upper case; "?" for no name.
QString initialsOf(const QString& name);
// A square picture of 96 pixels in `colour` with the initials in white, as the galleries' people and
// groups show them.
QImage initialsPicture(const QString& initials, const QColor& colour);

} // namespace pelnix::tools
