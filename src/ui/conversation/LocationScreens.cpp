#include "ui/conversation/LocationScreens.h"

#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/conversation/PLChooseLocationViewController.h"
#include "ui/conversation/PLLocationViewController.h"

namespace pelnix::LocationScreens {

using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;

void registerScreens() {
    auto* registry = ScreenRegistry::shared();
    const QString storyboard = PLLocationViewController::kStoryboard;
    registry->registerScreen(storyboard, PLLocationViewController::kIdentifier,
                             [] { return new PLLocationViewController; });
    registry->registerScreen(storyboard, PLLocationViewController::kNavigationIdentifier, [storyboard] {
        return new NavigationController(
            ScreenRegistry::shared()->instantiate(storyboard, PLLocationViewController::kIdentifier));
    });
    registry->setInitialScreen(storyboard, PLLocationViewController::kNavigationIdentifier);
    registry->registerScreen(storyboard, PLChooseLocationViewController::kIdentifier,
                             [] { return new PLChooseLocationViewController; });
    registry->registerScreen(storyboard, PLChooseLocationViewController::kNavigationIdentifier, [storyboard] {
        return new NavigationController(
            ScreenRegistry::shared()->instantiate(storyboard, PLChooseLocationViewController::kIdentifier));
    });
}

platform::ui::BarButtonItem* titledBarButton(const QString& title, const QString& objectName,
                                             std::function<void()> action, platform::ui::Button** made) {
    auto* button = new platform::ui::Button;
    button->setObjectName(objectName);
    button->setTitle(title);
    button->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    button->setTitleColor(CustomColors::pelnixBlueColor());
    button->setTitleColor(QColor(0xC7, 0xC7, 0xCC), platform::ui::Button::State::Disabled);
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumWidth(64);
    auto* item = new platform::ui::BarButtonItem(static_cast<QWidget*>(button));
    item->setObjectName(objectName + QStringLiteral("Item"));
    item->setAction(std::move(action));
    // The item's own switch decides, so a tap on a disabled Send does nothing.
    QObject::connect(button, &platform::ui::Button::clicked, item, &platform::ui::BarButtonItem::trigger);
    if (made)
        *made = button;
    return item;
}

} // namespace pelnix::LocationScreens
