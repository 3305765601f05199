#pragma once

#include <QRect>

class QWidget;

namespace pelnix {

class PLPopoverController;

// What a popover's owner may decide. Every method is optional; the defaults are what happens when
// the owner does not answer. The delegate must be a QObject: the controller holds it weakly and
// never calls one that is gone.
class PLPopoverControllerDelegate {
public:
    virtual ~PLPopoverControllerDelegate() = default;
    // An outside touch on a popover whose content is not modal.
    virtual bool popoverControllerShouldDismissPopover(PLPopoverController* controller) {
        Q_UNUSED(controller);
        return true;
    }
    // After presenting, when no completion was given.
    virtual void popoverControllerDidPresentPopover(PLPopoverController* controller) { Q_UNUSED(controller); }
    // After a dismissal by an outside touch, when no completion was given.
    virtual void popoverControllerDidDismissPopover(PLPopoverController* controller) { Q_UNUSED(controller); }
    // The anchor may be changed when the interface turns (not anchored to a bar item).
    virtual void willRepositionPopoverToRect(PLPopoverController* controller, QRect& rect, QWidget*& view) {
        Q_UNUSED(controller);
        Q_UNUSED(rect);
        Q_UNUSED(view);
    }
    virtual bool popoverControllerShouldIgnoreKeyboardBounds(PLPopoverController* controller) {
        Q_UNUSED(controller);
        return false;
    }
    // Before sliding up for the keyboard; the offset may be changed (0 cancels the slide).
    virtual void willTranslatePopoverWithYOffset(PLPopoverController* controller, qreal& yOffset) {
        Q_UNUSED(controller);
        Q_UNUSED(yOffset);
    }
};

} // namespace pelnix
