#include "ui/account/PLAppLockScreenViewController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ApplicationStateMonitor.h"
#include "ui/account/PLAppLockAccount.h"
#include "ui/account/PLPadLockScreenSetupViewController.h"
#include "ui/account/PLPadLockScreenView.h"
#include "ui/account/PLPadLockScreenViewController.h"
#include "ui/toolkit/Color.h"

#include <QLoggingCategory>

namespace pelnix {

Q_LOGGING_CATEGORY(lcAppLock, "pelnix.ui.applock", QtWarningMsg)

using platform::NotificationCenter;
using platform::ui::AlertView;
using platform::ui::ApplicationStateMonitor;

namespace {
QString localized(const char* text) {
    return PLCurrentBundleInfo::localizedString(QString::fromUtf8(text));
}

QColor hex(const char* text) {
    return Color::colorWithString(QString::fromLatin1(text)).toQColor();
}

bool hasStoredPasscode() {
    return !PLKeychainAccessHelper::currentPasscode().isEmpty();
}
} // namespace

PLAppLockScreenViewController::PLAppLockScreenViewController(QObject* parent) : ViewController(parent) {}

PLAppLockScreenViewController::~PLAppLockScreenViewController() {
    NotificationCenter::defaultCenter()->removeObservers(this);
}

bool PLAppLockScreenViewController::canShowAppScreenForType(qint64 type) {
    if (type == SwitchOff || type == Change)
        return hasStoredPasscode();
    return true;
}

PLPadLockScreenAppearance PLAppLockScreenViewController::padAppearance() {
    using CustomFontRegistration::fontWithName;
    const QString face = QStringLiteral("DejaVuSans");
    PLPadLockScreenAppearance a = PLPadLockScreenAppearance::defaults();
    a.labelColor = hex("0086CA");
    a.enterPasscodeLabelFont = fontWithName(face, 20);
    a.deleteCancelLabelFont = fontWithName(face, 17);
    a.detailLabelFont = fontWithName(face, 15);
    a.backgroundColor = hex("E2F2FA");
    a.buttonBackgroundColor = Qt::transparent;
    a.buttonBorderColor = hex("404040");
    a.buttonTextColor = hex("404040");
    a.numberLabelFont = fontWithName(face, 30);
    a.letterLabelFont = fontWithName(face, 10);
    a.buttonSelectedColor = hex("0086CA");
    // In the digit rings' colour: white dots on this pale blue could not be told from empty rings.
    a.dotSelectedColor = a.buttonBorderColor;
    return a;
}

QWidget* PLAppLockScreenViewController::loadView() {
    auto* view = new QWidget;
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, padAppearance().backgroundColor);
    view->setPalette(palette);
    return view;
}

void PLAppLockScreenViewController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    ApplicationStateMonitor::shared(); // the notification comes from it
    auto* center = NotificationCenter::defaultCenter();
    center->removeObservers(this);
    center->addObserver(
        ApplicationStateMonitor::kDidBecomeActive,
        [this](const platform::Notification&) { appWillBecomeActiveHandler(); }, this);
    configurePadViewColor();
    showLockScreen();
}

void PLAppLockScreenViewController::viewDidDisappear(bool animated) {
    ViewController::viewDidDisappear(animated);
    NotificationCenter::defaultCenter()->removeObservers(this);
}

void PLAppLockScreenViewController::configurePadViewColor() {
    PLPadLockScreenAppearance::setCurrent(padAppearance());
}

PLPadLockScreenSetupViewController* PLAppLockScreenViewController::makeSetupPad(bool cancelAllowed) {
    auto* pad = new PLPadLockScreenSetupViewController(this, true);
    pad->setEnterPasscodeLabelText(localized("Enter New Passcode"));
    pad->setPinConfirmationText(localized("Re-enter your new passcode"));
    pad->cancelButtonDisabled(!cancelAllowed);
    return pad;
}

void PLAppLockScreenViewController::showLockScreen() {
    Q_ASSERT(platform::isMainThread());
    if (!hasStoredPasscode()) {
        switchCurrentTopChildViewControllerWithController(makeSetupPad(false));
        return;
    }
    auto* pad = new PLPadLockScreenViewController(this, true);
    if (m_state == Change)
        pad->setEnterPasscodeLabelText(localized("Enter Current Passcode"));
    pad->setAllowedAttempts(kAllowedAttempts);
    pad->cancelButtonDisabled(m_state != SwitchOff && m_state != Change);
    switchCurrentTopChildViewControllerWithController(pad);
}

void PLAppLockScreenViewController::switchCurrentTopChildViewControllerWithController(
    PLPadLockScreenAbstractViewController* pad) {
    // The new pad is in place before the old one goes, so the screen never shows bare.
    addChildViewController(pad, view());
    pad->view()->setGeometry(view()->rect());
    if (PLPadLockScreenAbstractViewController* old = m_currentPad) {
        old->view()->hide();
        old->removeFromParentViewController();
        old->deleteLater();
    }
    m_currentPad = pad;
}

void PLAppLockScreenViewController::appWillBecomeActiveHandler() {
    if (m_state == SwitchOff || m_state == Change)
        m_state = Unlock;
    showLockScreen();
}

bool PLAppLockScreenViewController::padLockScreenViewController(PLPadLockScreenViewController*,
                                                                const QString& validatePin) {
    return validatePin == PLKeychainAccessHelper::currentPasscode();
}

void PLAppLockScreenViewController::unlockWasSuccessfulForPadLockScreenViewController(
    PLPadLockScreenViewController*) {
    switch (m_state) {
    case SwitchOff:
        PLKeychainAccessHelper::clearOldPasscodeFromKeyChain();
        showSuccessMessagePasscodeChangesForState(SwitchOff);
        passCodeProcessingDone();
        break;
    case Change:
        switchCurrentTopChildViewControllerWithController(makeSetupPad(true));
        break;
    default:
        passCodeProcessingDone();
        break;
    }
}

void PLAppLockScreenViewController::unlockWasUnsuccessful(const QString&, qint64,
                                                          PLPadLockScreenViewController*) {
    showAlert(localized("Failed"), localized("Wrong Passcode. Please Try Again"));
}

void PLAppLockScreenViewController::unlockWasCancelledForPadLockScreenViewController(
    PLPadLockScreenViewController*) {
    if (m_state == SwitchOff) {
        m_state = Unlock;
        passCodeProcessingDone();
    } else if (m_state == Change) {
        passCodeProcessingDone();
    }
}

void PLAppLockScreenViewController::pinSet(const QString& pin, PLPadLockScreenSetupViewController*) {
    if (m_state == SwitchOff)
        return;
    if (!storePasscode(pin)) {
        // A first passcode that could not be kept leaves the lock off; a changed one keeps the old.
        m_state = m_state == Change ? Unlock : SwitchOff;
        passCodeProcessingDone();
        return;
    }
    showSuccessMessagePasscodeChangesForState(m_state);
    if (m_state == Change)
        m_state = Unlock;
    passCodeProcessingDone();
}

bool PLAppLockScreenViewController::storePasscode(const QString& pin) {
    if (PLKeychainAccessHelper::setNewPassCodePin(pin))
        return true;
    qCWarning(lcAppLock) << "The new passcode could not be stored";
    showAlert(localized("Failed"), localized("The passcode could not be saved. Please try again."));
    return false;
}

void PLAppLockScreenViewController::unlockWasCancelledForSetupViewController(
    PLPadLockScreenSetupViewController*) {
    if (m_state == SwitchOff || m_state == Change)
        passCodeProcessingDone();
}

void PLAppLockScreenViewController::passCodeProcessingDone() {
    const bool lockStaysOn = m_state != SwitchOff;
    QPointer<PLAppLockScreenViewController> self(this);
    if (m_completion) {
        PLAppLockAccount::current()->changeAppLockStatusToState(lockStaysOn ? 1 : 0);
        m_completion(true, std::nullopt, this);
    }
    if (!self)
        return;
    if (auto* delegate = dynamic_cast<PLAppLockScreenViewControllerDelegate*>(m_delegate.data()))
        delegate->appLockScreenViewController(this, lockStaysOn);
}

void PLAppLockScreenViewController::showSuccessMessagePasscodeChangesForState(qint64 state) {
    QString message;
    switch (state) {
    case SwitchOff:
        message = localized("Passcode Disabled");
        break;
    case Unlock:
        message = localized("Passcode set successfully");
        break;
    case Change:
        message = localized("Passcode changed successfully");
        break;
    default:
        return;
    }
    const QString title = localized("Success");
    if (!title.isEmpty() && !message.isEmpty())
        showAlert(title, message);
}

void PLAppLockScreenViewController::showAlert(const QString& title, const QString& message) {
    auto* alert = new AlertView(title, message, localized("OK"), {});
    alert->show(window());
}

} // namespace pelnix
