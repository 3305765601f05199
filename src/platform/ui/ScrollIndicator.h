#pragma once

#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

namespace pelnix::platform::ui {

// One thin overlay scroll indicator: a rounded bar drawn over the content near one edge of a scroll
// area, its length the visible share of the content and its place the scroll position. It takes no
// mouse input and no layout room. A dark bar with a light rim, so it reads on light and dark content.
class ScrollIndicator : public QWidget {
    Q_OBJECT
public:
    // Across the bar: a 3-pixel dark core in a 1-pixel light rim.
    static constexpr int kThickness = 5;
    static constexpr int kMinimumLength = 32;
    static constexpr int kFadeMs = 300;

    ScrollIndicator(Qt::Orientation orientation, QWidget* parent);

    Qt::Orientation orientation() const { return m_orientation; }
    qreal opacity() const { return m_opacity; }
    bool isFading() const { return m_fade; }

    // Shows the bar at full strength, ending a fade.
    void appear();
    // Fades the bar out and hides it (at once when animations are instant).
    void fadeOut();
    // Lays the bar along `track` (parent coordinates, the bar's whole run) for a scroll range
    // minimum..maximum, a page of `pageStep` and the position `value`.
    void place(const QRect& track, int minimum, int maximum, int pageStep, int value);

    static QColor coreColor();
    static QColor rimColor();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setOpacity(qreal opacity);

    Qt::Orientation m_orientation;
    qreal m_opacity = 1.0;
    QPointer<QVariantAnimation> m_fade;
};

} // namespace pelnix::platform::ui
