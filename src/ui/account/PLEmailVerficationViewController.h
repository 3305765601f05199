#pragma once

#include "core/model/CurrentUserInfo.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "ui/account/PLLoginFormViewController.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QPointer>
#include <functional>

namespace pelnix {

// The second step of signing in: the code the server sent to the address, checked with the server; a
// new code on request; a marker after a wrong code; the attempts-exceeded screen when the server
// locks verification. A correct code finishes the sign-in, first through profile creation when the
// account has no name yet.
class PLEmailVerficationViewController : public PLLoginFormViewController {
    Q_OBJECT
public:
    static constexpr int kFadeMs = 300;

    explicit PLEmailVerficationViewController(QObject* parent = nullptr);

    PLResultHandler pelnixLoginCompletionHandler() const { return m_loginCompletion; }
    void setPelnixLoginCompletionHandler(PLResultHandler completion) {
        m_loginCompletion = std::move(completion);
    }
    // Called when the flow is finished and the sign-up flow is to be left.
    std::function<void()> profileCreationCompletionHandler() const { return m_profileCompletion; }
    void setProfileCreationCompletionHandler(std::function<void()> handler) {
        m_profileCompletion = std::move(handler);
    }

    PLCustomTextField* verifyCodeTextField() const { return m_code; }
    platform::ui::Button* verifyButton() const { return m_verify; }
    platform::ui::Button* resendButton() const { return m_resend; }
    platform::ui::Button* backButton() const { return m_back; }
    platform::ui::Label* vierfyEmailDescriptionLabel() const { return m_emailLabel; }
    platform::ui::Label* mailDescription() const { return m_mailDescription; }
    platform::ui::Label* pleaseCheckOtherFolderLabel() const { return m_otherFolders; }
    platform::ui::Button* wrongVerificationCodeButton() const { return m_wrongCode; }
    bool isWrongCode() const { return m_isWrongCode; }

    void verificationFieldEdited();
    void changePlaceHolderFont();
    void dismissKeyboardIfVisible();
    void verifyButtonClicked();
    void resendVerficationEmailButtonClicked();
    void resendCode();
    void showWrongVerificationCodePopUp();
    // The service refused the code: the marker, the alert, the analytics event.
    void codeRefused();
    void showVerificationtryExceedsLimitScreen();
    void showProfileViewController();
    void backButtonTapped();
    void simpleAnimateView(QWidget* view);

protected:
    QSize formSize() const override { return {280, 330}; }
    void buildForm(QWidget* container) override;
    void buildPage(QWidget* page) override;
    void viewWillAppear(bool animated) override;

private:
    void finishSignIn();

    PLResultHandler m_loginCompletion;
    std::function<void()> m_profileCompletion;
    bool m_isWrongCode = false;
    QPointer<PLCustomTextField> m_code;
    QPointer<platform::ui::Button> m_verify;
    QPointer<platform::ui::Button> m_resend;
    QPointer<platform::ui::Button> m_back;
    QPointer<platform::ui::Label> m_emailLabel;
    QPointer<platform::ui::Label> m_mailDescription;
    QPointer<platform::ui::Label> m_otherFolders;
    QPointer<platform::ui::Button> m_wrongCode;
};

} // namespace pelnix
