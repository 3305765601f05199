#pragma once

#include "ui/account/PLPadLockScreenAbstractViewController.h"
#include "ui/account/PLPadLockScreenDelegates.h"

#include <QPointer>

namespace pelnix {

// The unlock pad: asks its delegate whether the entered PIN is valid, counts the failures, shows how
// many attempts are left and locks itself for good when none are; its owner replaces it to unlock.
class PLPadLockScreenViewController : public PLPadLockScreenAbstractViewController {
    Q_OBJECT
public:
    // `delegate` must implement PLPadLockScreenViewControllerDelegate; it is held weakly.
    PLPadLockScreenViewController(QObject* delegate, bool complexPin, QObject* parent = nullptr);

    PLPadLockScreenViewControllerDelegate* lockScreenDelegate() const;
    qint64 totalAttempts() const { return m_totalAttempts; }
    // -1: no limit.
    qint64 remainingAttempts() const { return m_remainingAttempts; }
    void setAllowedAttempts(qint64 attempts);

    QString lockedOutString() const { return m_lockedOut; }
    void setLockedOutText(const QString& text) { m_lockedOut = text; }
    QString pluralAttemptsLeftString() const { return m_pluralLeft; }
    void setPluralAttemptsLeftText(const QString& text) { m_pluralLeft = text; }
    QString singleAttemptLeftString() const { return m_singleLeft; }
    void setSingleAttemptLeftText(const QString& text) { m_singleLeft = text; }

    void cancelButtonSelected();

protected:
    void viewDidLoad() override;
    void processPin() override;

private:
    void processFailure();
    void lockScreen();

    QPointer<QObject> m_delegate;
    qint64 m_totalAttempts = 0;
    qint64 m_remainingAttempts = -1;
    QString m_lockedOut;
    QString m_pluralLeft;
    QString m_singleLeft;
};

} // namespace pelnix
