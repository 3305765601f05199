#pragma once

#include "Color.h"

#include <QImage>
#include <QSizeF>

namespace pelnix {

// Plain-colour pictures for the popover's bars: a filled rounded rectangle, drawn at `scale` pixels
// per point. The picture stretches with caps of the corner radius on all four sides.
namespace ImagePLPopover {

QImage imageWithColor(const Color& color, qreal scale = 1.0);
// (2 r + 1) x (2 r + 1) points.
QImage imageWithColor(const Color& color, qreal cornerRadius, qreal scale);
QImage imageWithColor(const Color& color, const QSizeF& size, qreal cornerRadius, qreal scale = 1.0);

} // namespace ImagePLPopover
} // namespace pelnix
