#include "ui/account/PLVerifyPhoneNumberViewController.h"

#include "core/model/CurrentUserInfo.h"
#include "foundation/StringAdditions.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "ui/account/AccountAnalytics.h"
#include "ui/account/AccountUi.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLCustomTextField.h"

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;

PLVerifyPhoneNumberViewController::PLVerifyPhoneNumberViewController(QObject* parent)
    : PLLoginFormViewController(parent) {}

void PLVerifyPhoneNumberViewController::buildForm(QWidget* container) {
    const int width = container->width();
    m_heading = AccountUi::heading(localized("Verify Phone Number"), container);
    m_heading->setObjectName(QStringLiteral("verifyPhoneHeading"));
    m_heading->setGeometry(0, 0, width, 34);
    auto* sent = AccountUi::centredText("DejaVuSans", 15, "404040", container);
    sent->setObjectName(QStringLiteral("smsDescription"));
    sent->setText(localized("We've sent you a verification code by SMS to"));
    sent->setGeometry(0, 46, width, 40);
    m_number = AccountUi::centredText("DejaVuSans-Bold", 15, "0086CA", container);
    m_number->setObjectName(QStringLiteral("phoneNumberLabel"));
    m_number->setGeometry(0, 88, width, 22);

    m_code = new PLCustomTextField(container);
    m_code->setObjectName(QStringLiteral("verifyCodeTextField"));
    m_code->setPlaceholder(localized("Verification Code"));
    m_code->awakeFromNib();
    m_code->setGeometry(0, 124, width, 44);
    connect(m_code, &QLineEdit::returnPressed, this, [this] { verifyButtonClicked(); });

    m_verify = AccountUi::primaryButton(localized("Verify"), container);
    m_verify->setObjectName(QStringLiteral("verifyButton"));
    m_verify->setGeometry(0, 184, width, 44);
    connect(m_verify, &QAbstractButton::clicked, this, [this] { verifyButtonClicked(); });

    m_resend = AccountUi::linkButton(localized("Resend Code"), container);
    m_resend->setObjectName(QStringLiteral("resendButton"));
    m_resend->setGeometry(0, 240, width, 32);
    connect(m_resend, &QAbstractButton::clicked, this, [this] { resendVerficationEmailButtonClicked(); });
}

void PLVerifyPhoneNumberViewController::buildPage(QWidget* page) {
    m_close = AccountUi::linkButton(localized("Close"), page);
    m_close->setObjectName(QStringLiteral("closeButton"));
    placeInReadingOrder(m_close, QRect(8, 20, 72, 32));
    m_close->hide();
    connect(m_close, &QAbstractButton::clicked, this, [this] { closeButtonTapped(); });
}

void PLVerifyPhoneNumberViewController::viewWillAppear(bool animated) {
    PLLoginFormViewController::viewWillAppear(animated);
    const auto account = CurrentUserInfo::currentUserInfo();
    m_number->setText(
        account && !account->phoneNumber().isEmpty()
            ? AccountUi::localizedFormat("+%@%@", {account->countryCode(), account->phoneNumber()})
            : QString());
}

void PLVerifyPhoneNumberViewController::viewDidAppear(bool animated) {
    PLLoginFormViewController::viewDidAppear(animated);
    m_close->setVisible(m_showsClose);
    if (m_resendOnAppear) {
        m_resendOnAppear = false;
        sendVerificationCode(false);
    }
    m_code->setAccessibleName(m_code->placeholder());
}

void PLVerifyPhoneNumberViewController::sendVerificationCode(bool track) {
    dismissKeyboardIfVisible();
    const auto account = CurrentUserInfo::currentUserInfo();
    QPointer<PLVerifyPhoneNumberViewController> self(this);
    const bool started =
        account && account->resendSMSCodeWithCompletionHandler(
                       [self, track](bool success, const PLOptionalError&, const QString& message) {
                           PLActivityIndicatorView::dismiss();
                           if (self) {
                               if (success)
                                   self->showAlertWithTitle(QStringLiteral("Success"),
                                                            QStringLiteral("Verification code sent"));
                               else
                                   self->showAlertWithTitle(QStringLiteral("Failed"), message);
                           }
                           if (track)
                               AccountAnalytics::trackEvent(QStringLiteral("Verify Phone -Resend code"),
                                                            {{QStringLiteral("success"), success}});
                       });
    if (started)
        PLActivityIndicatorView::show();
}

void PLVerifyPhoneNumberViewController::resendVerficationEmailButtonClicked() {
    sendVerificationCode(true);
}

void PLVerifyPhoneNumberViewController::verifyButtonClicked() {
    dismissKeyboardIfVisible();
    AccountAnalytics::trackEvent(QStringLiteral("Clicked Verify Phone #"));
    const QString code = m_code->text();
    if (StringAdditions::stringByTrimmingWhiteSpacesAndNewLines(code).isEmpty())
        return;
    const auto account = CurrentUserInfo::currentUserInfo();
    QPointer<PLVerifyPhoneNumberViewController> self(this);
    const bool started =
        account && account->verifyPhoneNumberWithCode(
                       code, [self](bool success, const PLOptionalError&, const QString& message) {
                           PLActivityIndicatorView::dismiss();
                           if (self) {
                               if (success)
                                   self->dismissViewController(true);
                               else
                                   self->showAlertWithTitle(QStringLiteral("Failed"), message);
                           }
                           AccountAnalytics::trackEvent(QStringLiteral("My Profile- Verify phone #"),
                                                        {{QStringLiteral("success"), success}});
                       });
    if (started)
        PLActivityIndicatorView::show();
}

void PLVerifyPhoneNumberViewController::closeButtonTapped() {
    dismissViewController(true);
}

void PLVerifyPhoneNumberViewController::dismissKeyboardIfVisible() {
    endEditing();
}

void PLVerifyPhoneNumberViewController::showAlertWithTitle(const QString& title, const QString& message) {
    // Server texts pass through the lookup too, and show unchanged when they have no entry. A failure
    // without a text is a failure to reach the service.
    const QString shown = message.isEmpty() && title == QLatin1String("Failed")
                              ? QStringLiteral("Please check your network connectivity.")
                              : message;
    AccountUi::showOkAlert(this, localized(title), localized(shown));
}

} // namespace pelnix
