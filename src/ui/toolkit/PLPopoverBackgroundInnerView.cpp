#include "PLPopoverBackgroundInnerView.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace pelnix {

PLPopoverBackgroundInnerView::PLPopoverBackgroundInnerView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void PLPopoverBackgroundInnerView::setStyle(const Style& style) {
    m_style = style;
    update();
}

void PLPopoverBackgroundInnerView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal barHeight = m_style.wantsDefaultContentAppearance ? 0 : m_style.navigationBarHeight;
    const qreal radius = m_style.wantsDefaultContentAppearance ? 0 : m_style.innerCornerRadius;
    const QRectF area = QRectF(rect()).adjusted(0, barHeight, 0, 0);
    QPainterPath plain;
    plain.addRect(area);
    QPainterPath rounded;
    rounded.addRoundedRect(area, radius + 1, radius + 1);
    const bool bordered = !m_style.wantsDefaultContentAppearance && m_style.borderWidth > 0;
    if (bordered) {
        // The corner slivers get the bubble's gradient, lined up with the bubble's own.
        QLinearGradient gradient(0, -m_style.gradientTopPosition, 0,
                                 m_style.gradientHeight - m_style.gradientTopPosition);
        gradient.setColorAt(0, m_style.gradientTopColor);
        gradient.setColorAt(1, m_style.gradientBottomColor);
        p.fillPath(plain.subtracted(rounded), gradient);
    }
    QPainterPath outline;
    if (m_style.borderWidth > 0) {
        outline.addRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    } else {
        // Only the bottom corners are rounded: the top meets the bubble's edge.
        const QRectF r = area.adjusted(0, 0.5, 0, -0.5);
        outline.moveTo(r.topLeft());
        outline.lineTo(r.topRight());
        outline.lineTo(r.right(), r.bottom() - radius);
        outline.arcTo(QRectF(r.right() - 2 * radius, r.bottom() - 2 * radius, 2 * radius, 2 * radius), 0,
                      -90);
        outline.lineTo(r.left() + radius, r.bottom());
        outline.arcTo(QRectF(r.left(), r.bottom() - 2 * radius, 2 * radius, 2 * radius), 270, -90);
        outline.closeSubpath();
    }
    if (bordered && m_style.innerShadowColor.alpha() > 0) {
        // The shadow of the outline, cast inward by its offset (blur left out).
        p.save();
        p.setClipPath(rounded);
        p.setPen(QPen(m_style.innerShadowColor, 1));
        p.drawPath(outline.translated(m_style.innerShadowOffset.width(), m_style.innerShadowOffset.height()));
        p.restore();
    }
    p.setPen(QPen(m_style.innerStrokeColor, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline);
}

} // namespace pelnix
