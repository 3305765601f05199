#include "ui/account/PLAppLockArming.h"

#include "core/session/PLAppLockSettingsManager.h"
#include "platform/MainThread.h"
#include "platform/ui/ApplicationStateMonitor.h"
#include "platform/ui/ViewController.h"
#include "ui/account/PLAppLockAccount.h"
#include "ui/account/PLAppLockScreenViewController.h"

#include <QLoggingCategory>

namespace pelnix {

Q_LOGGING_CATEGORY(lcAppLockArming, "pelnix.ui.applock.arming", QtWarningMsg)

using platform::NotificationCenter;
using platform::ui::ApplicationStateMonitor;

PLAppLockArming::PLAppLockArming(platform::ui::ViewController* screen, bool alwaysAnimated)
    : m_screen(screen), m_alwaysAnimated(alwaysAnimated) {}

PLAppLockArming::~PLAppLockArming() {
    screenWillDisappear();
}

void PLAppLockArming::screenDidAppear() {
    Q_ASSERT(platform::isMainThread());
    ApplicationStateMonitor::shared(); // the notification comes from it
    screenWillDisappear();
    m_observer = NotificationCenter::defaultCenter()->addObserver(
        ApplicationStateMonitor::kWillResignActive,
        [this](const platform::Notification&) { addAppLockScreenOnResigningActive(); }, m_screen.data());
    auto* settings = PLAppLockSettingsManager::sharedAppLockSettingsManager();
    if (settings->shouldShowAppLockScreen()) {
        showAppLockScreenForType(PLAppLockAccount::current()->appLockState(), true);
        // Spent whether or not a lock went up: later appearances never show it on their own.
        settings->setShouldShowAppLockScreen(false);
    }
}

void PLAppLockArming::screenWillDisappear() {
    if (m_observer) {
        NotificationCenter::defaultCenter()->removeObserver(m_observer);
        m_observer = 0;
    }
}

void PLAppLockArming::addAppLockScreenOnResigningActive() {
    showAppLockScreenForType(PLAppLockAccount::current()->appLockState(), false);
}

bool PLAppLockArming::showAppLockScreenForType(qint64 type, bool animated) {
    auto* settings = PLAppLockSettingsManager::sharedAppLockSettingsManager();
    if (!m_screen || PLAppLockAccount::current()->status() != PLAppLockAccount::kSignedInStatus ||
        settings->isAlreadyPresentingLockScreen() ||
        !PLAppLockScreenViewController::canShowAppScreenForType(type))
        return false;
    auto* lockScreen = new PLAppLockScreenViewController;
    lockScreen->setLockScreenState(type);
    lockScreen->setAppLockControllerDelegate(m_screen);
    m_screen->presentViewController(lockScreen, m_alwaysAnimated || animated);
    // A refused presentation (off screen, or something else presented) must not leave the flag set:
    // no lock could ever go up again in this process.
    if (!lockScreen->presentingViewController()) {
        qCWarning(lcAppLockArming) << "The lock screen could not be presented";
        delete lockScreen;
        return false;
    }
    settings->setIsAlreadyPresentingLockScreen(true);
    return true;
}

void PLAppLockArming::lockScreenFinished(PLAppLockScreenViewController* lockScreen,
                                         bool didFinishProcessing) {
    PLAppLockAccount::current()->changeAppLockStatusToState(didFinishProcessing ? 1 : 0);
    if (lockScreen) {
        if (platform::ui::ViewController* presenter = lockScreen->presentingViewController())
            presenter->dismissViewController(true);
    }
    PLAppLockSettingsManager::sharedAppLockSettingsManager()->setIsAlreadyPresentingLockScreen(false);
}

} // namespace pelnix
