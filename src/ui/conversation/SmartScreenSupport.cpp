#include "ui/conversation/SmartScreenSupport.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"

namespace pelnix::SmartScreenSupport {

QString text(const char* key) {
    return PLCurrentBundleInfo::localizedString(QString::fromUtf8(key));
}

platform::ui::ViewController* topOf(platform::ui::ViewController* controller) {
    if (auto* navigation = qobject_cast<platform::ui::NavigationController*>(controller))
        return navigation->topViewController();
    return controller;
}

void showAlert(platform::ui::ViewController* on, const QString& title, const QString& message) {
    auto* alert = new platform::ui::AlertView(title, message, text("OK"), {});
    alert->show(on ? on->window() : nullptr);
}

} // namespace pelnix::SmartScreenSupport
