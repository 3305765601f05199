#include "ButtonAdditions.h"

#include "CustomColors.h"
#include "CustomFontRegistration.h"
#include "ImageAdditions.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TableViewCell.h"

namespace pelnix::ButtonAdditions {

using platform::ui::Button;

void setFontNameForNormalState(Button* button, const QString& postScriptName) {
    if (!button)
        return;
    const QFont current = button->titleFont();
    button->setTitleFont(CustomFontRegistration::fontWithName(
        postScriptName, current.pixelSize() > 0 ? current.pixelSize() : current.pointSizeF()));
}

void setHexFontColor(Button* button, const QString& hex) {
    if (button)
        button->setTitleColor(CustomColors::colorFromHexString(hex), Button::State::Normal);
}

void dejavuRegularFontWithTitle(Button* button, const QString& title, const QString& hex) {
    if (!button)
        return;
    button->setTitle(title, Button::State::Normal);
    button->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    button->setTitleColor(CustomColors::colorFromHexString(hex), Button::State::Normal);
}

void setDejavuTitleFont(platform::ui::BarButtonItem* item) {
    if (item)
        item->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
}

void setImageNamed(Button* button, const QString& name) {
    if (button)
        button->setImage(ImageAdditions::loadImageNamed(name), Button::State::Normal);
}

void setBackgroundImageNamed(Button* button, const QString& name) {
    if (button)
        button->setBackgroundImage(ImageAdditions::loadImageNamed(name), Button::State::Normal);
}

void setImageNamed(platform::ui::ImageView* view, const QString& name) {
    if (view)
        view->setImage(ImageAdditions::loadImageNamed(name));
}

void setCustomHighlightColor(platform::ui::TableViewCell* cell) {
    if (cell)
        cell->setSelectedBackgroundColor(CustomColors::tableCellSelectionColor());
}

} // namespace pelnix::ButtonAdditions
