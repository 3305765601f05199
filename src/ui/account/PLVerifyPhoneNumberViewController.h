#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "ui/account/PLLoginFormViewController.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QPointer>

namespace pelnix {

// Asks the server to text a code to the account's phone and submits the code the user types. Ends on
// a verified number or when closed.
class PLVerifyPhoneNumberViewController : public PLLoginFormViewController {
    Q_OBJECT
public:
    explicit PLVerifyPhoneNumberViewController(QObject* parent = nullptr);

    bool showsCloseButton() const { return m_showsClose; }
    void setShowsCloseButton(bool shows) { m_showsClose = shows; }
    // Send a code as soon as the screen has appeared (once).
    bool shouldResendCode() const { return m_resendOnAppear; }
    void setShouldResendCode(bool resend) { m_resendOnAppear = resend; }

    PLCustomTextField* verifyCodeTextField() const { return m_code; }
    platform::ui::Button* closeButton() const { return m_close; }
    platform::ui::Button* verifyButton() const { return m_verify; }
    platform::ui::Button* resendButton() const { return m_resend; }
    platform::ui::Label* phoneNumberLabel() const { return m_number; }

    void verifyButtonClicked();
    // `track`: report the result to analytics (the resend button does, the automatic send not).
    void sendVerificationCode(bool track);
    void resendVerficationEmailButtonClicked();
    void closeButtonTapped();
    void dismissKeyboardIfVisible();
    void showAlertWithTitle(const QString& title, const QString& message);

protected:
    QSize formSize() const override { return {280, 290}; }
    void buildForm(QWidget* container) override;
    void buildPage(QWidget* page) override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;

private:
    bool m_showsClose = false;
    bool m_resendOnAppear = false;
    QPointer<platform::ui::Label> m_heading;
    QPointer<platform::ui::Label> m_number;
    QPointer<PLCustomTextField> m_code;
    QPointer<platform::ui::Button> m_verify;
    QPointer<platform::ui::Button> m_resend;
    QPointer<platform::ui::Button> m_close;
};

} // namespace pelnix
