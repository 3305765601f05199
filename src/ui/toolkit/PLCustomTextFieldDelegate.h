#pragma once

namespace pelnix {

class PLCustomTextField;
class PLTextFieldRightButton;

// What a styled text field asks and tells its owner. Everything is optional.
class PLCustomTextFieldDelegate {
public:
    virtual ~PLCustomTextFieldDelegate() = default;
    // Whether this field gets the "SHOW"/"HIDE" button; asked once, when the field is set up.
    virtual bool shouldShowRightButtonOnTextField(PLCustomTextField* textField) {
        (void)textField;
        return false;
    }
    // True when the owner takes right-button taps; without it a tap changes nothing.
    virtual bool handlesRightButtonClicks() const { return false; }
    // The button was tapped; its title has already been toggled.
    virtual void rightButtonClicked(PLCustomTextField* textField, PLTextFieldRightButton* button) {
        (void)textField;
        (void)button;
    }
};

} // namespace pelnix
