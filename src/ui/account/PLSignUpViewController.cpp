#include "ui/account/PLSignUpViewController.h"

#include "core/model/User.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/StringAdditions.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/account/AccountAnalytics.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLAboutWebViewController.h"
#include "ui/account/PLEmailVerficationViewController.h"
#include "ui/account/PLSignUpMessageTextView.h"
#include "ui/toolkit/Geometry.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLCustomTextField.h"

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;

namespace {
const QString kLocked = QStringLiteral("actionLockedErr");

bool isLoggedOutByServer(const CurrentUserInfo::Ptr& account) {
    return account && (account->status() == 4 || account->status() == 5);
}

void setTextColor(QWidget* field, const QColor& color) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, color);
    field->setPalette(palette);
}
} // namespace

PLSignUpViewController::PLSignUpViewController(QObject* parent) : PLLoginFormViewController(parent) {}

void PLSignUpViewController::buildForm(QWidget* container) {
    const int width = container->width();
    m_heading = AccountUi::heading(localized("Get Started"), container);
    m_heading->setObjectName(QStringLiteral("getStartedLabel"));
    m_heading->setGeometry(0, 0, width, 34);

    m_email = new PLCustomTextField(container);
    m_email->setObjectName(QStringLiteral("emailAddressTextField"));
    m_email->setPlaceholder(localized("Email Address"));
    m_email->setCustomDelegate(this);
    m_email->awakeFromNib();
    m_email->setGeometry(0, 64, width, 44);
    connect(m_email, &TextField::editingChanged, this, [this] { emailEditingStateChanged(); });
    connect(m_email, &QLineEdit::returnPressed, this, [this] { createProfileButtonClicked(); });

    m_hint = AccountUi::centredText("DejaVuSans", 12, "999999", container);
    m_hint->setObjectName(QStringLiteral("intermediatLabel"));
    m_hint->setGeometry(0, 116, width, 34);

    // Kept for the form's shape; the sign-up flow never reads it.
    m_password = new PLCustomTextField(container);
    m_password->setObjectName(QStringLiteral("passwordTextField"));
    m_password->setPlaceholder(localized("Password"));
    m_password->setSecureTextEntry(true);
    m_password->setCustomDelegate(this);
    m_password->awakeFromNib();
    // Showing or hiding the text leaves the keyboard with the field.
    if (m_password->rightButton())
        m_password->rightButton()->setFocusPolicy(Qt::NoFocus);
    m_password->setGeometry(0, 116, width, 44);
    m_password->hide();

    m_next = AccountUi::primaryButton(localized("Next"), container);
    m_next->setObjectName(QStringLiteral("nextButton"));
    m_next->setGeometry(0, 166, width, 44);
    connect(m_next, &QAbstractButton::clicked, this, [this] { createProfileButtonClicked(); });

    m_loginAgain = AccountUi::centredText("DejaVuSans", 13, "737373", container);
    m_loginAgain->setText(
        localized("To login with another id, please uninstall the App to delete all local data "
                  "and then install again from the App Store"));
    m_loginAgain->setObjectName(QStringLiteral("loginAgainLabel"));
    m_loginAgain->setGeometry(0, 232, width, 80);
    m_loginAgain->hide();

    m_agreement = new PLSignUpMessageTextView(container);
    m_agreement->setObjectName(QStringLiteral("bottomMessageTextView"));
    m_agreement->setGeometry(0, 320, width, 40);
    m_agreement->awakeFromNib();
    // A click on a link leaves the keys in the address field, where typing goes on once the page the
    // link opens is closed; Tab still walks the links.
    m_agreement->setFocusPolicy(Qt::TabFocus);
    m_agreement->setShouldInteractWithURL([this](const QUrl& url) { return shouldInteractWithURL(url); });
}

void PLSignUpViewController::buildPage(QWidget* page) {
    m_close = AccountUi::linkButton(localized("Cancel"), page);
    m_close->setObjectName(QStringLiteral("closeButton"));
    placeInReadingOrder(m_close, QRect(8, 20, 72, 32));
    connect(m_close, &QAbstractButton::clicked, this, [this] { cancelButtonClicked(); });
}

bool PLSignUpViewController::shouldPerformSegue(const QString&, QObject*) {
    return false;
}

void PLSignUpViewController::viewWillAppear(bool animated) {
    PLLoginFormViewController::viewWillAppear(animated);
    if (NavigationController* nav = navigationController())
        nav->setNavigationBarHidden(true, false);
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    if (me && !me->email().isEmpty())
        m_email->setText(me->email());
    m_hint->setText(localized("Please make sure the email address is typed correctly."));
    setTextColor(m_email, AccountUi::hexColor("404040"));
    if (!m_prefilledEmail.isEmpty()) {
        m_email->setText(m_prefilledEmail);
        m_email->setEnabled(false);
        setTextColor(m_email, Qt::lightGray);
        if (!m_hint->isHidden())
            resetAndHideIntermediateMessage();
    }
    emailEditingStateChanged();
    m_close->setVisible(!m_hideClose);
    if (isLoggedOutByServer(account))
        updateViewsforLoggedOutSituations();
}

void PLSignUpViewController::viewWillDisappear(bool animated) {
    dismissKeyboardIfDisplayed();
    PLLoginFormViewController::viewWillDisappear(animated);
}

void PLSignUpViewController::dismissKeyboardIfDisplayed() {
    endEditing();
}

void PLSignUpViewController::emailEditingStateChanged() {
    AccountUi::setEnabledWithAlpha(m_next, !m_email->text().isEmpty());
}

void PLSignUpViewController::createProfileButtonClicked() {
    const QString address = m_email->text();
    if (!StringAdditions::isValidEmailAddress(address)) {
        AccountUi::showOkAlert(this, localized("Failed"), localized("Please enter valid Email"));
        return;
    }
    dismissKeyboardIfDisplayed();
    QPointer<PLSignUpViewController> self(this);
    AccountUi::showAlert(this, localized("Verification Code"),
                         AccountUi::localizedFormat("Send the verification code to %@?", {address}),
                         localized("No"), {localized("Yes")}, kConfirmationTag,
                         [self](AlertView* alert, int index) {
                             if (self)
                                 self->alertViewClickedButtonAtIndex(alert, index);
                         });
}

void PLSignUpViewController::alertViewClickedButtonAtIndex(AlertView* alert, int buttonIndex) {
    if (alert && alert->tag() == kConfirmationTag && buttonIndex != alert->cancelButtonIndex())
        startRegistrationProcess();
}

void PLSignUpViewController::startRegistrationProcess() {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    const auto account = CurrentUserInfo::currentUserInfo();
    const QString address = m_email->text();
    QPointer<PLSignUpViewController> self(this);
    const bool started =
        account &&
        account->startRegistrationWithEmail(address, [self, address](bool success, const PLOptionalError&,
                                                                     const QString& message) {
            PLActivityIndicatorView::dismiss();
            if (!self)
                return;
            if (message == kLocked) {
                AccountUi::showOkAlert(
                    self, localized("Failed"),
                    localized("There could be some temporary problem. Please try again in some time"));
                return;
            }
            AccountAnalytics::trackEvent(QStringLiteral("Get Started clicked - Request Code"),
                                         {{QStringLiteral("email"), address.isNull() ? QString("") : address},
                                          {QStringLiteral("success"), success}});
            if (success) {
                self->showEmailVerificationController();
                return;
            }
            AccountUi::showOkAlert(self, localized("Failed"),
                                   message.isEmpty() ? localized("Please check your network connectivity.")
                                                     : message);
        });
    if (started)
        PLActivityIndicatorView::show();
}

void PLSignUpViewController::cancelButtonClicked() {
    dismissOrPopViewCalledOnCancelButtonClick(true);
    if (m_completion)
        m_completion(
            false,
            PLError(PLCurrentBundleInfo::identifier(), kUserCanceledLogin, localized("User canceled login")),
            QString());
}

void PLSignUpViewController::dismissOrPopViewCalledOnCancelButtonClick(bool cancel) {
    if (cancel && isLoggedOutByServer(CurrentUserInfo::currentUserInfo()))
        return;
    NavigationController* nav = navigationController();
    const auto stack = nav ? nav->viewControllers() : QList<ViewController*>();
    if (stack.size() == (cancel ? 1 : 2)) {
        // Everything presented from where the flow began goes, the flow's own screens included.
        if (ViewController* presenter = presentingViewController())
            presenter->dismissViewController(true);
        return;
    }
    if (!nav)
        return;
    nav->setNavigationBarHidden(false, false);
    qsizetype index = stack.indexOf(parentViewController());
    if (index < 0)
        index = stack.indexOf(this);
    if (index <= 0)
        return;
    nav->popToViewController(stack.at(index - 1), true);
}

void PLSignUpViewController::showEmailVerificationController() {
    NavigationController* nav = navigationController();
    auto* verification =
        qobject_cast<PLEmailVerficationViewController*>(ScreenRegistry::shared()->instantiate(
            QStringLiteral("Login"), QStringLiteral("PLEmailVerificationID")));
    if (!verification || !nav) {
        qCWarning(lcAccountScreens) << "The e-mail verification screen cannot be shown";
        delete verification;
        return;
    }
    QPointer<PLSignUpViewController> self(this);
    verification->setPelnixLoginCompletionHandler(
        [self, kept = m_completion](bool success, const PLOptionalError& error, const QString& message) {
            const PLResultHandler completion = self ? self->m_completion : kept;
            if (completion)
                completion(success, error, message);
        });
    verification->setProfileCreationCompletionHandler([self] {
        if (self)
            self->dismissOrPopViewCalledOnCancelButtonClick(false);
    });
    nav->pushViewController(verification, true);
}

bool PLSignUpViewController::shouldInteractWithURL(const QUrl& url) {
    if (url == PLSignUpMessageTextView::termsAndConditionsControllerLink()) {
        showTermsAndPolicyControllerForType(PLAboutWebViewController::TermsAndConditions);
        return false;
    }
    if (url == PLSignUpMessageTextView::privacyPolicyControllerLink()) {
        showTermsAndPolicyControllerForType(PLAboutWebViewController::PrivacyPolicy);
        return false;
    }
    return true;
}

void PLSignUpViewController::showTermsAndPolicyControllerForType(qint64 type) {
    auto* nav = qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
        QStringLiteral("Login"), QStringLiteral("PLTermsAndConditionID")));
    auto* page = nav ? qobject_cast<PLAboutWebViewController*>(nav->topViewController()) : nullptr;
    if (!page) {
        delete nav;
        return;
    }
    page->setSelectedHtmlType(type);
    page->setIsFromSignUpFlow(true);
    presentViewController(nav, true);
}

bool PLSignUpViewController::shouldShowRightButtonOnTextField(PLCustomTextField* textField) {
    return textField && textField == m_password;
}

void PLSignUpViewController::rightButtonClicked(PLCustomTextField* textField, PLTextFieldRightButton*) {
    if (!textField || textField != m_password)
        return;
    const bool focused = textField->hasFocus();
    textField->setSecureTextEntry(!textField->isSecureTextEntry());
    if (focused)
        textField->becomeFirstResponder();
}

void PLSignUpViewController::resetAndHideIntermediateMessage() {
    Geometry::setTop(m_heading, Geometry::top(m_heading) + kHintGap);
    Geometry::setTop(m_email, Geometry::bottom(m_heading) + kHintGap);
    Geometry::setTop(m_next, Geometry::bottom(m_email) + kHintGap);
    Geometry::setTop(m_loginAgain, Geometry::bottom(m_next) + kHintGap);
    m_hint->hide();
}

void PLSignUpViewController::updateViewsforLoggedOutSituations() {
    if (!m_hint->isHidden())
        resetAndHideIntermediateMessage();
    const QString text = m_loginAgain->text();
    AttributedString attributed(text);
    attributed.setLineSpacing(3);
    const QString uninstall = localized("uninstall");
    const qsizetype at = uninstall.isEmpty() ? -1 : text.indexOf(uninstall);
    if (at >= 0) {
        TextAttributes bold;
        bold.font = AccountUi::font("DejaVuSans-Bold", AccountUi::pointSize(m_loginAgain->font()));
        bold.color = AccountUi::hexColor("737373");
        bold.kern = -0.375;
        attributed.addAttributes(bold, int(at), int(uninstall.size()));
    }
    m_loginAgain->setAttributedText(attributed);
    m_email->setEnabled(false);
    setTextColor(m_email, Qt::lightGray);
    m_loginAgain->show();
    m_agreement->hide();
    m_close->hide();
}

void PLSignUpViewController::simpleAnimateView(QWidget* view) {
    if (!view)
        return;
    Animator::setAlpha(view, 0);
    QPointer<Button> close = m_close;
    Animator::animateAlpha(view, 1.0, 300);
    if (close)
        Animator::animateAlpha(close, 0.0, 300);
}

} // namespace pelnix
