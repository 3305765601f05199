#pragma once

#include "platform/ui/AttributedString.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace pelnix {

// The co-branding splash: the customer's large picture, their logo (the product's own when they give
// none) and, on the about page, a copyright line. The logo view takes the height of the logo shown;
// without a customer logo the small container under it collapses to 0.
class PLSplashScreenWithLogo : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSmallLogoContainerHeight = 40;

    explicit PLSplashScreenWithLogo(QWidget* parent = nullptr);

    void setCoBrandingImage(const QImage& image, const QImage& logo);
    // The about page looks its fallback logo up in the application's own resources, not the library's.
    void configureForAboutPage(const QImage& image, const QImage& logo,
                               const platform::ui::AttributedString& copyrightText);

    platform::ui::ImageView* coBrandingImage() const { return m_coBrandingImage; }
    platform::ui::ImageView* coBrandingLogoImage() const { return m_logo; }
    platform::ui::Label* copyrightLabel() const { return m_copyright; }
    QWidget* smallLogoContainerView() const { return m_smallLogoContainer; }
    int logoImageHeight() const { return m_logoHeight; }
    int smallLogoContainerViewHeight() const { return m_smallLogoContainerHeight; }

private:
    void layOut(const QImage& image, const QImage& logo, const QImage& fallbackLogo);
    void setLogoHeight(int height);
    void setSmallLogoContainerHeight(int height);

    QPointer<platform::ui::ImageView> m_coBrandingImage;
    QPointer<platform::ui::ImageView> m_logo;
    QPointer<platform::ui::Label> m_copyright;
    QPointer<QWidget> m_smallLogoContainer;
    int m_logoHeight = 0;
    int m_smallLogoContainerHeight = kSmallLogoContainerHeight;
};

} // namespace pelnix
