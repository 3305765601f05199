#include "PLSplashScreenWithLogo.h"

#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/AttributedString.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"

#include <QVBoxLayout>

namespace pelnix {

using platform::ui::ImageView;
using platform::ui::Label;

namespace {
const QString kProductLogo = QStringLiteral("pelnix_logo_big");

// Logical height of a picture (its pixels over its device pixel ratio).
int logicalHeight(const QImage& image) {
    return image.isNull() ? 0 : qRound(image.height() / image.devicePixelRatio());
}
} // namespace

PLSplashScreenWithLogo::PLSplashScreenWithLogo(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PLSplashScreenWithLogo"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);

    m_coBrandingImage = new ImageView(this);
    m_coBrandingImage->setObjectName(QStringLiteral("coBrandingImage"));
    m_coBrandingImage->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    m_logo = new ImageView(this);
    m_logo->setObjectName(QStringLiteral("coBrandingLogoImage"));
    m_logo->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    m_smallLogoContainer = new QWidget(this);
    m_smallLogoContainer->setObjectName(QStringLiteral("smallLogoContainerView"));
    m_copyright = new Label(QString(), this);
    m_copyright->setObjectName(QStringLiteral("copyrightLabel"));
    m_copyright->setNumberOfLines(0);
    m_copyright->setAlignment(Qt::AlignCenter);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 40, 20, 20);
    column->setSpacing(12);
    column->addWidget(m_coBrandingImage, 1);
    column->addWidget(m_logo);
    column->addWidget(m_smallLogoContainer);
    column->addWidget(m_copyright);
    setLogoHeight(0);
    setSmallLogoContainerHeight(kSmallLogoContainerHeight);
}

void PLSplashScreenWithLogo::setCoBrandingImage(const QImage& image, const QImage& logo) {
    m_copyright->hide();
    layOut(image, logo, ImageAdditions::loadImageNamed(kProductLogo));
}

void PLSplashScreenWithLogo::configureForAboutPage(const QImage& image, const QImage& logo,
                                                   const platform::ui::AttributedString& copyrightText) {
    m_copyright->setAttributedText(copyrightText);
    m_copyright->show();
    // The application's own resources stand for its main bundle.
    layOut(image, logo, QImage(QStringLiteral(":/") + kProductLogo + QStringLiteral(".png")));
}

void PLSplashScreenWithLogo::layOut(const QImage& image, const QImage& logo, const QImage& fallbackLogo) {
    m_coBrandingImage->setImage(image);
    const QImage shown = logo.isNull() ? fallbackLogo : logo;
    m_logo->setImage(shown);
    if (logo.isNull()) {
        m_smallLogoContainer->hide();
        setSmallLogoContainerHeight(0);
    }
    setLogoHeight(logicalHeight(shown));
    if (layout())
        layout()->activate();
}

void PLSplashScreenWithLogo::setLogoHeight(int height) {
    m_logoHeight = height;
    m_logo->setFixedHeight(height);
}

void PLSplashScreenWithLogo::setSmallLogoContainerHeight(int height) {
    m_smallLogoContainerHeight = height;
    m_smallLogoContainer->setFixedHeight(height);
}

} // namespace pelnix
