#pragma once

#include "PLPopoverArea.h"

#include <QColor>
#include <QMarginsF>
#include <QPointer>
#include <QSizeF>
#include <QWidget>

namespace pelnix {

namespace platform::ui {
class ViewController;
}
class PLPopoverBackgroundInnerView;
class PLPopoverTheme;

// The visible bubble of a popover: a rounded body with an arrow on one edge, a vertical gradient, an
// outer shadow, a top gloss and an outline, with the content view in its inner rectangle. The view's
// bounds include the shadow margins; a press outside the body and the arrow reports touchedOutside().
class PLPopoverBackgroundView : public QWidget {
    Q_OBJECT
public:
    explicit PLPopoverBackgroundView(const QSizeF& contentSize, QWidget* parent = nullptr);

    // The values every new bubble starts from (the default theme's, resolved).
    static PLPopoverTheme* appearance();
    // Copies a theme's values (derived ones resolved) and redraws.
    void applyTheme(const PLPopoverTheme& theme);

    unsigned arrowDirection() const { return m_arrowDirection; }
    void setArrowDirection(unsigned direction);
    qreal arrowOffset() const { return m_arrowOffset; }
    // 0 shifts the arrow by the shadow offset; other values are kept clear of the rounded corners.
    void setArrowOffset(qreal offset);

    // The look, as a theme resolves it.
    struct Style {
        QColor tintColor, fillTopColor, fillBottomColor, glossShadowColor, outerShadowColor, outerStrokeColor,
            innerShadowColor, innerStrokeColor, overlayColor;
        uint glossShadowBlurRadius = 0, borderWidth = 0, arrowBase = 0, arrowHeight = 0,
             outerShadowBlurRadius = 0, outerCornerRadius = 0, minOuterCornerRadius = 0,
             innerShadowBlurRadius = 0, innerCornerRadius = 0;
        QSizeF glossShadowOffset{0, 0}, outerShadowOffset{0, 0}, innerShadowOffset{0, 0};
        QMarginsF viewContentInsets;
    };
    const Style& style() const { return m_style; }
    void setStyle(const Style& style);

    qreal navigationBarHeight() const { return m_navigationBarHeight; }
    QMarginsF outerShadowInsets() const;
    bool wantsDefaultContentAppearance() const { return m_wantsDefaultContentAppearance; }
    void setWantsDefaultContentAppearance(bool wants) { m_wantsDefaultContentAppearance = wants; }
    bool isAppearing() const { return m_appearing; }
    void setAppearing(bool appearing) { m_appearing = appearing; }

    QRectF outerRect() const { return outerRect(rect(), m_arrowDirection); }
    QRectF innerRect() const { return innerRect(rect(), m_arrowDirection); }
    QRectF arrowRect() const { return arrowRect(rect(), m_arrowDirection); }
    QRectF outerRect(const QRectF& rect, unsigned direction) const;
    QRectF innerRect(const QRectF& rect, unsigned direction) const;
    QRectF arrowRect(const QRectF& rect, unsigned direction) const;
    // The bubble's size around a content size, for the current arrow direction.
    QSizeF sizeThatFits(const QSizeF& contentSize) const;
    void sizeToFit();
    bool isTouchedAtPoint(const QPointF& point) const;
    // The bubble's outline for its bounds, direction and offset.
    QPainterPath bubblePath() const;

    QWidget* contentView() const { return m_contentView; }
    // Puts the controller's view in the inner rectangle, with the inner view over it.
    void setViewController(platform::ui::ViewController* controller);
    // Redraws the bubble and copies the current values onto the inner view.
    void setNeedsDisplay();

signals:
    void touchedOutside();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void configureInnerView();

    Style m_style;
    QSizeF m_contentSize;
    unsigned m_arrowDirection = PLPopoverArrowDirectionDown;
    qreal m_arrowOffset = 0;
    qreal m_navigationBarHeight = 0;
    bool m_wantsDefaultContentAppearance = false;
    bool m_appearing = false;
    QPointer<QWidget> m_contentView;
    PLPopoverBackgroundInnerView* m_innerView = nullptr;
};

} // namespace pelnix
