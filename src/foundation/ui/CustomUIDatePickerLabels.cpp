#include "CustomUIDatePickerLabels.h"

#include "CustomFontRegistration.h"

#include <QDateTimeEdit>

namespace pelnix::CustomUIDatePickerLabels {

void styleDatePicker(QDateTimeEdit* picker) {
    if (!picker)
        return;
    picker->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 20));
    QPalette palette = picker->palette();
    const QColor color(0, 134, 202);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    picker->setPalette(palette);
}

} // namespace pelnix::CustomUIDatePickerLabels
