#pragma once

#include "platform/ui/AttributedString.h"

#include <QSizeF>
#include <QString>

class QWidget;

namespace pelnix {
namespace platform::ui {
class Label;
}

// Text operations on the library's labels (the label additions and custom-font categories). Each
// acts once, when called; a null label is ignored.
namespace LabelAdditions {

void setChangeAlignmenForRTL(platform::ui::Label* label, bool change);
void setFontName(platform::ui::Label* label, const QString& postScriptName);
void setFontName(platform::ui::Label* label, const QString& postScriptName, qreal size);
void setHexFontColor(platform::ui::Label* label, const QString& hex);
// YES: a round clip (corner radius half the width); NO leaves the view untouched.
void setClipsToRoundedView(QWidget* view, bool clips);
// Height := the text's measured height at the current width (limit 999), origin and width kept.
void verticallyAlignText(platform::ui::Label* label);
QSizeF sizeFromCurrentText(const platform::ui::Label* label);
platform::ui::TextAttributes dejaVuRegularAttributes(const platform::ui::Label* label);
platform::ui::TextAttributes dejaVuBoldAttributes(const platform::ui::Label* label);

// Measured size of `text` in `font` at `width`, its height capped at `heightLimit`.
QSizeF measureText(const QString& text, const QFont& font, qreal width, qreal heightLimit);

} // namespace LabelAdditions
} // namespace pelnix
