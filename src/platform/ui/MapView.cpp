#include "MapView.h"

#include "MapTileLoader.h"
#include "TintColor.h"

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
constexpr double kTile = MapTileLoader::kTileSize;

double wrapLongitude(double longitude) {
    if (longitude >= -180.0 && longitude < 180.0)
        return longitude; // exact, as given
    longitude = std::fmod(longitude + 180.0, 360.0);
    return (longitude < 0 ? longitude + 360.0 : longitude) - 180.0;
}

double clampLatitude(double latitude) {
    return qBound(-MapView::kMaximumLatitude, latitude, MapView::kMaximumLatitude);
}

double worldSizeAt(double zoom) {
    return kTile * std::exp2(zoom);
}

// The spherical Mercator of the tile scheme, in points of a world `size` wide.
QPointF project(const Coordinate& c, double size) {
    const double latitude = clampLatitude(c.latitude) * M_PI / 180.0;
    return {(c.longitude + 180.0) / 360.0 * size, (1.0 - std::asinh(std::tan(latitude)) / M_PI) / 2.0 * size};
}

Coordinate unproject(QPointF p, double size) {
    double x = std::fmod(p.x(), size);
    if (x < 0)
        x += size;
    const double y = qBound(0.0, p.y(), size);
    return {std::atan(std::sinh(M_PI * (1.0 - 2.0 * y / size))) * 180.0 / M_PI, x / size * 360.0 - 180.0};
}

// A round step of 1, 2 or 5 times a power of ten near `raw`.
double niceStep(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double scaled = raw / power;
    return (scaled < 1.5 ? 1 : scaled < 3.5 ? 2 : scaled < 7.5 ? 5 : 10) * power;
}

int floorDiv(double value, double step) {
    return int(std::floor(value / step));
}

QIcon locateIcon() {
    QPixmap pixmap(2 * kButtonSize, 2 * kButtonSize);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF middle(kButtonSize / 2.0, kButtonSize / 2.0);
    // A control, in the controls' accent (the user's own dot on the map keeps the map's blue).
    painter.setPen(QPen(defaultTintColor(), 2));
    painter.drawEllipse(middle, 8, 8);
    for (const QPointF& tick : {QPointF(0, -1), QPointF(0, 1), QPointF(-1, 0), QPointF(1, 0)})
        painter.drawLine(middle + tick * 8, middle + tick * 12);
    painter.setBrush(defaultTintColor());
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

double MapView::worldSize() const {
    return worldSizeAt(m_zoom);
}

QPointF MapView::worldPoint(const Coordinate& coordinate) const {
    return project(coordinate, worldSize());
}

Coordinate MapView::coordinateForWorldPoint(const QPointF& point) const {
    return unproject(point, worldSize());
}

void MapView::setRegion(const Coordinate& center, double latitudeSpan, double longitudeSpan) {
    m_pendingLatSpan = latitudeSpan > 0 ? latitudeSpan : this->latitudeSpan();
    m_pendingLonSpan = longitudeSpan > 0 ? longitudeSpan : this->longitudeSpan();
    m_center = {clampLatitude(center.latitude), wrapLongitude(center.longitude)};
    m_regionPending = true;
    fitRegion();
}

// The region stays what was asked for while the view changes size (a screen sets it before its
// layout has sized the map), until the map is moved or zoomed another way.
void MapView::fitRegion() {
    if (!m_regionPending || width() <= 0 || height() <= 0) {
        update();
        return;
    }
    // The largest zoom at which both spans fit in the view.
    const double byLongitude = std::log2(360.0 * width() / (m_pendingLonSpan * kTile));
    // The centre is not midway between the region's edges in the projection: the farther edge decides.
    const double middle = project(m_center, kTile).y();
    const double north = project({m_center.latitude + m_pendingLatSpan / 2, 0}, kTile).y();
    const double south = project({m_center.latitude - m_pendingLatSpan / 2, 0}, kTile).y();
    const double half = std::max(middle - north, south - middle);
    const double byLatitude = half > 0 ? std::log2(height() / (2 * half)) : kMaximumZoom;
    applyView(m_center, std::min(byLongitude, byLatitude));
}

void MapView::setCenter(const Coordinate& center) {
    m_regionPending = false;
    applyView(center, m_zoom);
}

void MapView::setZoomLevel(double zoom) {
    m_regionPending = false;
    applyView(m_center, zoom);
}

void MapView::applyView(const Coordinate& center, double zoom) {
    m_zoom = qBound(kMinimumZoom, zoom, kMaximumZoom);
    m_center = {clampLatitude(center.latitude), wrapLongitude(center.longitude)};
    m_tilesComplete = false;
    update();
    emit regionChanged(m_center, latitudeSpan(), longitudeSpan());
}

double MapView::latitudeSpan() const {
    const double half = height() > 0 ? height() / 2.0 : kTile / 2;
    const QPointF middle = worldPoint(m_center);
    return coordinateForWorldPoint(middle - QPointF(0, half)).latitude -
           coordinateForWorldPoint(middle + QPointF(0, half)).latitude;
}

double MapView::longitudeSpan() const {
    return std::min(360.0, (width() > 0 ? width() : kTile) / worldSize() * 360.0);
}

void MapView::zoomBy(double factor, const QPointF& anchor) {
    if (factor <= 0)
        return;
    m_regionPending = false;
    const Coordinate fixed = coordinateForPoint(anchor);
    const double zoom = qBound(kMinimumZoom, m_zoom + std::log2(factor), kMaximumZoom);
    // The new centre puts `fixed` back under the anchor.
    const double size = worldSizeAt(zoom);
    const QPointF offset = anchor - QPointF(width() / 2.0, height() / 2.0);
    applyView(unproject(project(fixed, size) - offset, size), zoom);
}

void MapView::setTileURLTemplate(const QString& urlTemplate) {
    if (urlTemplate == m_tileTemplate)
        return;
    m_tileTemplate = urlTemplate;
    if (m_tiles)
        disconnect(m_tiles, nullptr, this, nullptr);
    m_tiles = MapTileLoader::forTemplate(urlTemplate);
    if (m_tiles) {
        connect(m_tiles, &MapTileLoader::tileLoaded, this, &MapView::tileArrived);
        connect(m_tiles, &MapTileLoader::tileFailed, this, [this] { update(); });
    }
    m_tilesComplete = false;
    update();
}

void MapView::tileArrived() {
    update();
    if (!m_tilesComplete && areVisibleTilesLoaded()) {
        m_tilesComplete = true;
        emit tilesLoaded();
    }
}

MapView::TileRange MapView::visibleTiles() const {
    TileRange range;
    range.zoom = qBound(0, int(std::lround(m_zoom)), MapTileLoader::kMaximumZoom);
    range.scale = std::exp2(m_zoom - range.zoom);
    const QPointF middle = project(m_center, worldSizeAt(range.zoom)) * range.scale;
    range.origin = QPointF(width() / 2.0, height() / 2.0) - middle;
    const double side = kTile * range.scale;
    range.firstX = floorDiv(-range.origin.x(), side);
    range.lastX = floorDiv(width() - range.origin.x(), side);
    range.firstY = std::max(0, floorDiv(-range.origin.y(), side));
    range.lastY = std::min((1 << range.zoom) - 1, floorDiv(height() - range.origin.y(), side));
    return range;
}

bool MapView::areVisibleTilesLoaded() const {
    if (!m_tiles)
        return true;
    const TileRange range = visibleTiles();
    const int count = 1 << range.zoom;
    for (int ty = range.firstY; ty <= range.lastY; ++ty)
        for (int tx = range.firstX; tx <= range.lastX; ++tx)
            if (!m_tiles->hasTile(range.zoom, ((tx % count) + count) % count, ty))
                return false;
    return true;
}

bool MapView::paintTiles(QPainter& painter) {
    const TileRange range = visibleTiles();
    const int count = 1 << range.zoom;
    const double side = kTile * range.scale;
    bool complete = true;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, range.scale != 1.0);
    for (int ty = range.firstY; ty <= range.lastY; ++ty) {
        for (int tx = range.firstX; tx <= range.lastX; ++tx) {
            const QImage tile = m_tiles->tile(range.zoom, ((tx % count) + count) % count, ty);
            if (tile.isNull()) {
                complete = false;
                continue;
            }
            // Whole pixels, so neighbouring tiles meet without a blended seam.
            const QPoint from(int(std::lround(range.origin.x() + tx * side)),
                              int(std::lround(range.origin.y() + ty * side)));
            const QPoint to(int(std::lround(range.origin.x() + (tx + 1) * side)),
                            int(std::lround(range.origin.y() + (ty + 1) * side)));
            painter.drawImage(QRect(from, to - QPoint(1, 1)), tile);
        }
    }
    return complete;
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
    const double size = worldSize();
    QPointF offset = worldPoint(c) - worldPoint(m_center);
    // The shorter way round the world.
    if (offset.x() >= size / 2)
        offset.rx() -= size;
    else if (offset.x() < -size / 2)
        offset.rx() += size;
    return offset + QPointF(width() / 2.0, height() / 2.0);
}

Coordinate MapView::coordinateForPoint(const QPointF& p) const {
    if (width() <= 0 || height() <= 0)
        return m_center;
    return coordinateForWorldPoint(worldPoint(m_center) + p - QPointF(width() / 2.0, height() / 2.0));
}

void MapView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeLocateButton();
    fitRegion();
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
    m_pressCenter = worldPoint(m_center);
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed || !m_scrollEnabled || width() <= 0 || height() <= 0)
        return;
    const QPointF moved = event->position() - m_pressAt;
    if (!m_panning && moved.manhattanLength() < QApplication::startDragDistance())
        return;
    m_panning = true;
    // The ground follows the finger.
    setCenter(coordinateForWorldPoint(m_pressCenter - moved));
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
    const double lonSpan = longitudeSpan();
    const double lonStep = niceStep(lonSpan * kGridPixels / width());
    const double west = m_center.longitude - lonSpan / 2;
    for (double lon = std::ceil(west / lonStep) * lonStep; lon <= west + lonSpan; lon += lonStep) {
        const double x = pointForCoordinate({m_center.latitude, lon}).x();
        painter.drawLine(QPointF(x, 0), QPointF(x, height()));
    }
    const double south = coordinateForPoint(QPointF(0, height())).latitude;
    const double north = coordinateForPoint(QPointF(0, 0)).latitude;
    const double latStep = niceStep(std::max(north - south, 1e-9) * kGridPixels / height());
    for (double lat = std::ceil(south / latStep) * latStep; lat <= north; lat += latStep) {
        const double y = pointForCoordinate({lat, m_center.longitude}).y();
        painter.drawLine(QPointF(0, y), QPointF(width(), y));
    }
}

void MapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(236, 232, 222));
    // The grid shows through where a tile is still on its way.
    paintGrid(painter);
    // Tiles all in memory already arrive with no tileLoaded: this paint is when they are all shown.
    if (m_tiles && paintTiles(painter) && !m_tilesComplete) {
        m_tilesComplete = true;
        QMetaObject::invokeMethod(this, &MapView::tilesLoaded, Qt::QueuedConnection);
    }
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
