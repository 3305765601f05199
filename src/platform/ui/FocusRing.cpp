#include "FocusRing.h"

#include <QPainter>
#include <QWidget>

#include <cmath>

namespace pelnix::platform::ui::FocusRing {

namespace {
constexpr qreal kWidth = 2;

qreal linear(qreal channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

qreal luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}
} // namespace

bool shows(const QWidget* control) {
    return control->hasFocus() && control->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

qreal contrast(const QColor& a, const QColor& b) {
    const qreal la = luminance(a);
    const qreal lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor colourOn(const QColor& fill, const QColor& highlight, const QColor& preferred) {
    for (const QColor& candidate : {highlight, preferred})
        if (candidate.isValid() && candidate.alpha() == 255 && contrast(candidate, fill) >= kLeastContrast)
            return candidate;
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return contrast(black, fill) >= contrast(white, fill) ? black : white;
}

QColor laidOn(const QColor& top, const QColor& below) {
    const float a = top.alphaF();
    return QColor::fromRgbF(top.redF() * a + below.redF() * (1 - a),
                            top.greenF() * a + below.greenF() * (1 - a),
                            top.blueF() * a + below.blueF() * (1 - a));
}

QColor backdrop(const QWidget* control) {
    for (const QWidget* w = control->parentWidget(); w; w = w->parentWidget()) {
        if (w->autoFillBackground() || w->testAttribute(Qt::WA_OpaquePaintEvent))
            return w->palette().color(w->backgroundRole());
        if (w->isWindow())
            break;
    }
    return control->window()->palette().color(QPalette::Window);
}

void draw(QPainter& painter, const QRectF& bounds, qreal radius, const QColor& colour) {
    painter.setPen(QPen(colour, kWidth));
    painter.setBrush(Qt::NoBrush);
    const qreal inset = kWidth / 2;
    painter.drawRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), radius, radius);
}

} // namespace pelnix::platform::ui::FocusRing
