#include "ui/account/PLEmailVerficationViewController.h"

#include "core/model/User.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/StringAdditions.h"
#include "foundation/ui/DeviceInfo.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Window.h"
#include "ui/account/AccountAnalytics.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLUserProfileTableViewController.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QPainter>

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;

namespace {
const QString kLocked = QStringLiteral("actionLockedErr");

// A red round "!" inside the code field, marking a refused code.
QImage wrongCodeMarker() {
    const qreal scale = 2;
    QImage image(QSize(22, 22) * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xE0, 0x3C, 0x31));
    painter.drawEllipse(QRectF(1, 1, 20, 20));
    painter.setPen(Qt::white);
    painter.setFont(AccountUi::font("DejaVuSans-Bold", 14));
    painter.drawText(QRectF(0, 0, 22, 22), Qt::AlignCenter, QStringLiteral("!"));
    return image;
}

} // namespace

PLEmailVerficationViewController::PLEmailVerficationViewController(QObject* parent)
    : PLLoginFormViewController(parent) {}

void PLEmailVerficationViewController::buildForm(QWidget* container) {
    const int width = container->width();
    m_mailDescription = AccountUi::centredText("DejaVuSans", 15, "404040", container);
    m_mailDescription->setObjectName(QStringLiteral("mailDescription"));
    m_mailDescription->setGeometry(0, 0, width, 44);

    m_emailLabel = new Label(QString(), container);
    m_emailLabel->setObjectName(QStringLiteral("vierfyEmailDescriptionLabel"));
    m_emailLabel->setFont(AccountUi::font("DejaVuSans-Bold", 15));
    m_emailLabel->setTextColor(AccountUi::hexColor("0086CA"));
    m_emailLabel->setAlignment(Qt::AlignCenter);
    m_emailLabel->setGeometry(0, 50, width, 24);

    m_code = new PLCustomTextField(container);
    m_code->setObjectName(QStringLiteral("verifyCodeTextField"));
    m_code->setPlaceholder(localized("Verification Code"));
    m_code->awakeFromNib();
    m_code->setGeometry(0, 92, width, 44);
    connect(m_code, &TextField::editingChanged, this, [this] { verificationFieldEdited(); });
    connect(m_code, &TextField::editingDidBegin, this, [this] { changePlaceHolderFont(); });
    connect(m_code, &QLineEdit::returnPressed, this, [this] { verifyButtonClicked(); });

    m_wrongCode = new Button(m_code);
    m_wrongCode->setObjectName(QStringLiteral("wrongVerificationCodeButton"));
    m_wrongCode->setImage(wrongCodeMarker());
    placeInReadingOrder(m_wrongCode, QRect(width - 36, 11, 22, 22));
    m_wrongCode->hide();
    connect(m_wrongCode, &QAbstractButton::clicked, this, [this] { showWrongVerificationCodePopUp(); });

    m_verify = AccountUi::primaryButton(localized("Verify"), container);
    m_verify->setObjectName(QStringLiteral("verifyButton"));
    m_verify->setGeometry(0, 152, width, 44);
    connect(m_verify, &QAbstractButton::clicked, this, [this] { verifyButtonClicked(); });

    m_resend = AccountUi::linkButton(localized("Resend Code"), container);
    m_resend->setObjectName(QStringLiteral("resendButton"));
    m_resend->setGeometry(0, 206, width, 32);
    connect(m_resend, &QAbstractButton::clicked, this, [this] { resendVerficationEmailButtonClicked(); });

    m_otherFolders = AccountUi::centredText("DejaVuSans", 12, "999999", container);
    m_otherFolders->setObjectName(QStringLiteral("pleaseCheckOtherFolderLabel"));
    m_otherFolders->setGeometry(0, 254, width, 50);
}

void PLEmailVerficationViewController::buildPage(QWidget* page) {
    m_back = AccountUi::linkButton(localized("Back"), page);
    m_back->setObjectName(QStringLiteral("backButton"));
    m_back->setImage(ImageAdditions::loadImageNamed(QStringLiteral("arrow_blue")));
    // The arrow points back, out of the page: to the right right to left.
    m_back->setImageMirroredRightToLeft(true);
    placeInReadingOrder(m_back, QRect(8, 20, 80, 32));
    connect(m_back, &QAbstractButton::clicked, this, [this] { backButtonTapped(); });
}

void PLEmailVerficationViewController::viewWillAppear(bool animated) {
    PLLoginFormViewController::viewWillAppear(animated);
    // The page's own Back leads back, as on the sign-up screen that pushes it with the bar hidden: a
    // navigation bar above it would stand empty.
    if (platform::ui::NavigationController* navigation = navigationController())
        navigation->setNavigationBarHidden(true, false);
    verificationFieldEdited();
    m_mailDescription->setText(localized("We've sent you a \n verification code on your email"));
    m_otherFolders->setText(localized(
        "If you don't see it in your inbox, please also check other email folders (junk, social etc)"));
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    m_emailLabel->setText(me ? me->email() : QString());
    m_emailLabel->sizeToFit();
    // Centred across the page, wherever the form block sits.
    const int pageCentre = view()->width() / 2;
    const int inContainer = m_emailLabel->parentWidget()->mapFrom(view(), QPoint(pageCentre, 0)).x();
    m_emailLabel->move(inContainer - m_emailLabel->width() / 2, m_emailLabel->y());
    changePlaceHolderFont();
}

void PLEmailVerficationViewController::verificationFieldEdited() {
    AccountUi::setEnabledWithAlpha(m_verify, !m_code->text().isEmpty());
    m_isWrongCode = false;
    changePlaceHolderFont();
}

void PLEmailVerficationViewController::changePlaceHolderFont() {
    QPalette palette = m_code->palette();
    palette.setColor(QPalette::Text, AccountUi::hexColor("404040"));
    m_code->setPalette(palette);
    m_code->setFont(AccountUi::font(m_code->text().isEmpty() ? "DejaVuSans" : "DejaVuSans-Bold", 15));
    m_wrongCode->setVisible(m_isWrongCode);
}

void PLEmailVerficationViewController::dismissKeyboardIfVisible() {
    endEditing();
}

void PLEmailVerficationViewController::verifyButtonClicked() {
    dismissKeyboardIfVisible();
    const QString code = m_code->text();
    if (StringAdditions::stringByTrimmingWhiteSpacesAndNewLines(code).isEmpty())
        return;
    const auto account = CurrentUserInfo::currentUserInfo();
    QPointer<PLEmailVerficationViewController> self(this);
    // The code goes as typed: the server decides what it accepts.
    const bool started =
        account && account->verifyEmailWithOTPCode(
                       code, [self](bool success, const PLOptionalError&, const QString& message) {
                           PLActivityIndicatorView::dismiss();
                           if (!self)
                               return;
                           if (message == kLocked) {
                               self->showVerificationtryExceedsLimitScreen();
                               return;
                           }
                           if (!success) {
                               self->codeRefused();
                               return;
                           }
                           AccountAnalytics::trackEvent(QStringLiteral("OTP Verification completed"));
                           PelnixStateManager::sharedStateManagerInstance()->setIsLoginSuccessful(true);
                           self->finishSignIn();
                       });
    if (started)
        PLActivityIndicatorView::show();
}

void PLEmailVerficationViewController::codeRefused() {
    m_isWrongCode = true;
    showWrongVerificationCodePopUp();
    AccountAnalytics::trackEvent(QStringLiteral("OTP Verification failed - Wrong code"));
    // Verify took the keys from the code; the user types it again once the alert is answered.
    if (isVisible())
        platform::ui::Window::giveKeyboardTo(m_code);
}

void PLEmailVerficationViewController::finishSignIn() {
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    if (!me || me->profileName().isEmpty()) {
        showProfileViewController();
        return;
    }
    const NavigationController* nav = navigationController();
    // The completions may end this screen; keep what they need.
    const PLResultHandler login = m_loginCompletion;
    if (nav && nav->viewControllers().size() == 2)
        dismissViewController(true);
    else if (m_profileCompletion)
        m_profileCompletion();
    if (login)
        login(true, std::nullopt, QString());
}

void PLEmailVerficationViewController::resendVerficationEmailButtonClicked() {
    dismissKeyboardIfVisible();
    resendCode();
}

void PLEmailVerficationViewController::resendCode() {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    m_code->setText(QString());
    m_isWrongCode = false;
    changePlaceHolderFont();
    AccountUi::setEnabledWithAlpha(m_verify, false);
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    QPointer<PLEmailVerficationViewController> self(this);
    const bool started =
        account &&
        account->startRegistrationWithEmail(
            me ? me->email() : QString(),
            [self](bool success, const PLOptionalError&, const QString& message) {
                PLActivityIndicatorView::dismiss();
                if (!self)
                    return;
                if (message == kLocked)
                    AccountUi::showOkAlert(self, localized("Failed"),
                                           localized("There could be some temporary problem. "
                                                     "Please try again in some time"));
                else if (!success)
                    AccountUi::showOkAlert(self, localized("Failed"), message);
                else
                    AccountUi::showOkAlert(self, localized("Success"), localized("Verification code sent"));
            });
    if (started)
        PLActivityIndicatorView::show();
}

void PLEmailVerficationViewController::showWrongVerificationCodePopUp() {
    AccountUi::showOkAlert(
        this, localized("Wrong Verification Code"),
        localized("You seem to have entered the wrong code. Please retry with correct code."));
    changePlaceHolderFont();
}

void PLEmailVerficationViewController::showVerificationtryExceedsLimitScreen() {
    ViewController* exceeded = ScreenRegistry::shared()->instantiate(
        QStringLiteral("Login"), QStringLiteral("PLVerifyExceedsLimitControllerID"));
    if (!exceeded)
        return;
    QPointer<NavigationController> nav = navigationController();
    presentViewController(exceeded, true, [nav] {
        // The sign-up screen lies beneath the attempts-exceeded screen.
        if (nav)
            nav->popViewController(false);
    });
}

void PLEmailVerficationViewController::showProfileViewController() {
    const QString identifier = DeviceInfo::currentLocaleIsOfRTLType()
                                   ? QStringLiteral("PLUserProfileNavigationController_RTL")
                                   : QStringLiteral("PLUserProfileNavigationController");
    auto* nav = qobject_cast<NavigationController*>(
        ScreenRegistry::shared()->instantiate(QStringLiteral("Home"), identifier));
    auto* profile = nav ? qobject_cast<PLUserProfileTableViewController*>(nav->topViewController()) : nullptr;
    if (!profile) {
        qCWarning(lcAccountScreens) << "The profile screen cannot be shown";
        delete nav;
        return;
    }
    profile->setPreviousViewController(this);
    QPointer<PLEmailVerficationViewController> self(this);
    profile->setProfileCreationCompletionHandler(
        [self, keptProfile = m_profileCompletion, keptLogin = m_loginCompletion] {
            const auto creation = self ? self->m_profileCompletion : keptProfile;
            const auto login = self ? self->m_loginCompletion : keptLogin;
            if (creation)
                creation();
            if (login)
                login(true, std::nullopt, QString());
        });
    presentViewController(nav, true);
}

void PLEmailVerficationViewController::backButtonTapped() {
    if (NavigationController* nav = navigationController())
        nav->popViewController(true);
}

void PLEmailVerficationViewController::simpleAnimateView(QWidget* view) {
    if (!view)
        return;
    Animator::setAlpha(view, 0);
    Animator::animateAlpha(view, 1.0, kFadeMs);
}

} // namespace pelnix
