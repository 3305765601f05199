#pragma once

#include <QColor>

namespace pelnix::platform::ui {

// The one accent of the screen layer's controls (bar buttons, alerts and sheets, buttons, segmented
// controls, toolbars, index bars, checkmarks) wherever a screen sets no colour of its own: the
// library's house blue, so that no screen mixes it with another blue.
inline QColor defaultTintColor() {
    return QColor(0x00, 0x86, 0xCA);
}

} // namespace pelnix::platform::ui
