#include "ui/shell/PelnixScreensAssembly.h"

#include "interface/PLAnalyticsTrackingHelper.h"
#include "interface/PelnixScreenAssembly.h"
#include "ui/account/AccountAnalytics.h"
#include "ui/account/AccountScreens.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/contacts/ContactsScreens.h"
#include "ui/conversation/ConversationScreens.h"
#include "ui/rooms/RoomsScreens.h"
#include "ui/shell/PelnixCustomViewController.h"

#include <QtGlobal>

namespace pelnix::PelnixScreensAssembly {

namespace {

void registerEveryScreen() {
    AccountScreens::registerScreens();
    AccountAnalytics::setTracker([](const QString& eventName, const QVariantMap& properties) {
        PLAnalyticsTrackingHelper::trackEvent(eventName, properties, true);
    });
    ConversationScreens::registerScreens();
    RoomsScreens::registerScreens();
    ContactsScreens::registerScreens();
}

} // namespace

void install() {
    static_assert(qint64(PelnixScreenAssembly::Unlock) == qint64(PLAppLockScreenViewController::Unlock) &&
                  qint64(PelnixScreenAssembly::SwitchOff) ==
                      qint64(PLAppLockScreenViewController::SwitchOff) &&
                  qint64(PelnixScreenAssembly::Change) == qint64(PLAppLockScreenViewController::Change));
    auto& assembly = PelnixScreenAssembly::shared();
    assembly.registerScreens = registerEveryScreen;
    assembly.canShowLockScreen = [](qint64 state) {
        return PLAppLockScreenViewController::canShowAppScreenForType(state);
    };
    assembly.passcodeContainer = [](qint64 type, PelnixScreenAssembly::LockScreenHandler completion) {
        auto* container = new PelnixCustomViewController(3);
        container->setPasscodeViewType(type);
        container->setPasscodeControllerCompletionHandler(std::move(completion));
        return static_cast<platform::ui::ViewController*>(container);
    };
}

} // namespace pelnix::PelnixScreensAssembly

namespace {
void installScreensAssembly() {
    pelnix::PelnixScreensAssembly::install();
}
} // namespace
Q_CONSTRUCTOR_FUNCTION(installScreensAssembly)
