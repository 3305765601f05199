#include "ImagePLPopover.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace pelnix::ImagePLPopover {

QImage imageWithColor(const Color& color, qreal scale) {
    return imageWithColor(color, QSizeF(8, 8), 0, scale);
}

QImage imageWithColor(const Color& color, qreal cornerRadius, qreal scale) {
    const qreal side = 2 * cornerRadius + 1;
    return imageWithColor(color, QSizeF(side, side), cornerRadius, scale);
}

QImage imageWithColor(const Color& color, const QSizeF& size, qreal cornerRadius, qreal scale) {
    if (size.isEmpty() || scale <= 0)
        return {};
    QImage image(qCeil(size.width() * scale), qCeil(size.height() * scale),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), size), cornerRadius, cornerRadius);
    painter.fillPath(path, color.toQColor());
    return image;
}

} // namespace pelnix::ImagePLPopover
