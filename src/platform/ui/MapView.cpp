#include "MapView.h"

#include <QMouseEvent>
#include <QPainter>

namespace pelnix::platform::ui {

MapView::MapView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("mapView"));
}

void MapView::setRegion(const Coordinate& center, double latitudeSpan, double longitudeSpan) {
    m_center = center;
    m_latSpan = latitudeSpan > 0 ? latitudeSpan : m_latSpan;
    m_lonSpan = longitudeSpan > 0 ? longitudeSpan : m_lonSpan;
    update();
}

void MapView::addPin(const Pin& pin) {
    m_pins << pin;
    update();
}

void MapView::removeAllPins() {
    m_pins.clear();
    update();
}

void MapView::setUserLocation(const Coordinate& location, bool shown) {
    m_user = location;
    m_userShown = shown;
    update();
}

QPointF MapView::pointForCoordinate(const Coordinate& c) const {
    const double x = (c.longitude - m_center.longitude) / m_lonSpan * width() + width() / 2.0;
    const double y = (m_center.latitude - c.latitude) / m_latSpan * height() + height() / 2.0;
    return {x, y};
}

Coordinate MapView::coordinateForPoint(const QPointF& p) const {
    if (width() <= 0 || height() <= 0)
        return m_center;
    return Coordinate{m_center.latitude - (p.y() - height() / 2.0) / height() * m_latSpan,
                      m_center.longitude + (p.x() - width() / 2.0) / width() * m_lonSpan};
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
    emit tappedCoordinate(coordinateForPoint(event->position()));
}

void MapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(236, 232, 222));
    painter.setPen(QColor(255, 255, 255));
    for (int x = 0; x < width(); x += 40)
        painter.drawLine(x, 0, x, height());
    for (int y = 0; y < height(); y += 40)
        painter.drawLine(0, y, width(), y);
    painter.setPen(Qt::NoPen);
    for (const Pin& pin : m_pins) {
        const QPointF p = pointForCoordinate(pin.coordinate);
        painter.setBrush(QColor(255, 59, 48));
        painter.drawEllipse(p + QPointF(0, -12), 7, 7);
        painter.drawRect(QRectF(p.x() - 1, p.y() - 12, 2, 12));
    }
    if (m_userShown) {
        const QPointF p = pointForCoordinate(m_user);
        painter.setBrush(Qt::white);
        painter.drawEllipse(p, 9, 9);
        painter.setBrush(QColor(0, 122, 255));
        painter.drawEllipse(p, 6, 6);
    }
}

} // namespace pelnix::platform::ui
