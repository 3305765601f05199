#pragma once

#include <QColor>
#include <QSizeF>
#include <QWidget>

namespace pelnix {

// Laid over a popover's content: the bubble's gradient in the four corner slivers (so the content
// looks rounded), the inner shadow and the inner outline. It takes no input.
class PLPopoverBackgroundInnerView : public QWidget {
    Q_OBJECT
public:
    explicit PLPopoverBackgroundInnerView(QWidget* parent = nullptr);

    struct Style {
        QColor innerStrokeColor, gradientTopColor, gradientBottomColor, innerShadowColor;
        qreal gradientHeight = 0, gradientTopPosition = 0, innerShadowBlurRadius = 0, innerCornerRadius = 0,
              navigationBarHeight = 0, borderWidth = 0;
        QSizeF innerShadowOffset{0, 0};
        bool wantsDefaultContentAppearance = false;
    };
    const Style& style() const { return m_style; }
    void setStyle(const Style& style);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Style m_style;
};

} // namespace pelnix
