#pragma once

#include "core/model/CurrentUserInfo.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "ui/account/PLLoginFormViewController.h"
#include "ui/account/PLSignUpMessageTextView.h"
#include "ui/toolkit/PLCustomTextField.h"
#include "ui/toolkit/PLCustomTextFieldDelegate.h"

#include <QPointer>

namespace pelnix {

// The first step of signing in: the user types an e-mail address, confirms where the code goes, and
// the server starts the registration; the e-mail verification screen follows. While the account was
// logged out by the server (status 4 or 5) the screen shows its logged-out variant and cannot be
// cancelled away.
class PLSignUpViewController : public PLLoginFormViewController, public PLCustomTextFieldDelegate {
    Q_OBJECT
public:
    static constexpr int kConfirmationTag = 100;
    static constexpr int kHintGap = 22;
    static constexpr qint64 kUserCanceledLogin = -1004;

    explicit PLSignUpViewController(QObject* parent = nullptr);

    bool shouldUpdateForLoggedOut() const { return m_updateForLoggedOut; }
    void setShouldUpdateForLoggedOut(bool value) { m_updateForLoggedOut = value; }
    bool shouldHideCloseButton() const { return m_hideClose; }
    void setShouldHideCloseButton(bool hide) { m_hideClose = hide; }
    QString prefilledEmail() const { return m_prefilledEmail; }
    void setPrefilledEmail(const QString& email) { m_prefilledEmail = email; }
    // The caller's completion for the whole sign-in (also told of a cancel, as error -1004).
    PLResultHandler pelnixLoginCompletionHandler() const { return m_completion; }
    void setPelnixLoginCompletionHandler(PLResultHandler completion) { m_completion = std::move(completion); }

    platform::ui::Label* getStartedLabel() const { return m_heading; }
    PLCustomTextField* emailAddressTextField() const { return m_email; }
    PLCustomTextField* passwordTextField() const { return m_password; }
    PLSignUpMessageTextView* bottomMessageTextView() const { return m_agreement; }
    platform::ui::Button* closeButton() const { return m_close; }
    platform::ui::Button* nextButton() const { return m_next; }
    platform::ui::Label* loginAgainLabel() const { return m_loginAgain; }
    platform::ui::Label* intermediatLabel() const { return m_hint; }

    bool shouldPerformSegue(const QString& identifier, QObject* sender) override;
    void dismissKeyboardIfDisplayed();
    void emailEditingStateChanged();
    void createProfileButtonClicked();
    void alertViewClickedButtonAtIndex(platform::ui::AlertView* alert, int buttonIndex);
    void startRegistrationProcess();
    void cancelButtonClicked();
    void dismissOrPopViewCalledOnCancelButtonClick(bool cancel);
    void showEmailVerificationController();
    // The agreement links open the terms (1) or the privacy policy (0) here and answer false.
    bool shouldInteractWithURL(const QUrl& url);
    void showTermsAndPolicyControllerForType(qint64 type);
    void resetAndHideIntermediateMessage();
    void updateViewsforLoggedOutSituations();
    void simpleAnimateView(QWidget* view);

    bool shouldShowRightButtonOnTextField(PLCustomTextField* textField) override;
    bool handlesRightButtonClicks() const override { return true; }
    void rightButtonClicked(PLCustomTextField* textField, PLTextFieldRightButton* button) override;

protected:
    QSize formSize() const override { return {280, 380}; }
    void buildForm(QWidget* container) override;
    void buildPage(QWidget* page) override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    bool m_updateForLoggedOut = false;
    bool m_hideClose = false;
    QString m_prefilledEmail;
    PLResultHandler m_completion;
    QPointer<platform::ui::Label> m_heading;
    QPointer<PLCustomTextField> m_email;
    QPointer<PLCustomTextField> m_password;
    QPointer<PLSignUpMessageTextView> m_agreement;
    QPointer<platform::ui::Button> m_close;
    QPointer<platform::ui::Button> m_next;
    QPointer<platform::ui::Label> m_loginAgain;
    QPointer<platform::ui::Label> m_hint;
};

} // namespace pelnix
