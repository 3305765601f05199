#pragma once

#include <QList>
#include <QPointF>
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
// location" control. Without map tiles offline it paints a plain grid that moves with the map;
// the projection is equirectangular over the region, which is what a tap needs.
class MapView : public QWidget {
    Q_OBJECT
public:
    struct Pin {
        Coordinate coordinate;
        QString title;
    };
    static constexpr double kMinimumSpan = 0.0005;
    static constexpr double kMaximumLatitudeSpan = 180;
    static constexpr double kMaximumLongitudeSpan = 360;

    explicit MapView(QWidget* parent = nullptr);

    void setRegion(const Coordinate& center, double latitudeSpan, double longitudeSpan);
    Coordinate center() const { return m_center; }
    double latitudeSpan() const { return m_latSpan; }
    double longitudeSpan() const { return m_lonSpan; }
    void setCenter(const Coordinate& center);
    // Zooms in by `factor` (below 1 zooms out), keeping the coordinate at `anchor` where it is.
    void zoomBy(double factor, const QPointF& anchor);

    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; }
    void setZoomEnabled(bool enabled) { m_zoomEnabled = enabled; }

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void applyRegion(const Coordinate& center, double latitudeSpan, double longitudeSpan);
    void placeLocateButton();
    void paintGrid(QPainter& painter);

    Coordinate m_center;
    double m_latSpan = 0.05;
    double m_lonSpan = 0.05;
    QList<Pin> m_pins;
    Coordinate m_user;
    bool m_userShown = false;
    bool m_scrollEnabled = true;
    bool m_zoomEnabled = true;
    QToolButton* m_locate;
    // The drag under way: where it started, and whether it moved far enough to be a pan.
    QPointF m_pressAt;
    Coordinate m_pressCenter;
    bool m_pressed = false;
    bool m_panning = false;
};

} // namespace pelnix::platform::ui
