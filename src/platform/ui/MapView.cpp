#include "MapView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWheelEvent>
#include <cmath>

namespace pelnix::platform::ui {

namespace {
constexpr int kGridPixels = 60;
constexpr int kButtonSize = 36;
constexpr int kButtonMargin = 10;
constexpr double kWheelStep = 1.25;

double wrapLongitude(double longitude) {
    if (longitude >= -180.0 && longitude < 180.0)
        return longitude; // exact, as given
    longitude = std::fmod(longitude + 180.0, 360.0);
    return (longitude < 0 ? longitude + 360.0 : longitude) - 180.0;
}

// A round step of 1, 2 or 5 times a power of ten near `raw`.
double niceStep(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double scaled = raw / power;
    return (scaled < 1.5 ? 1 : scaled < 3.5 ? 2 : scaled < 7.5 ? 5 : 10) * power;
}

QIcon locateIcon() {
    QPixmap pixmap(2 * kButtonSize, 2 * kButtonSize);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF middle(kButtonSize / 2.0, kButtonSize / 2.0);
    painter.setPen(QPen(QColor(0, 122, 255), 2));
    painter.drawEllipse(middle, 8, 8);
    for (const QPointF& tick : {QPointF(0, -1), QPointF(0, 1), QPointF(-1, 0), QPointF(1, 0)})
        painter.drawLine(middle + tick * 8, middle + tick * 12);
    painter.setBrush(QColor(0, 122, 255));
    painter.drawEllipse(middle, 3, 3);
    return QIcon(pixmap);
}
} // namespace

MapView::MapView(QWidget* parent) : QWidget(parent), m_locate(new QToolButton(this)) {
    setObjectName(QStringLiteral("mapView"));
    m_locate->setObjectName(QStringLiteral("showMyLocationButton"));
    m_locate->setIcon(locateIcon());
    m_locate->setIconSize(QSize(kButtonSize, kButtonSize));
    m_locate->setFixedSize(kButtonSize, kButtonSize);
    m_locate->setAutoRaise(true);
    m_locate->setAutoFillBackground(true);
    m_locate->setToolTip(QStringLiteral("Show my location"));
    m_locate->hide();
    connect(m_locate, &QToolButton::clicked, this, [this] {
        if (m_userShown)
            setCenter(m_user);
        emit showMyLocationRequested();
    });
}

void MapView::setRegion(const Coordinate& center, double latitudeSpan, double longitudeSpan) {
    applyRegion(center, latitudeSpan > 0 ? latitudeSpan : m_latSpan,
                longitudeSpan > 0 ? longitudeSpan : m_lonSpan);
}

void MapView::setCenter(const Coordinate& center) {
    applyRegion(center, m_latSpan, m_lonSpan);
}

void MapView::applyRegion(const Coordinate& center, double latitudeSpan, double longitudeSpan) {
    m_latSpan = qBound(kMinimumSpan, latitudeSpan, kMaximumLatitudeSpan);
    m_lonSpan = qBound(kMinimumSpan, longitudeSpan, kMaximumLongitudeSpan);
    m_center = {qBound(-90.0, center.latitude, 90.0), wrapLongitude(center.longitude)};
    update();
    emit regionChanged(m_center, m_latSpan, m_lonSpan);
}

void MapView::zoomBy(double factor, const QPointF& anchor) {
    if (factor <= 0)
        return;
    const Coordinate fixed = coordinateForPoint(anchor);
    const double latSpan = qBound(kMinimumSpan, m_latSpan / factor, kMaximumLatitudeSpan);
    const double lonSpan = qBound(kMinimumSpan, m_lonSpan / factor, kMaximumLongitudeSpan);
    // The new centre puts `fixed` back under the anchor.
    const double dx = width() > 0 ? (anchor.x() - width() / 2.0) / width() : 0;
    const double dy = height() > 0 ? (anchor.y() - height() / 2.0) / height() : 0;
    applyRegion({fixed.latitude + dy * latSpan, fixed.longitude - dx * lonSpan}, latSpan, lonSpan);
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

void MapView::setShowsMyLocationButton(bool shown) {
    m_locate->setVisible(shown);
    placeLocateButton();
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

void MapView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeLocateButton();
}

void MapView::placeLocateButton() {
    m_locate->move(width() - kButtonSize - kButtonMargin, height() - kButtonSize - kButtonMargin);
}

void MapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_panning = false;
    m_pressAt = event->position();
    m_pressCenter = m_center;
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed || !m_scrollEnabled || width() <= 0 || height() <= 0)
        return;
    const QPointF moved = event->position() - m_pressAt;
    if (!m_panning && moved.manhattanLength() < QApplication::startDragDistance())
        return;
    m_panning = true;
    // The ground follows the finger.
    setCenter({m_pressCenter.latitude + moved.y() / height() * m_latSpan,
               m_pressCenter.longitude - moved.x() / width() * m_lonSpan});
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_pressed || event->button() != Qt::LeftButton)
        return;
    m_pressed = false;
    if (!m_panning)
        emit tappedCoordinate(coordinateForPoint(event->position()));
    m_panning = false;
}

void MapView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (m_zoomEnabled && event->button() == Qt::LeftButton)
        zoomBy(2, event->position());
}

void MapView::wheelEvent(QWheelEvent* event) {
    if (!m_zoomEnabled)
        return;
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0)
        zoomBy(std::pow(kWheelStep, steps), event->position());
    event->accept();
}

void MapView::paintGrid(QPainter& painter) {
    if (width() <= 0 || height() <= 0)
        return;
    painter.setPen(QColor(255, 255, 255));
    const double lonStep = niceStep(m_lonSpan * kGridPixels / width());
    const double west = m_center.longitude - m_lonSpan / 2;
    for (double lon = std::ceil(west / lonStep) * lonStep; lon <= west + m_lonSpan; lon += lonStep) {
        const double x = pointForCoordinate({m_center.latitude, lon}).x();
        painter.drawLine(QPointF(x, 0), QPointF(x, height()));
    }
    const double latStep = niceStep(m_latSpan * kGridPixels / height());
    const double south = m_center.latitude - m_latSpan / 2;
    for (double lat = std::ceil(south / latStep) * latStep; lat <= south + m_latSpan; lat += latStep) {
        const double y = pointForCoordinate({lat, m_center.longitude}).y();
        painter.drawLine(QPointF(0, y), QPointF(width(), y));
    }
}

void MapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(236, 232, 222));
    paintGrid(painter);
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
