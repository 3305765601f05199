#pragma once

#include "MapTileLoader.h"

#include <QList>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QWidget>

class QToolButton;

namespace pelnix::platform::ui {

// A coordinate in degrees.
struct Coordinate {
    double latitude = 0;
    double longitude = 0;
    bool operator==(const Coordinate&) const = default;
};

// A map as the location screens use it: a region, pins, the user's dot, taps answered with the
// coordinate under the finger, panning by drag, zoom by wheel or double click, and a "show my
// location" control. The projection is the spherical Mercator of the common tile servers, at one
// scale on both axes: a region is shown whole, so on one axis more than it asked for may show.
// With a tile server set it draws that server's tiles (fetched off the main thread, kept on disk);
// without one, or while a tile is on its way, a plain grid that moves with the map.
class MapView : public QWidget {
    Q_OBJECT
public:
    struct Pin {
        Coordinate coordinate;
        QString title;
    };
    static constexpr double kMinimumZoom = 0;
    static constexpr double kMaximumZoom = 20;
    // The farthest north and south the projection reaches.
    static constexpr double kMaximumLatitude = 85.0511287798;

    explicit MapView(QWidget* parent = nullptr);

    // Shows at least the given spans around `center` (a span of 0 or less keeps the current one on
    // that axis). The region is kept through changes of the view's size (a layout that sizes the map
    // later), until the map is moved or zoomed another way.
    void setRegion(const Coordinate& center, double latitudeSpan, double longitudeSpan);
    Coordinate center() const { return m_center; }
    // The spans shown now.
    double latitudeSpan() const;
    double longitudeSpan() const;
    void setCenter(const Coordinate& center);
    // The zoom level of the tile scheme: the world is 256 x 2^zoom points wide.
    double zoomLevel() const { return m_zoom; }
    void setZoomLevel(double zoom);
    // Zooms in by `factor` (below 1 zooms out), keeping the coordinate at `anchor` where it is.
    void zoomBy(double factor, const QPointF& anchor);

    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; }
    void setZoomEnabled(bool enabled) { m_zoomEnabled = enabled; }

    // The tile server as a URL template with "{z}", "{x}" and "{y}"; empty or unusable: no tiles.
    void setTileURLTemplate(const QString& urlTemplate);
    QString tileURLTemplate() const { return m_tileTemplate; }
    MapTileLoader* tileLoader() const { return m_tiles; }
    // Whether every tile the view shows now is drawn (true without a tile server).
    bool areVisibleTilesLoaded() const;

    void addPin(const Pin& pin);
    void removeAllPins();
    QList<Pin> pins() const { return m_pins; }
    void setUserLocation(const Coordinate& location, bool shown = true);
    bool isUserLocationShown() const { return m_userShown; }
    Coordinate userLocation() const { return m_user; }
    // The control in the corner that brings the user's location into the middle.
    QToolButton* showMyLocationButton() const { return m_locate; }
    void setShowsMyLocationButton(bool shown);

    QPointF pointForCoordinate(const Coordinate& coordinate) const;
    Coordinate coordinateForPoint(const QPointF& point) const;

signals:
    void tappedCoordinate(const pelnix::platform::ui::Coordinate& coordinate);
    void regionChanged(const pelnix::platform::ui::Coordinate& center, double latitudeSpan,
                       double longitudeSpan);
    // The control was pressed; the map has moved to the user's location when it was known.
    void showMyLocationRequested();
    // Every tile of the region shown is drawn.
    void tilesLoaded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    struct TileRange {
        int zoom = 0;
        double scale = 1; // screen points per tile pixel
        QPointF origin;   // where the world's corner falls in the view
        int firstX = 0, lastX = -1, firstY = 0, lastY = -1;
    };
    void applyView(const Coordinate& center, double zoom);
    void fitRegion();
    void placeLocateButton();
    void paintGrid(QPainter& painter);
    // Draws what tiles there are; false when one is missing.
    bool paintTiles(QPainter& painter);
    TileRange visibleTiles() const;
    double worldSize() const;
    QPointF worldPoint(const Coordinate& coordinate) const;
    Coordinate coordinateForWorldPoint(const QPointF& point) const;
    void tileArrived();

    Coordinate m_center;
    double m_zoom = 12;
    // The region asked for, shown anew when the view's size changes, until the map moves otherwise.
    bool m_regionPending = false;
    double m_pendingLatSpan = 0;
    double m_pendingLonSpan = 0;
    QList<Pin> m_pins;
    Coordinate m_user;
    bool m_userShown = false;
    bool m_scrollEnabled = true;
    bool m_zoomEnabled = true;
    QString m_tileTemplate;
    QPointer<MapTileLoader> m_tiles;
    bool m_tilesComplete = false;
    QToolButton* m_locate;
    // The drag under way: where it started, and whether it moved far enough to be a pan.
    QPointF m_pressAt;
    QPointF m_pressCenter;
    bool m_pressed = false;
    bool m_panning = false;
};

} // namespace pelnix::platform::ui
