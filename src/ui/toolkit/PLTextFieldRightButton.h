#pragma once

#include "platform/ui/Button.h"

namespace pelnix {

// The small "SHOW"/"HIDE" button at the right end of a styled text field.
class PLTextFieldRightButton : public platform::ui::Button {
    Q_OBJECT
public:
    using Button::Button;
    // Titled with the localized "SHOW", grey, sized to fit its title.
    static PLTextFieldRightButton* button(QWidget* parent = nullptr);
};

} // namespace pelnix
