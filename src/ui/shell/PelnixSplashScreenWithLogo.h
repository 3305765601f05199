#pragma once

#include <QImage>

class QWidget;

namespace pelnix {

// The customer's co-branding splash for the host to show; none unless a user is logged in and the
// server asks for co-branding.
class PelnixSplashScreenWithLogo {
public:
    PelnixSplashScreenWithLogo() = delete;

    // A new splash view (the caller owns it), or null.
    static QWidget* splashScreenWithLogoView();
    static QImage logoImage();
    static QImage coBrandingImage();
};

} // namespace pelnix
