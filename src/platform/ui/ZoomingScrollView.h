#pragma once

#include "ScrollView.h"
#include "TapGestureRecognizer.h"

#include <QPointer>

namespace pelnix::platform::ui {

// A scroll view that zooms its content view between a minimum and a maximum scale. The content view
// is laid out at its natural size times the scale (so it draws itself sharp at every scale), and the
// point under the zoom's centre stays where it is. Content narrower or shorter than the view stands in
// the view's middle on that axis. A double tap zooms in to the maximum around the
// tapped point, or back out to the minimum when already zoomed in.
class ZoomingScrollView : public ScrollView {
    Q_OBJECT
public:
    explicit ZoomingScrollView(QWidget* parent = nullptr);

    qreal minimumZoomScale() const { return m_minimum; }
    qreal maximumZoomScale() const { return m_maximum; }
    // A maximum below the minimum is raised to it; the current scale is clamped into the new range.
    void setMinimumZoomScale(qreal scale);
    void setMaximumZoomScale(qreal scale);
    // The content's size at scale 1 (its size when set, unless given).
    QSizeF naturalContentSize() const { return m_natural; }
    void setNaturalContentSize(const QSizeF& size);

    // Clamped into the range; `anchor` (viewport point, the centre when null) stays over the same
    // content point.
    void setZoomScale(qreal scale, bool animated = false, std::optional<QPointF> anchor = std::nullopt);
    void setContentWidget(QWidget* widget);
    bool isZooming() const { return m_zooming; }
    TapGestureRecognizer* doubleTapRecognizer() const { return m_doubleTap; }

signals:
    void didZoom();
    void didEndZooming(qreal scale);

protected:
    void layoutContent() override;

private:
    // Where content of `size` stands from the view's top left while it is smaller than the view.
    QPointF centring(const QSizeF& size) const;
    void applyScale(qreal scale, const QPointF& anchor);
    void doubleTapped(const QPointF& viewportPoint);

    qreal m_minimum = 1.0;
    qreal m_maximum = 1.0;
    QSizeF m_natural;
    bool m_zooming = false;
    QPointer<TapGestureRecognizer> m_doubleTap;
};

} // namespace pelnix::platform::ui
