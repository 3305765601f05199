#pragma once

#include "core/model/PLCountryInfo.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "ui/account/PLLoginFormViewController.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QPointer>
#include <functional>
#include <optional>

namespace pelnix {

// Takes the country and the number of the user's phone and hands them back to the profile, which
// stores and sends them with its next save. The register button is enabled only with a number and a
// known country; the number the account has verified is refused.
class PLRegPhoneNumberViewController : public PLLoginFormViewController {
    Q_OBJECT
public:
    // (dialling code without "+", number); called at most once.
    using CompletionHandler = std::function<void(const QString& countryCode, const QString& phoneNumber)>;
    static inline const QString kCountryPickerSegue = QStringLiteral("PLCountryCodesSegue");

    explicit PLRegPhoneNumberViewController(QObject* parent = nullptr);

    CompletionHandler regPhooneNumControllerCompletionHandler() const { return m_completion; }
    void setRegPhooneNumControllerCompletionHandler(CompletionHandler handler) {
        m_completion = std::move(handler);
    }

    std::optional<PLCountryInfo> countryInfo() const { return m_countryInfo; }
    // The dialling code shown and handed back, or "Select" while no country is known.
    QString countryCode() const { return m_countryCode; }

    PLCustomTextField* phoneNumberTextField() const { return m_number; }
    PLCustomTextField* countryCodeTextField() const { return m_country; }
    platform::ui::Button* addOrRemovePhoneNumberButton() const { return m_register; }
    platform::ui::Button* countryListDropDownButton() const { return m_dropDown; }
    platform::ui::Button* closeButton() const { return m_close; }

    void setNumberAndPlaceHolder();
    void showCountryInfo();
    std::optional<PLCountryInfo> countryInfoForCurrentUser() const;
    void setCountryCodeLabelWithCountryInfo(const std::optional<PLCountryInfo>& country);
    void changeButtonTitle();
    void phoneNumberEditingChanged();
    void registerPhoneNumberButtonClickHandler();
    void dismiss();
    void showAlertViewWithTitle(const QString& title, const QString& message);
    void openCountryPicker();
    // The picker came back: its country, or the account's stored one when it gave none.
    void unwindToRegistrationScreen(platform::ui::ViewController* picker);

    void prepareForSegue(platform::ui::StoryboardSegue& segue, QObject* sender) override;
    bool canPerformUnwindSegueAction(const QString& identifier, platform::ui::ViewController* from) override;

protected:
    QSize formSize() const override { return {280, 300}; }
    void buildForm(QWidget* container) override;
    void buildPage(QWidget* page) override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillLayoutSubviews() override;

private:
    void placeDropDownArrow();

    CompletionHandler m_completion;
    std::optional<PLCountryInfo> m_countryInfo;
    std::optional<PLCountryInfo> m_storedCountry;
    QString m_countryCode;
    QPointer<platform::ui::Label> m_heading;
    QPointer<PLCustomTextField> m_number;
    QPointer<PLCustomTextField> m_country;
    QPointer<platform::ui::Button> m_register;
    QPointer<platform::ui::Button> m_dropDown;
    QPointer<platform::ui::Button> m_close;
};

} // namespace pelnix
