#include "GalleryAccount.h"

#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/User.h"
#include "core/session/PLAppLockSettingsManager.h"
#include "core/session/PelnixInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/persistence/PLManagedObject.h"
#include "media/PLImageManager.h"
#include "platform/Sandbox.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "ui/account/AccountScreens.h"
#include "ui/account/PLAppLockAccount.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/account/PLAppLockSettingCell.h"
#include "ui/account/PLConfigureScreenViewController.h"
#include "ui/account/PLCountryCodesViewController.h"
#include "ui/account/PLEmailVerficationViewController.h"
#include "ui/account/PLPadLockScreenSetupViewController.h"
#include "ui/account/PLPadLockScreenView.h"
#include "ui/account/PLPadLockScreenViewController.h"
#include "ui/account/PLRegPhoneNumberViewController.h"
#include "ui/account/PLSignUpViewController.h"
#include "ui/account/PLUserProfileTableViewController.h"
#include "ui/account/PLVerifyPhoneNumberViewController.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomSearchView.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace pelnix::tools {

using namespace platform::ui;

namespace {
// Laid out as on a 568-point phone, in the lock screen's colours.
void styled(PLPadLockScreenAbstractViewController* pad) {
    PLPadLockScreenView* view = pad->padView();
    view->setAppearance(PLAppLockScreenViewController::padAppearance());
    view->setDevice({568, false});
}

void enter(PLPadLockScreenAbstractViewController* pad, const QString& digits) {
    for (QChar digit : digits)
        pad->newPinSelected(digit.digitValue());
}

// Refuses every PIN, so the gallery's unlock pad locks itself out.
class RefusingOwner : public QObject, public PLPadLockScreenViewControllerDelegate {};

class SettingsRowController : public ViewController {
protected:
    QWidget* loadView() override {
        auto* page = new QWidget;
        page->setAutoFillBackground(true);
        QPalette palette = page->palette();
        palette.setColor(QPalette::Window, QColor(0xEF, 0xEF, 0xF4));
        page->setPalette(palette);
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 40, 0, 0);
        auto* cell = new PLAppLockSettingCell;
        cell->setObjectName(QStringLiteral("appLockCell"));
        cell->setFixedHeight(54);
        cell->changeViewForAppLockState(1, false);
        layout->addWidget(cell);
        layout->addStretch();
        return page;
    }
};

const QString kGallery = QStringLiteral("GalleryAccount");
const QString kLarge = QStringLiteral("@400x720");
const QString kPictureURL = QStringLiteral("https://pictures.gallery.test/s/nina");

// The account the screens read, in a store of the gallery's own.
struct AccountState {
    qint16 status = 3;
    QString name = QStringLiteral("Nina Park");
    QString email = QStringLiteral("nina.park@acme.test");
    QString phone;
    QString country;
    bool verified = false;
    QString picture;
    qint16 lock = 0;
};

bool g_ownSandbox = true;

void prepareStore() {
    static bool done = false;
    if (done)
        return;
    done = true;
    // The tool writes nothing outside a throwaway folder; a test keeps the sandbox it set.
    static QTemporaryDir sandbox;
    if (g_ownSandbox)
        platform::Sandbox::setRoot(sandbox.path());
    PelnixDataModel::registerDeclaration();
    PLManagedObject::initializeDatabase();
    AccountScreens::registerScreens();
    QImage picture(96, 96, QImage::Format_RGB32);
    picture.fill(QColor::fromRgb(kAccountGalleryPictureRgb));
    PLImageManager::sharedManager()->imageCache().storeInMemory(PLImageCache::keyForURL(QUrl(kPictureURL)),
                                                                picture);
}

void applyAccount(const AccountState& state) {
    prepareStore();
    auto account = CurrentUserInfo::currentUserInfo();
    if (!account->user())
        account->setUser(User::PS_createEntity());
    const auto me = account->user();
    me->setUserID(1042);
    me->setProfileName(state.name);
    me->setEmail(state.email);
    me->setImageUrl(state.picture);
    me->setBigImageUrl(state.picture);
    account->setStatus(state.status);
    account->setPhoneNumber(state.phone);
    account->setCountryCode(state.country);
    account->setPhoneVerificationStatus(state.verified ? QStringLiteral("VERIFIED") : QString());
    account->setAppLockState(state.lock);
    account->setShowsAppLockScreen(false);
    account->save();
    // The gallery shows screens, not the process's first lock or requests to a service.
    PLAppLockAccount::setCurrent({});
    PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
    PelnixInfo::sharedInstance()->setAppLockFeatureEnabled(true);
}

// Requests cannot start while the screen appears (no busy overlay in the picture); back afterwards.
void offlineWhileAppearing(bool offline) {
    auto* network = PLReachabilityResponder::sharedInstance();
    if (network->isNetworkDisabledForTesting() != offline)
        network->toggleNetworkForTestingPuspose();
}

void sized(ViewController* controller, const QString& identifier) {
    offlineWhileAppearing(false);
    if (platform::ui::Window* window = controller->window())
        window->resize(accountGallerySize(identifier));
}

ViewController* screen(const char* storyboard, const char* identifier) {
    return ScreenRegistry::shared()->instantiate(QString::fromLatin1(storyboard),
                                                 QString::fromLatin1(identifier));
}

template <typename T> T* top(ViewController* controller) {
    auto* nav = qobject_cast<NavigationController*>(controller);
    return qobject_cast<T*>(nav ? nav->topViewController() : controller);
}

// Registers `name` and its large twin: `make` builds the screen for an account state, `shown` brings it
// into its state once it is on screen.
void registerState(const QString& name, AccountState state, std::function<ViewController*()> make,
                   std::function<void(ViewController*)> shown = {}) {
    for (const QString& suffix : {QString(), kLarge}) {
        const QString identifier = name + suffix;
        ScreenRegistry::shared()->registerScreen(
            kGallery, identifier,
            [state, make] {
                applyAccount(state);
                offlineWhileAppearing(true);
                return make();
            },
            [identifier, shown](ViewController* c) {
                sized(c, identifier);
                if (shown)
                    shown(c);
            });
    }
}

// `make`'s screen in a view right to left.
std::function<ViewController*()> rightToLeft(std::function<ViewController*()> make) {
    return [make] {
        ViewController* shown = make();
        shown->view()->setLayoutDirection(Qt::RightToLeft);
        return shown;
    };
}

void registerScreenStates() {
    const AccountState signedOut{0, QString(), QString()};
    const auto signUp = [] { return screen("Login", "PLSignUpNavigationController"); };
    registerState(QStringLiteral("SignUpEmpty"), signedOut, signUp);
    const auto typeAddress = [](ViewController* c, const QString& address) {
        auto* form = top<PLSignUpViewController>(c);
        form->emailAddressTextField()->setText(address);
        form->emailEditingStateChanged();
        return form;
    };
    registerState(QStringLiteral("SignUpFilled"), signedOut, signUp, [typeAddress](ViewController* c) {
        typeAddress(c, QStringLiteral("nina.park@acme.test"));
    });
    registerState(QStringLiteral("SignUpRefused"), signedOut, signUp, [typeAddress](ViewController* c) {
        typeAddress(c, QStringLiteral("nina.park@acme"))->createProfileButtonClicked();
    });
    // Mirrored: Cancel at the page's right, the address at the field's right end.
    registerState(
        QStringLiteral("SignUpFilledRightToLeft"), signedOut, rightToLeft(signUp),
        [typeAddress](ViewController* c) { typeAddress(c, QStringLiteral("nina.park@acme.test")); });

    const AccountState registered{1, QString(), QStringLiteral("nina.park@acme.test")};
    const auto verification = [] {
        // As sign-up leaves it: the bar hidden, the verification pushed.
        auto* nav = new NavigationController(screen("Login", "PLSignUpViewController"));
        nav->setNavigationBarHidden(true, false);
        nav->pushViewController(screen("Login", "PLEmailVerificationID"), false);
        return nav;
    };
    registerState(QStringLiteral("VerificationWaiting"), registered, verification);
    const auto wrongCode = [](ViewController* c) {
        auto* form = top<PLEmailVerficationViewController>(c);
        form->verifyCodeTextField()->setText(QStringLiteral("482913"));
        form->verificationFieldEdited();
        form->codeRefused();
        // Past the alert: the marker stays in the field until it is edited.
        if (platform::ui::Window* window = c->window(); window && !window->alerts().isEmpty())
            window->alerts().last()->tapButtonAtIndex(0);
    };
    registerState(QStringLiteral("VerificationWrongCode"), registered, verification, wrongCode);
    // Mirrored: Back at the page's right, the marker at the field's left end.
    registerState(QStringLiteral("VerificationWrongCodeRightToLeft"), registered, rightToLeft(verification),
                  wrongCode);
    registerState(QStringLiteral("AttemptsExceeded"), registered,
                  [] { return screen("Login", "PLVerifyExceedsLimitControllerID"); });

    const auto settings = [] {
        return new NavigationController(screen("Home", "PLSettingsTableViewController"));
    };
    AccountState lockOn;
    lockOn.lock = 1;
    registerState(QStringLiteral("SettingsLockOff"), AccountState{}, settings);
    registerState(QStringLiteral("SettingsLockOn"), lockOn, settings);
    // Mirrored whole: the header and texts at the right, the switch at the left with its knob on the
    // left for on.
    registerState(QStringLiteral("SettingsLockOnRightToLeft"), lockOn, rightToLeft(settings));

    const auto profile = [] {
        ViewController* nav = screen("Home", "PLUserProfileNavigationController");
        top<PLUserProfileTableViewController>(nav)->setProfileNavigationType(2);
        return nav;
    };
    AccountState pictured;
    pictured.picture = kPictureURL;
    pictured.phone = QStringLiteral("7700900123");
    pictured.country = QStringLiteral("44");
    pictured.verified = true;
    AccountState plain;
    plain.phone = QStringLiteral("7700900123");
    plain.country = QStringLiteral("44");
    registerState(QStringLiteral("ProfileWithPicture"), pictured, profile);
    registerState(QStringLiteral("ProfileWithoutPicture"), plain, profile);
    const auto editing = [](ViewController* c) {
        top<PLUserProfileTableViewController>(c)->setIsEditingProfile(true);
    };
    registerState(QStringLiteral("ProfileEditing"), pictured, profile, editing);
    // Mirrored: the rows' icons at the right; the edit icon, the verified mark and Change at the left;
    // the camera button at the picture's lower left.
    registerState(QStringLiteral("ProfileWithoutPictureRightToLeft"), plain, rightToLeft(profile));
    registerState(QStringLiteral("ProfileEditingRightToLeft"), pictured, rightToLeft(profile), editing);
    // The picture selection helper's choice over the profile being edited (no camera here).
    registerState(QStringLiteral("ProfilePictureChoice"), pictured, profile, [](ViewController* c) {
        auto* screen = top<PLUserProfileTableViewController>(c);
        screen->setIsEditingProfile(true);
        screen->uploadProfileImageButtonClickHandler();
    });

    const auto phoneRegistration = [] { return screen("Home", "PLRegPhoneNumberViewController"); };
    registerState(QStringLiteral("PhoneRegistration"), plain, phoneRegistration);
    // Mirrored: Cancel at the page's right, the country's arrow at its field's left end.
    registerState(QStringLiteral("PhoneRegistrationRightToLeft"), plain, rightToLeft(phoneRegistration));
    registerState(QStringLiteral("PhoneVerification"), plain, [] {
        auto* check = static_cast<PLVerifyPhoneNumberViewController*>(
            screen("Home", "PLVerifyPhoneNumberViewController"));
        check->setShowsCloseButton(true);
        return check;
    });
    AccountState india;
    india.country = QStringLiteral("91");
    registerState(
        QStringLiteral("CountryPickerFiltered"), india,
        [] {
            ViewController* nav = screen("Home", "PLCountryCodesNavigationController");
            top<PLCountryCodesViewController>(nav)->setCurrentSelectedCountryInfo(
                PLCountryInfo::instanceForCountryCode(QStringLiteral("91")));
            return nav;
        },
        [](ViewController* c) {
            // Typed as a user types: the field takes the focus, then the letters.
            auto* picker = top<PLCountryCodesViewController>(c);
            PLCustomSearchTextField* field = picker->searchView()->searchTextField();
            QApplication::setActiveWindow(c->view()->window());
            field->becomeFirstResponder();
            for (const QChar letter : QString::fromLatin1(kAccountGallerySearch))
                field->insert(QString(letter));
        });
    registerState(QStringLiteral("Configuration"), AccountState{}, [] {
        PLModelManager::sharedModelManager()->setAppConfigurationState(2);
        return screen("PLConfigureScreenViewController", "PLConfigureScreenViewController");
    });
    registerState(QStringLiteral("ConfigurationStylesheet"), AccountState{}, [] {
        PLModelManager::sharedModelManager()->setAppConfigurationState(1);
        return screen("PLConfigureScreenViewController", "PLConfigureScreenViewController");
    });
    registerState(QStringLiteral("ConfigurationUpgrading"), AccountState{}, [] {
        PLModelManager::sharedModelManager()->setAppConfigurationState(3);
        return screen("PLConfigureScreenViewController", "PLConfigureScreenViewController");
    });
    // The first run: the account not yet complete, the profile opens editing with its name to give.
    AccountState firstRun;
    firstRun.status = 1;
    firstRun.name.clear();
    registerState(QStringLiteral("ProfileFirstRun"), firstRun, profile);
    AccountState loggedOut;
    loggedOut.status = 4;
    registerState(QStringLiteral("LoggedOut"), loggedOut,
                  [] { return ScreenRegistry::shared()->instantiateInitial(QStringLiteral("LoggedOut")); });
}
} // namespace

void registerAccountGalleryScreens(bool ownSandbox) {
    g_ownSandbox = ownSandbox;
    AccountScreens::registerScreens();
    auto* registry = ScreenRegistry::shared();
    const QString gallery = kGallery;
    registry->registerScreen(
        gallery, QStringLiteral("PinPadFourDigit"),
        [] { return new PLPadLockScreenViewController(nullptr, false); },
        [](ViewController* c) {
            auto* pad = static_cast<PLPadLockScreenViewController*>(c);
            styled(pad);
            enter(pad, QStringLiteral("12"));
        });
    registry->registerScreen(
        gallery, QStringLiteral("PinPadComplex"),
        [] { return new PLPadLockScreenViewController(nullptr, true); },
        [](ViewController* c) {
            auto* pad = static_cast<PLPadLockScreenViewController*>(c);
            styled(pad);
            enter(pad, QStringLiteral("907"));
        });
    registry->registerScreen(
        gallery, QStringLiteral("PinPadLocked"),
        [] {
            auto* owner = new RefusingOwner;
            auto* pad = new PLPadLockScreenViewController(owner, true);
            owner->setParent(pad);
            pad->setAllowedAttempts(3);
            return pad;
        },
        [](ViewController* c) {
            auto* pad = static_cast<PLPadLockScreenViewController*>(c);
            styled(pad);
            for (int attempt = 0; attempt < 3; ++attempt) {
                enter(pad, QStringLiteral("1"));
                pad->okButtonSelected();
            }
        });
    registry->registerScreen(
        gallery, QStringLiteral("PasscodeChangeNewEntry"),
        [] {
            auto* pad = new PLPadLockScreenSetupViewController(nullptr, true);
            pad->setEnterPasscodeLabelText(QStringLiteral("Enter New Passcode"));
            pad->setPinConfirmationText(QStringLiteral("Re-enter your new passcode"));
            return pad;
        },
        [](ViewController* c) {
            auto* pad = static_cast<PLPadLockScreenSetupViewController*>(c);
            styled(pad);
            enter(pad, QStringLiteral("2468"));
            pad->okButtonSelected();
            enter(pad, QStringLiteral("24"));
        });
    registry->registerScreen(gallery, QStringLiteral("AppLockSettingCell"),
                             [] { return new SettingsRowController; });
    registerScreenStates();
}

QSize accountGallerySize(const QString& identifier) {
    return identifier.endsWith(kLarge) ? QSize(400, 720) : QSize(320, 568);
}

} // namespace pelnix::tools
