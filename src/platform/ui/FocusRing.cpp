#include "FocusRing.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QPointer>
#include <QThread>
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

// On a control: whether the keyboard brought it the keys it has, or had last.
constexpr char kByKeyboard[] = "pelnixKeysByKeyboard";
// On a part of a control: the control whose ring a click on it hides.
constexpr char kRingOf[] = "pelnixFocusRingOf";
// On a widget that paints its own background: its colour.
constexpr char kBackdrop[] = "pelnixFocusRingBackdrop";

void setByKeyboard(QWidget* control, bool byKeyboard) {
    if (control->property(kByKeyboard).toBool() == byKeyboard)
        return;
    control->setProperty(kByKeyboard, byKeyboard);
    control->update();
}

// Watches the controls that draw the ring, and their parts, for how the keys reach them. One for all of
// them: a control watched carries its state in a property.
class KeysOrigin : public QObject {
public:
    using QObject::QObject;

    static KeysOrigin* shared() {
        static QPointer<KeysOrigin> origin;
        Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
        if (!origin)
            origin = new KeysOrigin(QCoreApplication::instance());
        return origin;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        switch (event->type()) {
        case QEvent::FocusIn:
            switch (static_cast<QFocusEvent*>(event)->reason()) {
            case Qt::TabFocusReason:
            case Qt::BacktabFocusReason:
            case Qt::ShortcutFocusReason:
                setByKeyboard(widget, true);
                break;
            case Qt::MouseFocusReason:
                setByKeyboard(widget, false);
                break;
            default:
                // Given back by code, or the window active again: as the keys left it.
                break;
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::TouchBegin: {
            const auto owner = widget->property(kRingOf).value<QPointer<QWidget>>();
            setByKeyboard(owner ? owner.data() : widget, false);
            break;
        }
        default:
            break;
        }
        return false;
    }
};
} // namespace

bool shows(const QWidget* control) {
    return control->hasFocus() && control->property(kByKeyboard).toBool();
}

void follow(QWidget* control, std::initializer_list<QWidget*> parts) {
    if (!control)
        return;
    KeysOrigin* origin = KeysOrigin::shared();
    control->installEventFilter(origin);
    for (QWidget* part : parts) {
        if (!part)
            continue;
        part->setProperty(kRingOf, QVariant::fromValue(QPointer<QWidget>(control)));
        part->installEventFilter(origin);
    }
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

namespace {
// The ancestor of `control` whose colour shows behind it, or null for its window's.
const QWidget* backdropOwner(const QWidget* control) {
    for (const QWidget* w = control->parentWidget(); w; w = w->parentWidget()) {
        if (w->property(kBackdrop).isValid() || w->autoFillBackground() ||
            w->testAttribute(Qt::WA_OpaquePaintEvent))
            return w;
        if (w->isWindow())
            break;
    }
    return nullptr;
}
} // namespace

QColor backdrop(const QWidget* control) {
    const QWidget* owner = backdropOwner(control);
    if (!owner)
        return control->window()->palette().color(QPalette::Window);
    if (const QVariant named = owner->property(kBackdrop); named.isValid()) {
        const QColor colour = named.value<QColor>();
        return colour.alpha() == 255 ? colour : laidOn(colour, backdrop(owner));
    }
    return owner->palette().color(owner->backgroundRole());
}

QColor beyondBackdrop(const QWidget* control) {
    const QWidget* owner = backdropOwner(control);
    return owner && !owner->isWindow() ? backdrop(owner) : backdrop(control);
}

void setBackdrop(QWidget* widget, const QColor& colour) {
    widget->setProperty(kBackdrop, colour.isValid() ? QVariant(colour) : QVariant());
}

void draw(QPainter& painter, const QRectF& bounds, qreal radius, const QColor& colour) {
    painter.setPen(QPen(colour, kWidth));
    painter.setBrush(Qt::NoBrush);
    const qreal inset = kWidth / 2;
    painter.drawRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), radius, radius);
}

void drawInside(QPainter& painter, const QRectF& bounds, qreal radius, const QColor& colour) {
    draw(painter, bounds.adjusted(kWidth, kWidth, -kWidth, -kWidth), qMax<qreal>(0, radius - kWidth), colour);
}

} // namespace pelnix::platform::ui::FocusRing
