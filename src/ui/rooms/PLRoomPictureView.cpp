#include "ui/rooms/PLRoomPictureView.h"

#include <QCache>
#include <QPainter>
#include <QPainterPath>

namespace pelnix {

PLRoomPictureView::PLRoomPictureView(QWidget* parent) : PLRoundImageView(parent) {}

namespace {
// Round pictures already rendered, shared by every row: rows scrolling past show the same few
// pictures again and again. Bounded by their bytes.
QCache<QString, QImage>& renderedPictures() {
    static QCache<QString, QImage> cache(8 * 1024 * 1024);
    return cache;
}

QString renderedKey(const QImage& picture, const QSize& pixels, qreal radius) {
    return QStringLiteral("%1/%2x%3/%4")
        .arg(picture.cacheKey())
        .arg(pixels.width())
        .arg(pixels.height())
        .arg(radius);
}
} // namespace

void PLRoomPictureView::paintEvent(QPaintEvent*) {
    const QImage picture = image();
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (pixels.isEmpty())
        return;
    if (picture.cacheKey() != m_renderedKey || pixels != m_renderedSize || m_rendered.isNull()) {
        if (const QImage* shared =
                renderedPictures().object(renderedKey(picture, pixels, cornerRadius() * ratio))) {
            m_rendered = *shared;
            m_renderedKey = picture.cacheKey();
            m_renderedSize = pixels;
        }
    }
    if (picture.cacheKey() != m_renderedKey || pixels != m_renderedSize || m_rendered.isNull()) {
        QImage rendered(pixels, QImage::Format_ARGB32_Premultiplied);
        rendered.fill(Qt::transparent);
        QPainter painter(&rendered);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF bounds{QPointF(), QSizeF(pixels)};
        QPainterPath clip;
        const qreal radius = cornerRadius() * ratio;
        if (radius > 0)
            clip.addRoundedRect(bounds, radius, radius);
        else
            clip.addRect(bounds);
        painter.setClipPath(clip);
        // The round view's backdrop behind a missing or transparent picture.
        painter.fillRect(bounds, QColor(255, 255, 255, 51));
        if (!picture.isNull()) {
            QRectF target(QPointF(),
                          QSizeF(picture.size()).scaled(bounds.size(), Qt::KeepAspectRatioByExpanding));
            target.moveCenter(bounds.center());
            painter.drawImage(target, picture);
        }
        painter.end();
        rendered.setDevicePixelRatio(ratio);
        renderedPictures().insert(renderedKey(picture, pixels, cornerRadius() * ratio), new QImage(rendered),
                                  int(qMin<qsizetype>(rendered.sizeInBytes(), INT_MAX)));
        m_rendered = rendered;
        m_renderedKey = picture.cacheKey();
        m_renderedSize = pixels;
    }
    QPainter(this).drawImage(QPointF(0, 0), m_rendered);
}

} // namespace pelnix
