#include "ui/rooms/RoomsBarButtons.h"

#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "interface/Pelnix.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "ui/account/PLHostBarButtonItems.h"
#include "ui/rooms/RoomsTexts.h"

namespace pelnix::RoomsBarButtons {

using platform::ui::BarButtonItem;
using platform::ui::Button;

void addLeftBarButtonItems(platform::ui::ViewController* screen, std::function<void()> cancel) {
    auto* nav = screen ? screen->navigationController() : nullptr;
    if (!nav || nav->viewControllers().size() != 1)
        return;
    if (PLHostBarButtonItems::hasItems()) {
        // Mirrors: the host's items stay the host's, for every later list too.
        screen->navigationItem()->setLeftBarButtonItems(PLHostBarButtonItems::makeItems());
        return;
    }
    if (Pelnix::isCancelButtonHidden())
        return;
    auto* button = makeTitledButton(RoomsTexts::localized("Cancel"), QStringLiteral("cancelButton"));
    QObject::connect(button, &Button::clicked, screen, [cancel] {
        if (cancel)
            cancel();
    });
    screen->navigationItem()->setLeftBarButtonItem(new BarButtonItem(static_cast<QWidget*>(button)));
}

Button* makeTitledButton(const QString& title, const QString& objectName) {
    auto* button = new Button;
    button->setObjectName(objectName);
    button->setTitle(title);
    button->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    button->setTitleColor(CustomColors::pelnixBlueColor());
    // Tab reaches it, as the bar's other buttons; a click leaves the keys where they are. The room
    // around its title keeps the ring Tab draws off the letters.
    button->setFocusPolicy(Qt::TabFocus);
    button->setContentEdgeInsets(QMargins(6, 5, 6, 5));
    button->setMinimumWidth(64);
    return button;
}

} // namespace pelnix::RoomsBarButtons
