#pragma once

#include <QColor>
#include <QImage>

namespace pelnix {

// Blurring a picture for the blur view.
namespace ImagePLBlurView {

// The odd box size for a radius in points on a picture of `imageScale` pixels per point.
int boxSize(double radius, double imageScale);
// `iterations` box passes of boxSize(radius, imageScale), then the tint (when given and not clear)
// added at a quarter of its strength. A picture under one point wide or high comes back unchanged.
QImage blurredImageWithRadius(const QImage& image, double imageScale, double radius, unsigned iterations,
                              const QColor& tint = QColor());

} // namespace ImagePLBlurView
} // namespace pelnix
