#include "Slider.h"

#include <QMouseEvent>
#include <QPainter>

namespace pelnix::platform::ui {

namespace {
constexpr qreal kThumb = 28;
}

Slider::Slider(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Slider::setRange(float minimum, float maximum) {
    m_min = minimum;
    m_max = qMax(minimum, maximum);
    m_value = qBound(m_min, m_value, m_max);
    update();
}

void Slider::setValue(float value) {
    m_value = qBound(m_min, value, m_max);
    update();
}

void Slider::setMinimumTrackTintColor(const QColor& color) {
    m_minTrack = color;
    update();
}

qreal Slider::trackLeft() const {
    return kThumb / 2;
}

qreal Slider::trackWidth() const {
    return qMax<qreal>(1, width() - kThumb);
}

float Slider::valueAtX(qreal x) const {
    qreal t = qBound<qreal>(0, (x - trackLeft()) / trackWidth(), 1);
    if (layoutDirection() == Qt::RightToLeft)
        t = 1 - t;
    return float(m_min + (m_max - m_min) * t);
}

QRectF Slider::thumbRect() const {
    qreal t = m_max > m_min ? (m_value - m_min) / (m_max - m_min) : 0;
    if (layoutDirection() == Qt::RightToLeft)
        t = 1 - t;
    const qreal cx = trackLeft() + trackWidth() * t;
    return {cx - kThumb / 2, (height() - kThumb) / 2, kThumb, kThumb};
}

void Slider::userSet(float value, bool final) {
    value = qBound(m_min, value, m_max);
    const bool changed = value != m_value;
    m_value = value;
    update();
    if (m_continuous ? changed : (final && m_value != m_pressValue))
        emit valueChanged(m_value);
}

void Slider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    m_dragging = true;
    m_pressValue = m_value;
    userSet(valueAtX(event->position().x()), false);
}

void Slider::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging)
        userSet(valueAtX(event->position().x()), false);
}

void Slider::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging)
        return;
    m_dragging = false;
    userSet(valueAtX(event->position().x()), true);
}

void Slider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF thumb = thumbRect();
    const qreal y = height() / 2.0 - 1;
    const QRectF track(trackLeft(), y, trackWidth(), 2);
    p.fillRect(track, QColor(182, 182, 182));
    QRectF filled = track;
    if (layoutDirection() == Qt::RightToLeft)
        filled.setLeft(thumb.center().x());
    else
        filled.setRight(thumb.center().x());
    p.fillRect(filled, isEnabled() ? m_minTrack : QColor(199, 199, 204));
    p.setPen(QPen(QColor(0, 0, 0, 50), 0.5));
    p.setBrush(Qt::white);
    p.drawEllipse(thumb.adjusted(1, 1, -1, -1));
}

} // namespace pelnix::platform::ui
