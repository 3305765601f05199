#include "ui/account/PLPinSelectionView.h"

#include "platform/ui/Animator.h"
#include "ui/account/PadAnimations.h"

#include <QPainter>

namespace pelnix {

using platform::ui::Animator;

PLPinSelectionView::PLPinSelectionView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PLPinSelectionView::setSelectedColor(const QColor& color) {
    m_selectedColor = color;
    update();
}

void PLPinSelectionView::setSelected(bool selected, bool animated, std::function<void(bool)> completion) {
    PadAnimations::stopRunning(this);
    const qreal from = m_fill;
    const qreal to = selected ? 1 : 0;
    Animator::run(
        this, animated ? 150 : 0, Animator::Curve::EaseIn,
        [this, from, to](qreal p) {
            m_fill = from + (to - from) * p;
            update();
        },
        std::move(completion));
}

void PLPinSelectionView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
    if (m_fill > 0) {
        QColor fill = m_selectedColor;
        fill.setAlphaF(fill.alphaF() * m_fill);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(QRectF(rect()));
    }
    painter.setPen(QPen(m_selectedColor, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(circle);
}

} // namespace pelnix
