#include "foundation/ui/WidgetServices.h"

#include "foundation/DeviceTraits.h"
#include "foundation/PLReachabilityResponder.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Window.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>

Q_LOGGING_CATEGORY(lcWidgetServices, "pelnix.foundation.widgetservices", QtWarningMsg)

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
    // Without a window the check still answers NO.
    PLReachabilityResponder::setAlertPresenter(showAlert);
}

void WidgetServices::showAlert(const QString& title, const QString& message, const QString& button) {
    if (!platform::ui::Window::keyWindow()) {
        qCWarning(lcWidgetServices) << "no window to show the alert" << title << message;
        return;
    }
    auto* alert = new platform::ui::AlertView(title, message, button, {});
    alert->show();
}

} // namespace pelnix
