#pragma once

#include "ui/account/PLPadLockScreenAbstractViewController.h"
#include "ui/account/PLPadLockScreenDelegates.h"

#include <QPointer>

namespace pelnix {

// The set-up pad: takes a new PIN twice and hands it to its delegate when both entries agree; a
// mismatch starts over.
class PLPadLockScreenSetupViewController : public PLPadLockScreenAbstractViewController {
    Q_OBJECT
public:
    // `delegate` must implement PLPadLockScreenSetupViewControllerDelegate; it is held weakly. A
    // subtitle, when given, reaches the detail line once the caller has finished setting the pad up.
    PLPadLockScreenSetupViewController(QObject* delegate, bool complexPin = false,
                                       const QString& subtitleLabelText = {}, QObject* parent = nullptr);

    PLPadLockScreenSetupViewControllerDelegate* setupScreenDelegate() const;
    QString subtitleLabelText() const { return m_subtitle; }
    QString pinNotMatchedText() const { return m_notMatched; }
    void setPinNotMatchedText(const QString& text) { m_notMatched = text; }
    QString pinConfirmationText() const { return m_confirmation; }
    void setPinConfirmationText(const QString& text) { m_confirmation = text; }
    // The first entry; null while it is being typed.
    QString enteredPin() const { return m_enteredPin; }

    void cancelButtonSelected();

protected:
    void viewDidLoad() override;
    void processPin() override;

private:
    void startPinConfirmation();
    void validateConfirmedPin();

    QPointer<QObject> m_delegate;
    QString m_subtitle;
    QString m_notMatched;
    QString m_confirmation;
    QString m_enteredPin;
};

} // namespace pelnix
