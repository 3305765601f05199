#include "ui/conversation/PLCellImageView.h"

#include <QPainter>
#include <QPainterPath>

namespace pelnix {

PLCellImageView::PLCellImageView(QWidget* parent) : QWidget(parent) {}

void PLCellImageView::setImage(const QImage& image) {
    if (image.cacheKey() == m_image.cacheKey() && !m_image.isNull())
        return;
    m_image = image;
    m_drawn = QImage();
    update();
}

void PLCellImageView::setRound(bool round) {
    m_round = round;
    m_drawn = QImage();
    update();
}

void PLCellImageView::resizeEvent(QResizeEvent*) {
    m_drawn = QImage();
}

void PLCellImageView::paintEvent(QPaintEvent*) {
    if (m_image.isNull() || width() <= 0 || height() <= 0)
        return;
    const qreal ratio = devicePixelRatioF();
    if (m_drawn.isNull() || !qFuzzyCompare(m_drawn.devicePixelRatio(), ratio)) {
        // Filled with the picture's proportions kept, centred, once.
        m_drawn = QImage((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        m_drawn.setDevicePixelRatio(ratio);
        m_drawn.fill(Qt::transparent);
        QPainter painter(&m_drawn);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF bounds = rect();
        if (m_round) {
            QPainterPath clip;
            clip.addEllipse(bounds);
            painter.setClipPath(clip);
        }
        const QSizeF scaled =
            m_image.deviceIndependentSize().scaled(bounds.size(), Qt::KeepAspectRatioByExpanding);
        QRectF target(QPointF(), scaled);
        target.moveCenter(bounds.center());
        painter.drawImage(target, m_image);
    }
    QPainter(this).drawImage(QPointF(0, 0), m_drawn);
}

} // namespace pelnix
