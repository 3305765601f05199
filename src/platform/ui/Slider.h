#pragma once

#include "TintColor.h"

#include <QColor>
#include <QWidget>

namespace pelnix::platform::ui {

// A horizontal slider over a float range. Dragging or tapping the track emits valueChanged() (on
// every move when continuous, else once on release); setValue() from code never does.
class Slider : public QWidget {
    Q_OBJECT
public:
    explicit Slider(QWidget* parent = nullptr);

    float minimumValue() const { return m_min; }
    float maximumValue() const { return m_max; }
    // A maximum below the minimum is raised to it; the value is kept inside the range.
    void setRange(float minimum, float maximum);
    float value() const { return m_value; }
    void setValue(float value);
    bool isContinuous() const { return m_continuous; }
    void setContinuous(bool continuous) { m_continuous = continuous; }
    void setMinimumTrackTintColor(const QColor& color);

    // The value a horizontal position on the track stands for.
    float valueAtX(qreal x) const;
    QRectF thumbRect() const;

    QSize sizeHint() const override { return {200, 31}; }

signals:
    void valueChanged(float value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    qreal trackLeft() const;
    qreal trackWidth() const;
    void userSet(float value, bool final);

    float m_min = 0;
    float m_max = 1;
    float m_value = 0;
    float m_pressValue = 0;
    bool m_continuous = true;
    bool m_dragging = false;
    QColor m_minTrack = defaultTintColor();
};

} // namespace pelnix::platform::ui
