#include "TextFieldCustomFonts.h"

#include "CustomFontRegistration.h"
#include "DeviceInfo.h"
#include "TextAlignment.h"

#include "platform/ui/TextField.h"

namespace pelnix::TextFieldCustomFonts {

void setChangeAlignmenForRTL(platform::ui::TextField* field, bool change) {
    if (field && change)
        field->setAlignment(
            TextAlignment::swappedForRTL(field->alignment(), DeviceInfo::currentLocaleIsOfRTLType()));
}

void setFontName(platform::ui::TextField* field, const QString& postScriptName) {
    if (!field)
        return;
    const QFont current = field->font();
    setFontName(field, postScriptName, current.pixelSize() > 0 ? current.pixelSize() : current.pointSizeF());
}

void setFontName(platform::ui::TextField* field, const QString& postScriptName, qreal size) {
    if (field)
        field->setFont(CustomFontRegistration::fontWithName(postScriptName, size));
}

} // namespace pelnix::TextFieldCustomFonts
