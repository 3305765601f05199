#include "ui/conversation/PLClippedView.h"

#include <QPainter>
#include <QPolygonF>

namespace pelnix {

PLClippedView::PLClippedView(QWidget* parent) : QWidget(parent), m_fill(0xEE, 0xEE, 0xEE) {}

void PLClippedView::setFillColor(const QColor& color) {
    m_fill = color;
    update();
}

QPolygonF PLClippedView::trianglePath() const {
    const QRectF b = rect();
    return QPolygonF({QPointF(b.left(), b.top() + b.height()), QPointF(b.left() + b.width() / 2, b.top()),
                      QPointF(b.left() + b.width(), b.top() + b.height()),
                      QPointF(b.left(), b.top() + b.height())});
}

void PLClippedView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_fill);
    painter.drawPolygon(trianglePath());
}

} // namespace pelnix
