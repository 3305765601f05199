#pragma once

#include <QString>

namespace pelnix {
namespace platform::ui {
class TextField;
}

// Font and alignment operations on the library's text fields.
namespace TextFieldCustomFonts {

void setChangeAlignmenForRTL(platform::ui::TextField* field, bool change);
void setFontName(platform::ui::TextField* field, const QString& postScriptName);
void setFontName(platform::ui::TextField* field, const QString& postScriptName, qreal size);

} // namespace TextFieldCustomFonts
} // namespace pelnix
