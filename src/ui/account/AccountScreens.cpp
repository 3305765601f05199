#include "ui/account/AccountScreens.h"

#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/account/PLAboutWebViewController.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/account/PLConfigureScreenViewController.h"
#include "ui/account/PLCountryCodesViewController.h"
#include "ui/account/PLEmailVerficationViewController.h"
#include "ui/account/PLImageSelectionHelperProvider.h"
#include "ui/account/PLLoggedOutViewController.h"
#include "ui/account/PLRegPhoneNumberViewController.h"
#include "ui/account/PLSettingsTableViewController.h"
#include "ui/account/PLSignUpViewController.h"
#include "ui/account/PLUserProfileTableViewController.h"
#include "ui/account/PLVerifyExceedsViewController.h"
#include "ui/account/PLVerifyPhoneNumberViewController.h"

namespace pelnix::AccountScreens {

using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::StoryboardSegue;
using platform::ui::ViewController;

namespace {
// A navigation controller whose root is the registered screen `identifier` of `storyboard`.
ScreenRegistry::Factory inNavigation(const QString& storyboard, const QString& identifier) {
    return [storyboard, identifier]() -> ViewController* {
        return new NavigationController(ScreenRegistry::shared()->instantiate(storyboard, identifier));
    };
}

void registerNib(const QString& name, ScreenRegistry::Factory factory) {
    ScreenRegistry::shared()->registerScreen(name, name, std::move(factory));
}
} // namespace

void registerScreens() {
    auto* registry = ScreenRegistry::shared();
    // A host may have installed a picture selection of its own.
    if (!PLImageSelectionProvider::current())
        PLImageSelectionProvider::setCurrent(std::make_unique<PLImageSelectionHelperProvider>());
    // Nibs are named after their controllers.
    registerNib(QStringLiteral("PLAppLockScreenViewController"),
                [] { return new PLAppLockScreenViewController; });
    registerNib(QStringLiteral("PLConfigureScreenViewController"),
                [] { return new PLConfigureScreenViewController; });

    const QString login = QStringLiteral("Login");
    registry->registerScreen(login, QStringLiteral("PLSignUpViewController"),
                             [] { return new PLSignUpViewController; });
    registry->registerScreen(login, QStringLiteral("PLSignUpNavigationController"),
                             inNavigation(login, QStringLiteral("PLSignUpViewController")));
    registry->registerScreen(login, QStringLiteral("PLEmailVerificationID"),
                             [] { return new PLEmailVerficationViewController; });
    registry->registerScreen(login, QStringLiteral("PLVerifyExceedsLimitControllerID"),
                             [] { return new PLVerifyExceedsViewController; });
    registry->registerScreen(login, QStringLiteral("PLAboutWebViewController"),
                             [] { return new PLAboutWebViewController; });
    registry->registerScreen(login, QStringLiteral("PLTermsAndConditionID"),
                             inNavigation(login, QStringLiteral("PLAboutWebViewController")));

    const QString loggedOut = QStringLiteral("LoggedOut");
    registry->registerScreen(loggedOut, QStringLiteral("PLLoggedOutViewController"),
                             [] { return new PLLoggedOutViewController; });
    registry->registerScreen(loggedOut, QStringLiteral("PLLoggedOutNavigationController"),
                             inNavigation(loggedOut, QStringLiteral("PLLoggedOutViewController")));
    registry->setInitialScreen(loggedOut, QStringLiteral("PLLoggedOutNavigationController"));

    const QString home = QStringLiteral("Home");
    registry->registerScreen(home, QStringLiteral("PLSettingsTableViewController"),
                             [] { return new PLSettingsTableViewController; });
    registry->registerScreen(home, QStringLiteral("PLUserProfileTableViewController"),
                             [] { return new PLUserProfileTableViewController; });
    for (const QString& identifier : {QStringLiteral("PLUserProfileNavigationController"),
                                      QStringLiteral("PLUserProfileNavigationController_RTL")})
        registry->registerScreen(home, identifier,
                                 inNavigation(home, QStringLiteral("PLUserProfileTableViewController")));
    // The identifier names the navigation controller; its root carries it too, for its segues.
    const QString registration = QStringLiteral("PLRegPhoneNumberViewController");
    registry->registerScreen(home, registration, [home, registration]() -> ViewController* {
        auto* screen = new PLRegPhoneNumberViewController;
        screen->setStoryboardIdentity(home, registration);
        return new NavigationController(screen);
    });
    registry->registerScreen(home, QStringLiteral("PLVerifyPhoneNumberViewController"),
                             [] { return new PLVerifyPhoneNumberViewController; });
    const QString picker = QStringLiteral("PLCountryCodesViewController");
    registry->registerScreen(home, picker, [] { return new PLCountryCodesViewController; });
    registry->registerScreen(home, QStringLiteral("PLCountryCodesNavigationController"),
                             inNavigation(home, picker));
    registry->registerSegue(home, registration, PLRegPhoneNumberViewController::kCountryPickerSegue,
                            QStringLiteral("PLCountryCodesNavigationController"),
                            StoryboardSegue::Kind::Modal);
    for (const QString& unwind : {QStringLiteral("done"), QStringLiteral("cancel")})
        registry->registerSegue(home, picker, unwind, QString(), StoryboardSegue::Kind::Unwind);
}

} // namespace pelnix::AccountScreens
