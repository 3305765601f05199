#include "PLPopoverTheme.h"

#include "ColorPLPopover.h"

namespace pelnix {

namespace {
Color rgb255(int r, int g, int b) {
    return Color::rgb(r / 255.0, g / 255.0, b / 255.0, 1.0);
}
const Color kClear = Color::monochrome(0, 0);
} // namespace

PLPopoverTheme::PLPopoverTheme(QObject* parent) : QObject(parent) {}

PLPopoverTheme* PLPopoverTheme::theme() {
    return themeForIOS7();
}

PLPopoverTheme* PLPopoverTheme::themeForIOS6() {
    auto* t = new PLPopoverTheme;
    const Color tint = rgb255(55, 63, 71);
    t->m_tintColor = tint;
    t->m_fillTopColor = tint;
    t->m_fillBottomColor = ColorPLPopover::colorByDarken(tint, 0.4);
    t->m_glossShadowOffset = QSizeF(0, 1.5);
    t->m_borderWidth = 6;
    t->m_arrowBase = 42;
    t->m_arrowHeight = 18;
    t->m_outerShadowColor = Color::monochrome(0, 0.75);
    t->m_outerShadowBlurRadius = 8;
    t->m_outerShadowOffset = QSizeF(0, 2);
    t->m_outerCornerRadius = 8;
    t->m_innerShadowColor = Color::monochrome(0, 0.75);
    t->m_innerShadowBlurRadius = 2;
    t->m_innerShadowOffset = QSizeF(0, 1);
    t->m_innerCornerRadius = 6;
    t->m_viewContentInsets = QMarginsF(0, 3, 0, 0);
    t->m_overlayColor = kClear;
    return t;
}

PLPopoverTheme* PLPopoverTheme::themeForIOS7() {
    auto* t = new PLPopoverTheme;
    t->m_tintColor = rgb255(244, 244, 244);
    t->m_outerStrokeColor = kClear;
    t->m_innerStrokeColor = kClear;
    t->m_arrowBase = 25;
    t->m_arrowHeight = 13;
    t->m_outerShadowColor = kClear;
    t->m_outerCornerRadius = 5;
    t->m_innerShadowColor = kClear;
    t->m_overlayColor = Color::monochrome(0, 0.15);
    return t;
}

QStringList PLPopoverTheme::observableKeypaths() {
    return {"tintColor",
            "outerStrokeColor",
            "innerStrokeColor",
            "fillTopColor",
            "fillBottomColor",
            "glossShadowColor",
            "glossShadowOffset",
            "glossShadowBlurRadius",
            "borderWidth",
            "arrowBase",
            "arrowHeight",
            "outerShadowColor",
            "outerShadowBlurRadius",
            "outerShadowOffset",
            "outerCornerRadius",
            "innerShadowColor",
            "innerShadowBlurRadius",
            "innerShadowOffset",
            "innerCornerRadius",
            "viewContentInsets",
            "overlayColor"};
}

PLPopoverTheme::OptionalColor PLPopoverTheme::fillTopColor() const {
    return m_fillTopColor ? m_fillTopColor : m_tintColor;
}

PLPopoverTheme::OptionalColor PLPopoverTheme::fillBottomColor() const {
    return m_fillBottomColor ? m_fillBottomColor : fillTopColor();
}

PLPopoverTheme::OptionalColor PLPopoverTheme::glossShadowColor() const {
    if (m_glossShadowColor)
        return m_glossShadowColor;
    const auto top = fillTopColor();
    return top ? OptionalColor(ColorPLPopover::colorByLighten(*top, 0.2)) : std::nullopt;
}

PLPopoverTheme::OptionalColor PLPopoverTheme::outerStrokeColor() const {
    if (m_outerStrokeColor)
        return m_outerStrokeColor;
    const auto top = fillTopColor();
    return top ? OptionalColor(ColorPLPopover::colorByDarken(*top, 0.6)) : std::nullopt;
}

PLPopoverTheme::OptionalColor PLPopoverTheme::innerStrokeColor() const {
    if (m_innerStrokeColor)
        return m_innerStrokeColor;
    const auto top = fillTopColor();
    return top ? OptionalColor(ColorPLPopover::colorByDarken(*top, 0.6)) : std::nullopt;
}

QSizeF PLPopoverTheme::outerShadowOffset() const {
    const qreal blur = m_outerShadowBlurRadius;
    return {qMin(m_outerShadowOffset.width(), blur), qMin(m_outerShadowOffset.height(), blur)};
}

uint PLPopoverTheme::innerCornerRadius() const {
    return m_borderWidth == 0 ? m_outerCornerRadius : m_innerCornerRadius;
}

template <typename T> void PLPopoverTheme::store(T& field, const T& value, const char* keyPath) {
    field = value;
    if (observableKeypaths().contains(QLatin1String(keyPath)))
        emit changed(QString::fromLatin1(keyPath));
}

void PLPopoverTheme::setTintColor(const OptionalColor& c) {
    store(m_tintColor, c, "tintColor");
}
void PLPopoverTheme::setFillTopColor(const OptionalColor& c) {
    store(m_fillTopColor, c, "fillTopColor");
}
void PLPopoverTheme::setFillBottomColor(const OptionalColor& c) {
    store(m_fillBottomColor, c, "fillBottomColor");
}
void PLPopoverTheme::setGlossShadowColor(const OptionalColor& c) {
    store(m_glossShadowColor, c, "glossShadowColor");
}
void PLPopoverTheme::setOuterStrokeColor(const OptionalColor& c) {
    store(m_outerStrokeColor, c, "outerStrokeColor");
}
void PLPopoverTheme::setInnerStrokeColor(const OptionalColor& c) {
    store(m_innerStrokeColor, c, "innerStrokeColor");
}
void PLPopoverTheme::setOuterShadowColor(const OptionalColor& c) {
    store(m_outerShadowColor, c, "outerShadowColor");
}
void PLPopoverTheme::setInnerShadowColor(const OptionalColor& c) {
    store(m_innerShadowColor, c, "innerShadowColor");
}
void PLPopoverTheme::setOverlayColor(const OptionalColor& c) {
    store(m_overlayColor, c, "overlayColor");
}
void PLPopoverTheme::setGlossShadowOffset(const QSizeF& v) {
    store(m_glossShadowOffset, v, "glossShadowOffset");
}
void PLPopoverTheme::setGlossShadowBlurRadius(uint v) {
    store(m_glossShadowBlurRadius, v, "glossShadowBlurRadius");
}
void PLPopoverTheme::setBorderWidth(uint v) {
    store(m_borderWidth, v, "borderWidth");
}
void PLPopoverTheme::setArrowBase(uint v) {
    store(m_arrowBase, v, "arrowBase");
}
void PLPopoverTheme::setArrowHeight(uint v) {
    store(m_arrowHeight, v, "arrowHeight");
}
void PLPopoverTheme::setOuterShadowBlurRadius(uint v) {
    store(m_outerShadowBlurRadius, v, "outerShadowBlurRadius");
}
void PLPopoverTheme::setOuterShadowOffset(const QSizeF& v) {
    store(m_outerShadowOffset, v, "outerShadowOffset");
}
void PLPopoverTheme::setOuterCornerRadius(uint v) {
    store(m_outerCornerRadius, v, "outerCornerRadius");
}
void PLPopoverTheme::setMinOuterCornerRadius(uint v) {
    store(m_minOuterCornerRadius, v, "minOuterCornerRadius");
}
void PLPopoverTheme::setInnerShadowBlurRadius(uint v) {
    store(m_innerShadowBlurRadius, v, "innerShadowBlurRadius");
}
void PLPopoverTheme::setInnerShadowOffset(const QSizeF& v) {
    store(m_innerShadowOffset, v, "innerShadowOffset");
}
void PLPopoverTheme::setInnerCornerRadius(uint v) {
    store(m_innerCornerRadius, v, "innerCornerRadius");
}
void PLPopoverTheme::setViewContentInsets(const QMarginsF& v) {
    store(m_viewContentInsets, v, "viewContentInsets");
}

void PLPopoverTheme::copyResolvedValuesTo(PLPopoverTheme& o) const {
    o.setTintColor(tintColor());
    o.setOuterStrokeColor(outerStrokeColor());
    o.setInnerStrokeColor(innerStrokeColor());
    o.setFillTopColor(fillTopColor());
    o.setFillBottomColor(fillBottomColor());
    o.setGlossShadowColor(glossShadowColor());
    o.setGlossShadowOffset(glossShadowOffset());
    o.setGlossShadowBlurRadius(glossShadowBlurRadius());
    o.setBorderWidth(borderWidth());
    o.setArrowBase(arrowBase());
    o.setArrowHeight(arrowHeight());
    o.setOuterShadowColor(outerShadowColor());
    o.setOuterShadowBlurRadius(outerShadowBlurRadius());
    o.setOuterShadowOffset(outerShadowOffset());
    o.setOuterCornerRadius(outerCornerRadius());
    o.setMinOuterCornerRadius(minOuterCornerRadius());
    o.setInnerShadowColor(innerShadowColor());
    o.setInnerShadowBlurRadius(innerShadowBlurRadius());
    o.setInnerShadowOffset(innerShadowOffset());
    o.setInnerCornerRadius(innerCornerRadius());
    o.setViewContentInsets(viewContentInsets());
    o.setOverlayColor(overlayColor());
}

} // namespace pelnix
