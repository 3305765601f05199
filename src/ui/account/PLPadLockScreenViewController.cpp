#include "ui/account/PLPadLockScreenViewController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/ui/Button.h"
#include "ui/account/PLPadLockScreenView.h"

namespace pelnix {

PLPadLockScreenViewController::PLPadLockScreenViewController(QObject* delegate, bool complexPin,
                                                             QObject* parent)
    : PLPadLockScreenAbstractViewController(complexPin, parent), m_delegate(delegate),
      m_lockedOut(PLCurrentBundleInfo::localizedString(QStringLiteral("You have been locked out."))),
      m_pluralLeft(PLCurrentBundleInfo::localizedString(QStringLiteral("attempts left"))),
      m_singleLeft(PLCurrentBundleInfo::localizedString(QStringLiteral("attempt left"))) {}

PLPadLockScreenViewControllerDelegate* PLPadLockScreenViewController::lockScreenDelegate() const {
    return dynamic_cast<PLPadLockScreenViewControllerDelegate*>(m_delegate.data());
}

void PLPadLockScreenViewController::setAllowedAttempts(qint64 attempts) {
    m_totalAttempts = 0;
    m_remainingAttempts = attempts;
}

void PLPadLockScreenViewController::viewDidLoad() {
    PLPadLockScreenAbstractViewController::viewDidLoad();
    connect(padView()->cancelButton(), &QAbstractButton::clicked, this, [this] { cancelButtonSelected(); });
}

void PLPadLockScreenViewController::cancelButtonSelected() {
    if (auto* delegate = lockScreenDelegate())
        delegate->unlockWasCancelledForPadLockScreenViewController(this);
}

void PLPadLockScreenViewController::processPin() {
    auto* delegate = lockScreenDelegate();
    if (delegate && delegate->padLockScreenViewController(this, currentPin())) {
        delegate->unlockWasSuccessfulForPadLockScreenViewController(this);
        return;
    }
    processFailure();
}

void PLPadLockScreenViewController::processFailure() {
    --m_remainingAttempts;
    ++m_totalAttempts;
    PLPadLockScreenView* pad = padView();
    pad->resetAnimated(true);
    pad->animateFailureNotification();
    if (m_remainingAttempts > 1)
        pad->updateDetailLabelWithString(QStringLiteral("%1 %2").arg(m_remainingAttempts).arg(m_pluralLeft),
                                         true);
    else if (m_remainingAttempts == 1)
        pad->updateDetailLabelWithString(QStringLiteral("%1 %2").arg(m_remainingAttempts).arg(m_singleLeft),
                                         true);
    else if (m_remainingAttempts == 0)
        lockScreen();
    // The delegate may replace this pad; nothing here touches it afterwards but the PIN.
    const QString wrong = currentPin();
    QPointer<PLPadLockScreenViewController> self(this);
    if (auto* delegate = lockScreenDelegate())
        delegate->unlockWasUnsuccessful(wrong, m_totalAttempts, this);
    if (!self)
        return;
    setCurrentPin(QString(""));
    playFailureSound();
}

void PLPadLockScreenViewController::lockScreen() {
    PLPadLockScreenView* pad = padView();
    pad->updateDetailLabelWithString(m_lockedOut, true);
    pad->lockViewAnimated(true);
    if (auto* delegate = lockScreenDelegate())
        delegate->attemptsExpiredForPadLockScreenViewController(this);
}

} // namespace pelnix
