#include "PLThinSeperatorImageView.h"

#include <QPainter>

namespace pelnix {

PLThinSeperatorImageView::PLThinSeperatorImageView(QWidget* parent) : QWidget(parent) {}

void PLThinSeperatorImageView::setBackgroundColor(const QColor& color) {
    m_background = color;
    update();
}

void PLThinSeperatorImageView::awakeFromNib() {
    m_borderColor = m_background;
    m_borderWidth = (1.0 / devicePixelRatioF()) * 0.5;
    m_background = QColor();
    update();
}

void PLThinSeperatorImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_background.isValid())
        painter.fillRect(rect(), m_background);
    if (!m_borderColor.isValid() || m_borderWidth <= 0)
        return;
    // A border drawn inside the bounds, as a layer border is.
    QPen pen(m_borderColor, m_borderWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    const qreal half = m_borderWidth / 2;
    painter.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
}

} // namespace pelnix
