#pragma once

#include <QColor>

namespace pelnix::CustomUIDatePickerLabels {

// The look of every date picker in the program: DejaVuSans at 20 points, text (0, 134, 202).
constexpr int kFontSize = 20;
inline QColor textColor() {
    return QColor(0, 134, 202);
}

// Gives every date picker (QDateTimeEdit and its subclasses) the program makes from now on, the
// host's own included, that look; nothing else of the host changes. Once per process, however often
// it is called; on the main thread of a widget application only (elsewhere it does nothing).
void restyleDatePickers();

} // namespace pelnix::CustomUIDatePickerLabels
