#include "CustomUIDatePickerLabels.h"

#include "CustomFontRegistration.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QPalette>
#include <QThread>

Q_LOGGING_CATEGORY(lcDatePickerLabels, "pelnix.foundation.datepickers", QtWarningMsg)

namespace pelnix::CustomUIDatePickerLabels {

void restyleDatePickers() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app) {
        qCInfo(lcDatePickerLabels) << "not a widget application: no date picker to restyle";
        return;
    }
    Q_ASSERT(QThread::currentThread() == app->thread());
    static bool done = false;
    if (done)
        return;
    done = true;
    CustomFontRegistration::loadCustomFonts();
    // By class name, as Qt resolves a widget's font and palette: QDateEdit and QTimeEdit inherit it,
    // and an editor's own explicit font or palette still wins.
    QApplication::setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), kFontSize),
                          "QDateTimeEdit");
    QPalette palette = QApplication::palette();
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(role, textColor());
    QApplication::setPalette(palette, "QDateTimeEdit");
}

} // namespace pelnix::CustomUIDatePickerLabels
