#include "ui/shell/PelnixSplashScreenWithLogo.h"

#include "core/model/CurrentUserInfo.h"
#include "interface/PelnixSetUp.h"
#include "ui/toolkit/PLSplashScreenWithLogo.h"

namespace pelnix {

namespace {

CurrentUserInfo::Ptr coBrandingAccount() {
    const auto account = PelnixSetUp::loggedInAccount();
    return account && account->showCoBrandingSplashScreen() ? account : nullptr;
}

} // namespace

QWidget* PelnixSplashScreenWithLogo::splashScreenWithLogoView() {
    const auto account = coBrandingAccount();
    if (!account)
        return nullptr;
    auto* view = new PLSplashScreenWithLogo;
    view->setCoBrandingImage(account->coBrandingImage(), account->coBrandingLogoImage());
    return view;
}

QImage PelnixSplashScreenWithLogo::logoImage() {
    const auto account = coBrandingAccount();
    return account ? account->coBrandingLogoImage() : QImage();
}

QImage PelnixSplashScreenWithLogo::coBrandingImage() {
    const auto account = coBrandingAccount();
    return account ? account->coBrandingImage() : QImage();
}

} // namespace pelnix
