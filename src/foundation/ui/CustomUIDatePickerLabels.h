#pragma once

class QDateTimeEdit;

namespace pelnix::CustomUIDatePickerLabels {

// Gives one of the library's own date pickers its look: DejaVuSans at 20 points, text colour
// (0, 134, 202). Only the picker passed in changes; the host's pickers and labels keep theirs.
void styleDatePicker(QDateTimeEdit* picker);

} // namespace pelnix::CustomUIDatePickerLabels
