#include "PLTextFieldRightButton.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomFontRegistration.h"

namespace pelnix {

PLTextFieldRightButton* PLTextFieldRightButton::button(QWidget* parent) {
    auto* button = new PLTextFieldRightButton(parent);
    button->setObjectName(QStringLiteral("rightButton"));
    button->setTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("SHOW")));
    // The bundle ships no Arial; the same name resolves to the nearest face the system has.
    button->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("ArialMT"), 10));
    button->setTitleColor(QColor::fromRgbF(2.0 / 3, 2.0 / 3, 2.0 / 3));
    button->resize(button->sizeHint());
    return button;
}

} // namespace pelnix
