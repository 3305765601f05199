#pragma once

#include "platform/ui/AttributedString.h"

#include <QString>

namespace pelnix {
namespace platform::ui {
class TextView;
}

// Operations on the library's text views.
namespace TextViewAddtions {

void setChangeAlignmenForRTL(platform::ui::TextView* view, bool change);
void setFontName(platform::ui::TextView* view, const QString& postScriptName);
void setHexFontColor(platform::ui::TextView* view, const QString& hex);
// The measured text height at the view's width, rounded up to a whole number; 0 without text.
qreal heightForCurrentText(const platform::ui::TextView* view);
// ceilf of a measured height as a 32-bit float: 17.2 gives 18.
qreal roundedTextHeight(qreal measured);
// Centres the text vertically when it is shorter than the view.
void verticallyCenterText(platform::ui::TextView* view);
// Selectable views become unselectable and selectable again (drops a stale selection).
void resetSelectableState(platform::ui::TextView* view);
platform::ui::TextAttributes dejaVuRegularAttributes(const platform::ui::TextView* view);
platform::ui::TextAttributes dejaVuBoldAttributes(const platform::ui::TextView* view);

} // namespace TextViewAddtions
} // namespace pelnix
