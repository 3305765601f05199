#include "ImagePLBlurView.h"

#include "platform/ui/BlurredBackdrop.h"

#include <cmath>

namespace pelnix::ImagePLBlurView {

int boxSize(double radius, double imageScale) {
    int box = int(radius * imageScale);
    if (box % 2 == 0)
        ++box;
    return box;
}

QImage blurredImageWithRadius(const QImage& image, double imageScale, double radius, unsigned iterations,
                              const QColor& tint) {
    if (image.isNull() || imageScale <= 0)
        return image;
    const float points =
        std::floor(float(image.width() / imageScale)) * std::floor(float(image.height() / imageScale));
    if (points <= 0)
        return image;
    QImage out = platform::ui::BlurredBackdrop::boxBlur(image, boxSize(radius, imageScale), int(iterations));
    if (tint.isValid() && tint.alpha() > 0) {
        if (out.format() != QImage::Format_ARGB32_Premultiplied)
            out = out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        platform::ui::BlurredBackdrop::addTint(out, tint);
    }
    return out;
}

} // namespace pelnix::ImagePLBlurView
