#pragma once

#include "Color.h"

#include <QMarginsF>
#include <QObject>
#include <QSizeF>
#include <QStringList>
#include <optional>

namespace pelnix {

// The look of a popover: colours, shadows, radii, border and arrow sizes, content insets and the
// overlay colour. A fresh theme has no colours and zero numbers; unset colours derive from others as
// the getters say. Every setter of an observed key path (observableKeypaths()) emits changed(), so
// a shown popover redraws; minOuterCornerRadius is not observed.
class PLPopoverTheme : public QObject {
    Q_OBJECT
public:
    using OptionalColor = std::optional<Color>;

    explicit PLPopoverTheme(QObject* parent = nullptr);

    // The flat theme: this library runs where the older look never applies.
    static PLPopoverTheme* theme();
    static PLPopoverTheme* themeForIOS6();
    static PLPopoverTheme* themeForIOS7();
    static QStringList observableKeypaths();

    OptionalColor tintColor() const { return m_tintColor; }
    OptionalColor fillTopColor() const;     // else tintColor
    OptionalColor fillBottomColor() const;  // else fillTopColor
    OptionalColor glossShadowColor() const; // else fillTopColor lightened by 0.2
    OptionalColor outerStrokeColor() const; // else fillTopColor darkened by 0.6
    OptionalColor innerStrokeColor() const; // else fillTopColor darkened by 0.6
    OptionalColor outerShadowColor() const { return m_outerShadowColor; }
    OptionalColor innerShadowColor() const { return m_innerShadowColor; }
    OptionalColor overlayColor() const { return m_overlayColor; }
    QSizeF glossShadowOffset() const { return m_glossShadowOffset; }
    uint glossShadowBlurRadius() const { return m_glossShadowBlurRadius; }
    uint borderWidth() const { return m_borderWidth; }
    uint arrowBase() const { return m_arrowBase; }
    uint arrowHeight() const { return m_arrowHeight; }
    uint outerShadowBlurRadius() const { return m_outerShadowBlurRadius; }
    QSizeF outerShadowOffset() const; // each component capped at the blur radius
    uint outerCornerRadius() const { return m_outerCornerRadius; }
    uint minOuterCornerRadius() const { return m_minOuterCornerRadius; }
    uint innerShadowBlurRadius() const { return m_innerShadowBlurRadius; }
    QSizeF innerShadowOffset() const { return m_innerShadowOffset; }
    uint innerCornerRadius() const; // the outer radius while the border is 0
    QMarginsF viewContentInsets() const { return m_viewContentInsets; }

    void setTintColor(const OptionalColor& c);
    void setFillTopColor(const OptionalColor& c);
    void setFillBottomColor(const OptionalColor& c);
    void setGlossShadowColor(const OptionalColor& c);
    void setOuterStrokeColor(const OptionalColor& c);
    void setInnerStrokeColor(const OptionalColor& c);
    void setOuterShadowColor(const OptionalColor& c);
    void setInnerShadowColor(const OptionalColor& c);
    void setOverlayColor(const OptionalColor& c);
    void setGlossShadowOffset(const QSizeF& v);
    void setGlossShadowBlurRadius(uint v);
    void setBorderWidth(uint v);
    void setArrowBase(uint v);
    void setArrowHeight(uint v);
    void setOuterShadowBlurRadius(uint v);
    void setOuterShadowOffset(const QSizeF& v);
    void setOuterCornerRadius(uint v);
    void setMinOuterCornerRadius(uint v);
    void setInnerShadowBlurRadius(uint v);
    void setInnerShadowOffset(const QSizeF& v);
    void setInnerCornerRadius(uint v);
    void setViewContentInsets(const QMarginsF& v);

    // Copies every value, read through the getters (derived values resolved), onto `other`.
    void copyResolvedValuesTo(PLPopoverTheme& other) const;

signals:
    void changed(const QString& keyPath);

private:
    template <typename T> void store(T& field, const T& value, const char* keyPath);

    OptionalColor m_tintColor, m_fillTopColor, m_fillBottomColor, m_glossShadowColor, m_outerStrokeColor,
        m_innerStrokeColor, m_outerShadowColor, m_innerShadowColor, m_overlayColor;
    QSizeF m_glossShadowOffset{0, 0}, m_outerShadowOffset{0, 0}, m_innerShadowOffset{0, 0};
    uint m_glossShadowBlurRadius = 0, m_borderWidth = 0, m_arrowBase = 0, m_arrowHeight = 0,
         m_outerShadowBlurRadius = 0, m_outerCornerRadius = 0, m_minOuterCornerRadius = 0,
         m_innerShadowBlurRadius = 0, m_innerCornerRadius = 0;
    QMarginsF m_viewContentInsets;
};

} // namespace pelnix
