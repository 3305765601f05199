#include "ui/account/PLPadLockScreenSetupViewController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/ui/Button.h"
#include "ui/account/PLPadLockScreenView.h"

namespace pelnix {

PLPadLockScreenSetupViewController::PLPadLockScreenSetupViewController(QObject* delegate, bool complexPin,
                                                                       const QString& subtitleLabelText,
                                                                       QObject* parent)
    : PLPadLockScreenAbstractViewController(complexPin, parent), m_delegate(delegate),
      m_subtitle(subtitleLabelText),
      m_notMatched(PLCurrentBundleInfo::localizedString(QStringLiteral("Pincode did not match."))),
      m_confirmation(PLCurrentBundleInfo::localizedString(QStringLiteral("Re-enter your new pincode"))) {
    if (!m_subtitle.isNull()) {
        QMetaObject::invokeMethod(
            this, [this] { padView()->updateDetailLabelWithString(m_subtitle, false); },
            Qt::QueuedConnection);
    }
}

PLPadLockScreenSetupViewControllerDelegate* PLPadLockScreenSetupViewController::setupScreenDelegate() const {
    return dynamic_cast<PLPadLockScreenSetupViewControllerDelegate*>(m_delegate.data());
}

void PLPadLockScreenSetupViewController::viewDidLoad() {
    PLPadLockScreenAbstractViewController::viewDidLoad();
    connect(padView()->cancelButton(), &QAbstractButton::clicked, this, [this] { cancelButtonSelected(); });
}

void PLPadLockScreenSetupViewController::cancelButtonSelected() {
    if (auto* delegate = setupScreenDelegate())
        delegate->unlockWasCancelledForSetupViewController(this);
}

void PLPadLockScreenSetupViewController::processPin() {
    if (m_enteredPin.isNull())
        startPinConfirmation();
    else
        validateConfirmedPin();
}

void PLPadLockScreenSetupViewController::startPinConfirmation() {
    m_enteredPin = currentPin();
    setCurrentPin(QString(""));
    padView()->updateDetailLabelWithString(m_confirmation, true);
    padView()->resetAnimated(true);
}

void PLPadLockScreenSetupViewController::validateConfirmedPin() {
    if (currentPin() == m_enteredPin) {
        if (auto* delegate = setupScreenDelegate())
            delegate->pinSet(currentPin(), this);
        return;
    }
    PLPadLockScreenView* pad = padView();
    pad->updateDetailLabelWithString(m_notMatched, true);
    pad->animateFailureNotification();
    pad->resetAnimated(true);
    m_enteredPin = QString();
    setCurrentPin(QString(""));
    playFailureSound();
}

} // namespace pelnix
