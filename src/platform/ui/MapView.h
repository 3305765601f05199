#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <functional>

namespace pelnix::platform::ui {

// A coordinate in degrees.
struct Coordinate {
    double latitude = 0;
    double longitude = 0;
    bool operator==(const Coordinate&) const = default;
};

// A map as the location screens use it: a region, pins, the user's dot, and taps answered with the
// coordinate under the finger. Without map tiles offline it paints a plain grid; the projection is
// equirectangular over the region, which is what a tap needs.
class MapView : public QWidget {
    Q_OBJECT
public:
    struct Pin {
        Coordinate coordinate;
        QString title;
    };

    explicit MapView(QWidget* parent = nullptr);

    void setRegion(const Coordinate& center, double latitudeSpan, double longitudeSpan);
    Coordinate center() const { return m_center; }
    void addPin(const Pin& pin);
    void removeAllPins();
    QList<Pin> pins() const { return m_pins; }
    void setUserLocation(const Coordinate& location, bool shown = true);

    QPointF pointForCoordinate(const Coordinate& coordinate) const;
    Coordinate coordinateForPoint(const QPointF& point) const;

signals:
    void tappedCoordinate(const pelnix::platform::ui::Coordinate& coordinate);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Coordinate m_center;
    double m_latSpan = 0.05;
    double m_lonSpan = 0.05;
    QList<Pin> m_pins;
    Coordinate m_user;
    bool m_userShown = false;
};

} // namespace pelnix::platform::ui
