#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace pelnix::CustomFontRegistration {

// Registers the six DejaVu faces of the bundle with the application's font database, once per
// process however often it is called, from any thread (a caller arriving while another thread
// registers them waits). Nothing else of the host changes: no default font is set.
void loadCustomFonts();

// The PostScript names registered, in registration order ("DejaVuSans", "DejaVuSans-Bold", ...).
QStringList registeredFontNames();

// The font of a PostScript name at `size` points (points are logical pixels, as on the phone). The
// family, weight and slant come from the face files themselves; an unknown name gives the plain
// default font at that size.
QFont fontWithName(const QString& postScriptName, qreal size);

} // namespace pelnix::CustomFontRegistration
