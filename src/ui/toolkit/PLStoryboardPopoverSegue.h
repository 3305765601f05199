#pragma once

#include "PLPopoverArea.h"

#include <QPointer>
#include <QString>
#include <memory>

class QObject;

namespace pelnix {

namespace platform::ui {
class ViewController;
}
class PLPopoverController;

// A segue that shows its destination in a popover. The source asks for the popover controller while
// preparing (and may set its delegate, theme or pass-through views); perform() presents it from the
// sender: a bar button item, a view (its bounds), or nothing (centred on the key window's root view).
// A segue whose popover controller was never asked for shows nothing.
class PLStoryboardPopoverSegue {
public:
    PLStoryboardPopoverSegue(const QString& identifier, platform::ui::ViewController* source,
                             platform::ui::ViewController* destination);
    ~PLStoryboardPopoverSegue();

    QString identifier() const { return m_identifier; }
    platform::ui::ViewController* sourceViewController() const { return m_source; }
    platform::ui::ViewController* destinationViewController() const { return m_destination; }

    // A new popover controller for the destination (replacing any earlier one), kept by the segue.
    PLPopoverController* popoverControllerWithSender(QObject* sender, unsigned permittedArrowDirections,
                                                     bool animated,
                                                     unsigned options = PLPopoverAnimationOptionFade);
    PLPopoverController* popoverController() const { return m_popoverController.get(); }
    void perform();

private:
    QString m_identifier;
    QPointer<platform::ui::ViewController> m_source;
    QPointer<platform::ui::ViewController> m_destination;
    std::unique_ptr<PLPopoverController> m_popoverController;
    QPointer<QObject> m_sender;
    bool m_hasSender = false;
    unsigned m_arrowDirections = PLPopoverArrowDirectionAny;
    bool m_animated = false;
    unsigned m_options = PLPopoverAnimationOptionFade;
};

} // namespace pelnix
