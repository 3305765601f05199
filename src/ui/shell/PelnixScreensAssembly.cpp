#include "ui/shell/PelnixScreensAssembly.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "interface/PelnixScreenAssembly.h"
#include "ui/account/AccountAnalytics.h"
#include "ui/account/AccountScreens.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/contacts/ContactsScreens.h"
#include "ui/conversation/ConversationScreens.h"
#include "ui/rooms/RoomsScreens.h"
#include "ui/shell/PelnixCustomViewController.h"

#include <QGuiApplication>
#include <QThreadPool>
#include <QtGlobal>

namespace pelnix::PelnixScreensAssembly {

namespace {

// Every screen draws with the bundle's faces and icons: reading, registering and decoding them on
// workers overlaps the host's start-up instead of delaying its first screen. A screen that needs one
// before the workers are done waits for the faces or decodes the icon itself. The application's
// teardown (which removes the registered faces) waits for the workers first.
Q_GLOBAL_STATIC(QThreadPool, g_warmUpPool)

void warmUpBundleInBackground() {
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return; // nothing to draw: the faces need a graphical application
    const qreal scale = app->devicePixelRatio();
    g_warmUpPool->start([] { CustomFontRegistration::loadCustomFonts(); });
    g_warmUpPool->start([scale] { ImageAdditions::preloadBundleImages(scale); });
    qAddPostRoutine([] { g_warmUpPool->waitForDone(); });
}

void registerEveryScreen() {
    warmUpBundleInBackground();
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
