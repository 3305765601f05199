#include "TextViewAddtions.h"

#include "CustomColors.h"
#include "CustomFontRegistration.h"
#include "DeviceInfo.h"
#include "LabelAdditions.h"
#include "TextAlignment.h"

#include "platform/ui/TextView.h"

#include <cfloat>
#include <cmath>

namespace pelnix::TextViewAddtions {

namespace {
qreal pointSize(const QFont& font) {
    return font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF();
}
} // namespace

void setChangeAlignmenForRTL(platform::ui::TextView* view, bool change) {
    if (view && change)
        view->setAlignment(
            TextAlignment::swappedForRTL(view->alignment(), DeviceInfo::currentLocaleIsOfRTLType()));
}

void setFontName(platform::ui::TextView* view, const QString& postScriptName) {
    if (view)
        view->setFont(CustomFontRegistration::fontWithName(postScriptName, pointSize(view->font())));
}

void setHexFontColor(platform::ui::TextView* view, const QString& hex) {
    if (!view)
        return;
    view->setTextColor(CustomColors::colorFromHexString(hex));
    QPalette palette = view->palette();
    palette.setColor(QPalette::Text, CustomColors::colorFromHexString(hex));
    view->setPalette(palette);
}

qreal roundedTextHeight(qreal measured) {
    return std::ceil(static_cast<float>(measured));
}

qreal heightForCurrentText(const platform::ui::TextView* view) {
    if (!view || view->toPlainText().isEmpty())
        return 0;
    const QSizeF size =
        LabelAdditions::measureText(view->toPlainText(), view->font(), view->viewport()->width(), FLT_MAX);
    return roundedTextHeight(size.height());
}

void verticallyCenterText(platform::ui::TextView* view) {
    if (!view)
        return;
    const qreal offset = (view->height() - view->contentHeight()) / 2;
    view->setTextContainerInset(QMargins(0, offset >= 0 ? qRound(offset) : 0, 0, 0));
}

void resetSelectableState(platform::ui::TextView* view) {
    if (!view || !view->isSelectable())
        return;
    view->setSelectable(false);
    view->clearSelection();
    view->setSelectable(true);
}

platform::ui::TextAttributes dejaVuRegularAttributes(const platform::ui::TextView* view) {
    platform::ui::TextAttributes attributes;
    if (!view)
        return attributes;
    attributes.color = view->palette().color(QPalette::Text);
    attributes.kern = -0.375;
    attributes.font = view->font();
    return attributes;
}

platform::ui::TextAttributes dejaVuBoldAttributes(const platform::ui::TextView* view) {
    platform::ui::TextAttributes attributes = dejaVuRegularAttributes(view);
    if (view)
        attributes.font =
            CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), pointSize(view->font()));
    return attributes;
}

} // namespace pelnix::TextViewAddtions
