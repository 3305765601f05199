#include "foundation/ui/WidgetServices.h"

#include "foundation/DeviceTraits.h"
#include "foundation/PLReachabilityResponder.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Window.h"

#include <QGuiApplication>
#include <QScreen>

namespace pelnix {

void WidgetServices::updateDeviceTraitsFromScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    DeviceTraits traits = DeviceTraits::current();
    traits.scale = screen->devicePixelRatio();
    traits.idiom = 0; // the library lays its screens out as on a phone
    traits.screenBounds = screen->geometry().size();
    DeviceTraits::setCurrent(traits);
}

void WidgetServices::install() {
    updateDeviceTraitsFromScreen();
    PLReachabilityResponder::setAlertPresenter(
        [](const QString& title, const QString& message, const QString& cancelButton) {
            // Without a window of the library's there is nowhere to show it: the check still answers NO.
            if (!platform::ui::Window::keyWindow())
                return;
            auto* alert = new platform::ui::AlertView(title, message, cancelButton, {});
            alert->show();
        });
}

} // namespace pelnix
