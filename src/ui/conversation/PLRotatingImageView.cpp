#include "ui/conversation/PLRotatingImageView.h"

#include <QPainter>

namespace pelnix {

PLRotatingImageView::PLRotatingImageView(QWidget* parent) : QWidget(parent) {}

void PLRotatingImageView::setImage(const QImage& image) {
    m_image = image;
    update();
}

qreal PLRotatingImageView::rotation() const {
    return property("pelnix.rotation").toReal();
}

void PLRotatingImageView::paintEvent(QPaintEvent*) {
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF size = m_image.deviceIndependentSize().scaled(QSizeF(this->size()), Qt::KeepAspectRatio);
    painter.translate(width() / 2.0, height() / 2.0);
    painter.rotate(qRadiansToDegrees(rotation()));
    painter.drawImage(QRectF(QPointF(-size.width() / 2, -size.height() / 2), size), m_image);
}

} // namespace pelnix
