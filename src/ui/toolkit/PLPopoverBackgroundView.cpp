#include "PLPopoverBackgroundView.h"

#include "PLPopoverBackgroundInnerView.h"
#include "PLPopoverPlacement.h"
#include "PLPopoverTheme.h"
#include "platform/ui/BlurredBackdrop.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace pelnix {

using platform::ui::NavigationController;
using platform::ui::ViewController;

namespace {
Q_GLOBAL_STATIC(PLPopoverTheme, g_appearance)

QColor paintColor(const std::optional<Color>& color) {
    return color ? color->toQColor() : QColor(Qt::transparent);
}

// A rounded corner at `corner` between straight edges, as an arc-to-point draws it: from the current
// point towards the corner, round it with `radius`, on towards `next`. Corners here are right angles.
void cornerTo(QPainterPath& path, const QPointF& corner, const QPointF& next, qreal radius) {
    const QPointF from = path.currentPosition();
    auto unit = [](QPointF v) {
        const qreal length = std::hypot(v.x(), v.y());
        return length > 0 ? v / length : QPointF();
    };
    const QPointF in = unit(from - corner);
    const QPointF out = unit(next - corner);
    if (radius <= 0 || in.isNull() || out.isNull()) {
        path.lineTo(corner);
        return;
    }
    const QPointF a = corner + in * radius;
    const QPointF b = corner + out * radius;
    constexpr qreal kappa = 0.5522847498; // a quarter circle as one cubic
    path.lineTo(a);
    path.cubicTo(a + (corner - a) * kappa, b + (corner - b) * kappa, b);
}
} // namespace

PLPopoverBackgroundView::PLPopoverBackgroundView(const QSizeF& contentSize, QWidget* parent)
    : QWidget(parent), m_contentSize(contentSize) {
    setObjectName(QStringLiteral("popoverBackground"));
    setAttribute(Qt::WA_NoSystemBackground);
    resize(contentSize.toSize());
    applyTheme(*appearance());
}

PLPopoverTheme* PLPopoverBackgroundView::appearance() {
    return g_appearance();
}

void PLPopoverBackgroundView::applyTheme(const PLPopoverTheme& t) {
    m_style.tintColor = paintColor(t.tintColor());
    m_style.outerStrokeColor = paintColor(t.outerStrokeColor());
    m_style.innerStrokeColor = paintColor(t.innerStrokeColor());
    m_style.fillTopColor = paintColor(t.fillTopColor());
    m_style.fillBottomColor = paintColor(t.fillBottomColor());
    m_style.glossShadowColor = paintColor(t.glossShadowColor());
    m_style.glossShadowOffset = t.glossShadowOffset();
    m_style.glossShadowBlurRadius = t.glossShadowBlurRadius();
    m_style.borderWidth = t.borderWidth();
    m_style.arrowBase = t.arrowBase();
    m_style.arrowHeight = t.arrowHeight();
    m_style.outerShadowColor = paintColor(t.outerShadowColor());
    m_style.outerShadowBlurRadius = t.outerShadowBlurRadius();
    m_style.outerShadowOffset = t.outerShadowOffset();
    m_style.outerCornerRadius = t.outerCornerRadius();
    m_style.minOuterCornerRadius = t.minOuterCornerRadius();
    m_style.innerShadowColor = paintColor(t.innerShadowColor());
    m_style.innerShadowBlurRadius = t.innerShadowBlurRadius();
    m_style.innerShadowOffset = t.innerShadowOffset();
    m_style.innerCornerRadius = t.innerCornerRadius();
    m_style.viewContentInsets = t.viewContentInsets();
    m_style.overlayColor = paintColor(t.overlayColor());
    setNeedsDisplay();
}

void PLPopoverBackgroundView::setStyle(const Style& style) {
    m_style = style;
    setNeedsDisplay();
}

void PLPopoverBackgroundView::setArrowDirection(unsigned direction) {
    m_arrowDirection = direction;
    update();
}

QMarginsF PLPopoverBackgroundView::outerShadowInsets() const {
    const qreal s = m_style.outerShadowBlurRadius;
    return {s - m_style.outerShadowOffset.width(), s - m_style.outerShadowOffset.height(),
            s + m_style.outerShadowOffset.width(), s + m_style.outerShadowOffset.height()};
}

QRectF PLPopoverBackgroundView::outerRect(const QRectF& rect, unsigned direction) const {
    QRectF r = rect;
    const qreal a = m_style.arrowHeight;
    if (direction == PLPopoverArrowDirectionUp || direction == PLPopoverArrowDirectionDown) {
        r.setHeight(r.height() - a);
        if (direction == PLPopoverArrowDirectionUp)
            r.translate(0, a);
    } else if (direction == PLPopoverArrowDirectionLeft || direction == PLPopoverArrowDirectionRight) {
        r.setWidth(r.width() - a);
        if (direction == PLPopoverArrowDirectionLeft)
            r.translate(a, 0);
    }
    const qreal s = m_style.outerShadowBlurRadius;
    r.adjust(s, s, -s, -s);
    return r.translated(-m_style.outerShadowOffset.width(), -m_style.outerShadowOffset.height());
}

QRectF PLPopoverBackgroundView::innerRect(const QRectF& rect, unsigned direction) const {
    const QRectF o = outerRect(rect, direction);
    const qreal b = m_style.borderWidth;
    const QMarginsF i = m_style.viewContentInsets;
    QRectF r(o.x() + b + i.left(), o.y() + i.top(), o.width() - 2 * b - i.left() - i.right(),
             o.height() - b - i.top() - i.bottom());
    if (m_navigationBarHeight == 0 || m_wantsDefaultContentAppearance) {
        r.setTop(r.top() + b); // a border on top too; otherwise the bar runs to the outer edge
    }
    if (b > 0)
        r.adjust(-1, -1, 1, 1);
    return r;
}

QRectF PLPopoverBackgroundView::arrowRect(const QRectF& rect, unsigned direction) const {
    const qreal a = m_style.arrowHeight;
    const qreal base = m_style.arrowBase;
    if (a == 0)
        return {};
    const QRectF o = outerRect(rect, direction);
    const qreal off = m_arrowOffset;
    switch (direction) {
    case PLPopoverArrowDirectionUp:
        return {o.center().x() + off - base / 2, o.top() - a, base, a};
    case PLPopoverArrowDirectionDown:
        return {o.center().x() + off - base / 2, o.bottom(), base, a};
    case PLPopoverArrowDirectionLeft:
        return {o.left() - a, o.center().y() + off - base / 2, a, base};
    case PLPopoverArrowDirectionRight:
        return {o.right(), o.center().y() + off - base / 2, a, base};
    default:
        // No arrow without a direction: a touch in the corner of the bounds is outside, as it looks.
        return {};
    }
}

QSizeF PLPopoverBackgroundView::sizeThatFits(const QSizeF& content) const {
    const qreal b = m_style.borderWidth;
    const qreal s = m_style.outerShadowBlurRadius;
    QSizeF size(content.width() + 2 * (b + s), content.height() + 2 * s + b);
    if (m_navigationBarHeight == 0)
        size.rheight() += b;
    if (m_arrowDirection == PLPopoverArrowDirectionUp || m_arrowDirection == PLPopoverArrowDirectionDown)
        size.rheight() += m_style.arrowHeight;
    else if (m_arrowDirection == PLPopoverArrowDirectionLeft ||
             m_arrowDirection == PLPopoverArrowDirectionRight)
        size.rwidth() += m_style.arrowHeight;
    return size;
}

void PLPopoverBackgroundView::sizeToFit() {
    resize(sizeThatFits(m_contentSize).toSize());
}

void PLPopoverBackgroundView::setArrowOffset(qreal v) {
    const bool vertical =
        m_arrowDirection == PLPopoverArrowDirectionUp || m_arrowDirection == PLPopoverArrowDirectionDown;
    const bool horizontal =
        m_arrowDirection == PLPopoverArrowDirectionLeft || m_arrowDirection == PLPopoverArrowDirectionRight;
    if (v == 0) {
        m_arrowOffset = vertical     ? m_style.outerShadowOffset.width()
                        : horizontal ? m_style.outerShadowOffset.height()
                                     : 0;
    } else {
        const qreal sign = v / std::abs(v);
        const qreal inset =
            m_style.arrowBase * 0.5 + 0.5 + qMin(m_style.minOuterCornerRadius, m_style.outerCornerRadius);
        const QRectF limit = outerRect().adjusted(inset, inset, -inset, -inset);
        qreal magnitude = std::abs(v);
        if (vertical)
            magnitude = qMin(magnitude + m_style.outerShadowOffset.width() * sign, limit.width() / 2);
        else if (horizontal)
            magnitude = qMin(magnitude + m_style.outerShadowOffset.height() * sign, limit.height() / 2);
        m_arrowOffset = sign * magnitude;
    }
    update();
}

bool PLPopoverBackgroundView::isTouchedAtPoint(const QPointF& point) const {
    return outerRect().contains(point) || arrowRect().contains(point);
}

QPainterPath PLPopoverBackgroundView::bubblePath() const {
    const QRectF o = outerRect().adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal R = m_style.outerCornerRadius;
    const qreal a = m_style.arrowHeight;
    const qreal off = m_arrowOffset;
    const int half = int(m_style.arrowBase) / 2;
    const qreal midX = o.center().x();
    const qreal midY = o.center().y();
    const QPointF tl = o.topLeft(), tr = o.topRight(), bl = o.bottomLeft(), br = o.bottomRight();
    qreal r = R; // the corner next to the arrow, on the side the arrow leans to
    switch (m_arrowDirection) {
    case PLPopoverArrowDirectionUp:
    case PLPopoverArrowDirectionDown:
        r = off >= 0 ? o.right() - (midX + off + half) : (midX + off - half) - o.left();
        break;
    case PLPopoverArrowDirectionLeft:
    case PLPopoverArrowDirectionRight:
        r = off >= 0 ? o.bottom() - (midY + off + half) : (midY + off - half) - o.top();
        break;
    default:
        break;
    }
    r = qBound<qreal>(0, r, R);
    const qreal rPos = off >= 0 ? r : R;
    const qreal rNeg = off < 0 ? r : R;
    QPainterPath path;
    switch (m_arrowDirection) {
    case PLPopoverArrowDirectionUp: {
        const QPointF start(midX + off - half, o.top());
        path.moveTo(start);
        path.lineTo(midX + off, o.top() - a);
        path.lineTo(midX + off + half, o.top());
        cornerTo(path, tr, br, rPos);
        cornerTo(path, br, bl, R);
        cornerTo(path, bl, tl, R);
        cornerTo(path, tl, start, rNeg);
        break;
    }
    case PLPopoverArrowDirectionDown: {
        const QPointF start(midX + off + half, o.bottom());
        path.moveTo(start);
        path.lineTo(midX + off, o.bottom() + a);
        path.lineTo(midX + off - half, o.bottom());
        cornerTo(path, bl, tl, rNeg);
        cornerTo(path, tl, tr, R);
        cornerTo(path, tr, br, R);
        cornerTo(path, br, start, rPos);
        break;
    }
    case PLPopoverArrowDirectionLeft: {
        const QPointF start(o.left(), midY + off + half);
        path.moveTo(start);
        path.lineTo(o.left() - a, midY + off);
        path.lineTo(o.left(), midY + off - half);
        cornerTo(path, tl, tr, rNeg);
        cornerTo(path, tr, br, R);
        cornerTo(path, br, bl, R);
        cornerTo(path, bl, start, rPos);
        break;
    }
    case PLPopoverArrowDirectionRight: {
        const QPointF start(o.right(), midY + off - half);
        path.moveTo(start);
        path.lineTo(o.right() + a, midY + off);
        path.lineTo(o.right(), midY + off + half);
        cornerTo(path, br, bl, rPos);
        cornerTo(path, bl, tl, R);
        cornerTo(path, tl, tr, R);
        cornerTo(path, tr, start, rNeg);
        break;
    }
    default: {
        const QPointF start(o.right(), midY);
        path.moveTo(start);
        cornerTo(path, br, bl, R);
        cornerTo(path, bl, tl, R);
        cornerTo(path, tl, tr, R);
        cornerTo(path, tr, start, R);
        break;
    }
    }
    path.closeSubpath();
    return path;
}

void PLPopoverBackgroundView::setViewController(ViewController* controller) {
    if (!controller)
        return;
    QWidget* view = controller->view();
    if (m_contentView && m_contentView != view && m_contentView->parentWidget() == this)
        m_contentView->setParent(nullptr);
    m_contentView = view;
    view->setParent(this);
    view->setGeometry(PLPopoverPlacement::integral(QRectF(0, 0, width(), 100)).toRect());
    view->show();
    m_navigationBarHeight = 0;
    if (auto* navigation = qobject_cast<NavigationController*>(controller))
        m_navigationBarHeight =
            navigation->navigationBar()->isHidden() ? 0 : navigation->navigationBar()->height();
    view->setGeometry(PLPopoverPlacement::integral(innerRect()).toRect());
    if (!m_innerView)
        m_innerView = new PLPopoverBackgroundInnerView(this);
    configureInnerView();
    m_innerView->raise();
    m_innerView->setGeometry(view->geometry());
    m_innerView->show();
    m_innerView->update();
}

void PLPopoverBackgroundView::configureInnerView() {
    if (!m_innerView)
        return;
    PLPopoverBackgroundInnerView::Style inner;
    inner.gradientTopColor = m_style.fillTopColor;
    inner.gradientBottomColor = m_style.fillBottomColor;
    inner.innerShadowColor = m_style.innerShadowColor;
    inner.innerStrokeColor = m_style.innerStrokeColor;
    inner.innerShadowOffset = m_style.innerShadowOffset;
    inner.innerCornerRadius = m_style.innerCornerRadius;
    inner.innerShadowBlurRadius = m_style.innerShadowBlurRadius;
    inner.borderWidth = m_style.borderWidth;
    inner.navigationBarHeight = m_navigationBarHeight;
    inner.gradientHeight = height() - 2.0 * m_style.outerShadowBlurRadius;
    const qreal contentTop = m_contentView ? m_contentView->y() : innerRect().top();
    inner.gradientTopPosition = contentTop - outerShadowInsets().top();
    inner.wantsDefaultContentAppearance = m_wantsDefaultContentAppearance;
    m_innerView->setStyle(inner);
}

void PLPopoverBackgroundView::setNeedsDisplay() {
    update();
    if (m_innerView) {
        configureInnerView();
        m_innerView->update();
    }
}

void PLPopoverBackgroundView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = bubblePath();
    const QRectF box = path.boundingRect();
    const qreal s = m_style.outerShadowBlurRadius;
    if (s > 0 && m_style.outerShadowColor.alpha() > 0) {
        // The outer shadow: the bubble's shape, offset and softened with a few box passes.
        QImage shadow(size(), QImage::Format_ARGB32_Premultiplied);
        shadow.fill(Qt::transparent);
        {
            QPainter sp(&shadow);
            sp.setRenderHint(QPainter::Antialiasing);
            sp.fillPath(
                path.translated(m_style.outerShadowOffset.width(), m_style.outerShadowOffset.height()),
                m_style.outerShadowColor);
        }
        p.drawImage(0, 0, platform::ui::BlurredBackdrop::boxBlur(shadow, int(s) | 1, 2));
    }
    QLinearGradient gradient(box.center().x(), box.top(), box.center().x(), box.bottom());
    gradient.setColorAt(0, m_style.fillTopColor);
    gradient.setColorAt(1, m_style.fillBottomColor);
    p.fillPath(path, gradient);
    if (m_style.glossShadowColor.alpha() > 0 &&
        (!m_style.glossShadowOffset.isNull() || m_style.glossShadowBlurRadius > 0)) {
        // The gloss: what lies outside the bubble, shifted in by the gloss offset, seen through it.
        const qreal g = m_style.glossShadowBlurRadius;
        const QRectF e =
            box.adjusted(-g, -g, g, g)
                .translated(-m_style.glossShadowOffset.width(), -m_style.glossShadowOffset.height())
                .united(box)
                .adjusted(-1, -1, 1, 1);
        QPainterPath outside;
        outside.addRect(e);
        outside = outside.subtracted(path);
        p.save();
        p.setClipPath(path);
        p.fillPath(outside.translated(m_style.glossShadowOffset.width(), m_style.glossShadowOffset.height()),
                   m_style.glossShadowColor);
        p.restore();
    }
    if (m_style.outerStrokeColor.alpha() > 0) {
        p.setPen(QPen(m_style.outerStrokeColor, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
}

void PLPopoverBackgroundView::mousePressEvent(QMouseEvent* event) {
    if (!isTouchedAtPoint(event->position()))
        emit touchedOutside();
}

void PLPopoverBackgroundView::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

} // namespace pelnix
