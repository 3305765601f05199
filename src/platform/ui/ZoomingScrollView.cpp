#include "ZoomingScrollView.h"

#include "Animator.h"
#include "ScrollIndicators.h"
#include "TapGestureRecognizer.h"

namespace pelnix::platform::ui {

namespace {
constexpr int kZoomAnimationMs = 300;
}

ZoomingScrollView::ZoomingScrollView(QWidget* parent) : ScrollView(parent) {
    m_doubleTap =
        new TapGestureRecognizer([this](GestureRecognizer* g) { doubleTapped(g->locationInView()); }, 2);
    m_doubleTap->addToView(viewport());
}

void ZoomingScrollView::setMinimumZoomScale(qreal scale) {
    m_minimum = scale > 0 ? scale : 1.0;
    m_maximum = qMax(m_maximum, m_minimum);
    setZoomScale(zoomScale());
}

void ZoomingScrollView::setMaximumZoomScale(qreal scale) {
    m_maximum = qMax(scale > 0 ? scale : 1.0, m_minimum);
    setZoomScale(zoomScale());
}

void ZoomingScrollView::setNaturalContentSize(const QSizeF& size) {
    m_natural = size;
    applyScale(zoomScale(), QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void ZoomingScrollView::setContentWidget(QWidget* widget) {
    m_natural = widget ? QSizeF(widget->size()) : QSizeF();
    ScrollView::setContentWidget(widget);
    applyScale(zoomScale(), {});
}

void ZoomingScrollView::setZoomScale(qreal scale, bool animated, std::optional<QPointF> anchor) {
    const qreal target = qBound(m_minimum, scale, m_maximum);
    const QPointF at = anchor.value_or(QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
    if (!animated || Animator::isInstant()) {
        applyScale(target, at);
        emit didEndZooming(target);
        return;
    }
    const qreal start = zoomScale();
    m_zooming = true;
    Animator::run(
        this, kZoomAnimationMs, Animator::Curve::EaseInOut,
        [this, start, target, at](qreal p) { applyScale(start + (target - start) * p, at); },
        [this, target](bool) {
            m_zooming = false;
            emit didEndZooming(target);
        });
}

QPointF ZoomingScrollView::centring(const QSizeF& size) const {
    return QPointF(qMax<qreal>(0, (viewport()->width() - size.width()) / 2.0),
                   qMax<qreal>(0, (viewport()->height() - size.height()) / 2.0));
}

void ZoomingScrollView::layoutContent() {
    if (QWidget* content = contentWidget())
        content->move((centring(content->size()) - contentOffset()).toPoint());
}

void ZoomingScrollView::applyScale(qreal scale, const QPointF& anchor) {
    const qreal old = zoomScale();
    // The content point under the anchor before the change.
    const QPointF contentPoint = (contentOffset() + anchor - centring(m_natural * old)) / old;
    ScrollView::setZoomScale(scale);
    const QSizeF scaled = m_natural * scale;
    if (QWidget* content = contentWidget())
        content->resize(scaled.toSize());
    setContentSize(scaled);
    const QPointF min = minimumContentOffset();
    const QPointF max = maximumContentOffset();
    const QPointF wanted = contentPoint * scale + centring(scaled) - anchor;
    setContentOffset(QPointF(qBound(min.x(), wanted.x(), max.x()), qBound(min.y(), wanted.y(), max.y())));
    // The offset may stay where it was while the content's place in the middle moved.
    layoutContent();
    // A zoom the user watches happen shows where the content now stands.
    if (m_zooming)
        scrollIndicators()->reveal();
    if (!qFuzzyCompare(old, scale))
        emit didZoom();
}

void ZoomingScrollView::doubleTapped(const QPointF& viewportPoint) {
    const bool zoomedIn = zoomScale() > m_minimum + 1e-6;
    setZoomScale(zoomedIn ? m_minimum : m_maximum, true, viewportPoint);
}

} // namespace pelnix::platform::ui
