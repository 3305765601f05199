#pragma once

#include <QFont>

namespace pelnix::platform::ui {

// The library's face, DejaVu Sans at `pixels` logical pixels (the screens' points). Each control of the
// screen layer sets it on itself or on its texts, so that none of them takes the host program's font: a
// host's default (often 9 or 10 points of another face) never changes how the library's screens look.
inline QFont libraryFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace pelnix::platform::ui
