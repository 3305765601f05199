#pragma once

#include <QString>

namespace pelnix {
namespace platform::ui {
class BarButtonItem;
class Button;
class ImageView;
class TableViewCell;
} // namespace platform::ui

// Button, image view and cell helpers: fonts by PostScript name, hex colours, bundle images.
namespace ButtonAdditions {

void setFontNameForNormalState(platform::ui::Button* button, const QString& postScriptName);
void setHexFontColor(platform::ui::Button* button, const QString& hex);
// Title, DejaVuSans at 15 points, and the title colour, for the normal state.
void dejavuRegularFontWithTitle(platform::ui::Button* button, const QString& title, const QString& hex);
// The library's bar-button title font, DejaVuSans at 15 points, whatever font the host window has.
void setDejavuTitleFont(platform::ui::BarButtonItem* item);
void setImageNamed(platform::ui::Button* button, const QString& name);
void setBackgroundImageNamed(platform::ui::Button* button, const QString& name);
void setImageNamed(platform::ui::ImageView* view, const QString& name);
// The selected row shows the library's selection colour.
void setCustomHighlightColor(platform::ui::TableViewCell* cell);

} // namespace ButtonAdditions
} // namespace pelnix
