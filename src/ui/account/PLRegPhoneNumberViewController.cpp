#include "ui/account/PLRegPhoneNumberViewController.h"

#include "core/model/CurrentUserInfo.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/StoryboardSegue.h"
#include "ui/account/AccountAnalytics.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLCountryCodesViewController.h"
#include "ui/toolkit/Geometry.h"
#include "ui/toolkit/PLCustomTextField.h"

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;

namespace {
constexpr int kDropDownEndInset = 20;
constexpr int kDropDownArrowWidth = 16;
} // namespace

PLRegPhoneNumberViewController::PLRegPhoneNumberViewController(QObject* parent)
    : PLLoginFormViewController(parent) {}

void PLRegPhoneNumberViewController::buildForm(QWidget* container) {
    const int width = container->width();
    m_heading = AccountUi::heading(localized("Your Phone Number"), container);
    m_heading->setObjectName(QStringLiteral("phoneHeading"));
    m_heading->setGeometry(0, 0, width, 34);

    m_country = new PLCustomTextField(container);
    m_country->setObjectName(QStringLiteral("countryCodeTextField"));
    m_country->setPlaceholder(localized("Country"));
    m_country->awakeFromNib();
    m_country->setReadOnly(true);
    m_country->setFocusPolicy(Qt::NoFocus);
    m_country->setGeometry(0, 56, width, 44);
    // The whole country field opens the picker; its arrow sits at the right end.
    m_dropDown = new Button(container);
    m_dropDown->setObjectName(QStringLiteral("countryListDropDownButton"));
    m_dropDown->setImage(ImageAdditions::loadImageNamed(QStringLiteral("arrow_down")));
    m_dropDown->setGeometry(m_country->geometry());
    connect(m_dropDown, &QAbstractButton::clicked, this, [this] { openCountryPicker(); });

    m_number = new PLCustomTextField(container);
    m_number->setObjectName(QStringLiteral("phoneNumberTextField"));
    m_number->awakeFromNib();
    m_number->setInputMethodHints(Qt::ImhDialableCharactersOnly);
    m_number->setGeometry(0, 112, width, 44);
    connect(m_number, &TextField::editingChanged, this, [this] { phoneNumberEditingChanged(); });
    connect(m_number, &QLineEdit::returnPressed, this, [this] { registerPhoneNumberButtonClickHandler(); });

    m_register = AccountUi::primaryButton(localized("Add Now"), container);
    m_register->setObjectName(QStringLiteral("addOrRemovePhoneNumberButton"));
    m_register->setGeometry(0, 176, width, 44);
    connect(m_register, &QAbstractButton::clicked, this, [this] { registerPhoneNumberButtonClickHandler(); });
}

void PLRegPhoneNumberViewController::buildPage(QWidget* page) {
    m_close = AccountUi::linkButton(localized("Cancel"), page);
    m_close->setObjectName(QStringLiteral("closeButton"));
    placeInReadingOrder(m_close, QRect(8, 20, 72, 32));
    connect(m_close, &QAbstractButton::clicked, this, [this] { dismiss(); });
}

void PLRegPhoneNumberViewController::viewDidLoad() {
    PLLoginFormViewController::viewDidLoad();
    setNumberAndPlaceHolder();
    m_storedCountry = countryInfoForCurrentUser();
    showCountryInfo();
}

void PLRegPhoneNumberViewController::setNumberAndPlaceHolder() {
    const auto account = CurrentUserInfo::currentUserInfo();
    const QString stored = account ? account->phoneNumber() : QString();
    m_number->setPlaceholder(stored.isEmpty() ? localized("Phone Number") : stored);
    m_number->setText(stored);
}

std::optional<PLCountryInfo> PLRegPhoneNumberViewController::countryInfoForCurrentUser() const {
    const auto account = CurrentUserInfo::currentUserInfo();
    const QString code = account ? account->countryCode() : QString();
    if (code.isEmpty())
        return std::nullopt;
    return PLCountryInfo::instanceForCountryCode(code);
}

void PLRegPhoneNumberViewController::showCountryInfo() {
    setCountryCodeLabelWithCountryInfo(m_storedCountry);
}

void PLRegPhoneNumberViewController::setCountryCodeLabelWithCountryInfo(
    const std::optional<PLCountryInfo>& country) {
    // The country and the code shown move together: no earlier pick survives a "Select".
    m_countryInfo = country;
    if (country) {
        m_countryCode = country->code();
        m_country->setText(AccountUi::localizedFormat("%@ (+%@)", {country->name(), country->code()}));
    } else {
        m_countryCode = localized("Select");
        m_country->setText(m_countryCode);
    }
    phoneNumberEditingChanged();
}

void PLRegPhoneNumberViewController::viewWillAppear(bool animated) {
    PLLoginFormViewController::viewWillAppear(animated);
    if (NavigationController* nav = navigationController())
        nav->setNavigationBarHidden(true, false);
    placeDropDownArrow();
    changeButtonTitle();
    phoneNumberEditingChanged();
    m_number->setAccessibleName(m_number->placeholder());
    m_country->setAccessibleName(localized("Country"));
}

void PLRegPhoneNumberViewController::viewWillLayoutSubviews() {
    PLLoginFormViewController::viewWillLayoutSubviews();
    placeDropDownArrow();
}

void PLRegPhoneNumberViewController::placeDropDownArrow() {
    if (!m_dropDown)
        return;
    // The arrow at the field's trailing end, in the field's own direction: the left, right to left.
    const QRect button = m_dropDown->rect();
    const QRect arrow =
        Geometry::inReadingOrder(m_dropDown, QRect(button.width() - kDropDownEndInset - kDropDownArrowWidth,
                                                   0, kDropDownArrowWidth, button.height()));
    m_dropDown->setContentEdgeInsets(QMargins(arrow.left(), 0, button.width() - arrow.right() - 1, 0));
}

void PLRegPhoneNumberViewController::changeButtonTitle() {
    const auto account = CurrentUserInfo::currentUserInfo();
    const bool hasNumber = account && !account->phoneNumber().isEmpty();
    m_register->setTitle(hasNumber ? localized("Update Now") : localized("Add Now"));
}

void PLRegPhoneNumberViewController::phoneNumberEditingChanged() {
    AccountUi::setEnabledWithAlpha(m_register, !m_number->text().isEmpty() && m_countryInfo.has_value());
}

void PLRegPhoneNumberViewController::registerPhoneNumberButtonClickHandler() {
    endEditing();
    const QString typed = m_number->text();
    const auto account = CurrentUserInfo::currentUserInfo();
    if (account && !account->phoneNumber().isEmpty() && account->isPhoneVerified() &&
        account->phoneNumber() == typed) {
        showAlertViewWithTitle(localized("Already registered"), localized("Please enter a different number"));
    } else {
        if (typed.isEmpty()) {
            showAlertViewWithTitle(localized("Invalid Phone Number"),
                                   localized("Please enter a valid phone number"));
            return;
        }
        if (const CompletionHandler handler = std::exchange(m_completion, {}))
            handler(m_countryCode, typed);
        dismiss();
    }
    AccountAnalytics::trackEvent(QStringLiteral("Clicked Add phone #"), {{QStringLiteral("success"), true}});
}

void PLRegPhoneNumberViewController::dismiss() {
    dismissViewController(true);
}

void PLRegPhoneNumberViewController::showAlertViewWithTitle(const QString& title, const QString& message) {
    AccountUi::showOkAlert(this, title, message);
}

void PLRegPhoneNumberViewController::openCountryPicker() {
    performSegue(kCountryPickerSegue, m_dropDown);
}

void PLRegPhoneNumberViewController::prepareForSegue(StoryboardSegue& segue, QObject* sender) {
    PLLoginFormViewController::prepareForSegue(segue, sender);
    ViewController* destination = segue.destinationViewController();
    if (auto* nav = qobject_cast<NavigationController*>(destination))
        destination = nav->topViewController();
    if (auto* picker = qobject_cast<PLCountryCodesViewController*>(destination))
        picker->setCurrentSelectedCountryInfo(m_countryInfo);
}

bool PLRegPhoneNumberViewController::canPerformUnwindSegueAction(const QString& identifier,
                                                                 ViewController* from) {
    auto* picker = qobject_cast<PLCountryCodesViewController*>(from);
    if (!picker || (identifier != QLatin1String("done") && identifier != QLatin1String("cancel")))
        return false;
    // This screen is where the picker's segues end: take its answer now, while it is still there.
    unwindToRegistrationScreen(picker);
    return true;
}

void PLRegPhoneNumberViewController::unwindToRegistrationScreen(ViewController* from) {
    auto* picker = qobject_cast<PLCountryCodesViewController*>(from);
    const std::optional<PLCountryInfo> picked = picker ? picker->selectedCountry() : std::nullopt;
    setCountryCodeLabelWithCountryInfo(picked ? picked : m_storedCountry);
}

} // namespace pelnix
