#include "LabelAdditions.h"

#include "CustomColors.h"
#include "CustomFontRegistration.h"
#include "DeviceInfo.h"
#include "TextAlignment.h"

#include "platform/ui/Label.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QRegion>

namespace pelnix::LabelAdditions {

namespace {
constexpr qreal kHeightLimit = 999;
constexpr qreal kKern = -0.375;

qreal pointSize(const QFont& font) {
    return font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF();
}
} // namespace

void setChangeAlignmenForRTL(platform::ui::Label* label, bool change) {
    if (!label || !change)
        return;
    label->setAlignment(
        TextAlignment::swappedForRTL(label->alignment(), DeviceInfo::currentLocaleIsOfRTLType()));
}

void setFontName(platform::ui::Label* label, const QString& postScriptName) {
    if (label)
        label->setFont(CustomFontRegistration::fontWithName(postScriptName, pointSize(label->font())));
}

void setFontName(platform::ui::Label* label, const QString& postScriptName, qreal size) {
    if (label)
        label->setFont(CustomFontRegistration::fontWithName(postScriptName, size));
}

void setHexFontColor(platform::ui::Label* label, const QString& hex) {
    if (label)
        label->setTextColor(CustomColors::colorFromHexString(hex));
}

void setClipsToRoundedView(QWidget* view, bool clips) {
    if (!view || !clips)
        return;
    const qreal radius = view->width() / 2.0;
    QPainterPath path;
    path.addRoundedRect(QRectF(view->rect()), radius, radius);
    view->setMask(QRegion(path.toFillPolygon().toPolygon()));
    view->setProperty("pelnix.cornerRadius", radius);
}

QSizeF measureText(const QString& text, const QFont& font, qreal width, qreal heightLimit) {
    if (text.isEmpty())
        return {0, 0};
    const QRectF bounds = QFontMetricsF(font).boundingRect(
        QRectF(0, 0, width, heightLimit), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
    return QSizeF(bounds.width(), qMin(bounds.height(), heightLimit));
}

void verticallyAlignText(platform::ui::Label* label) {
    if (!label)
        return;
    const QSizeF size = measureText(label->text(), label->font(), label->width(), kHeightLimit);
    label->setGeometry(label->x(), label->y(), label->width(), qCeil(size.height()));
}

QSizeF sizeFromCurrentText(const platform::ui::Label* label) {
    return label ? measureText(label->text(), label->font(), label->width(), kHeightLimit) : QSizeF();
}

platform::ui::TextAttributes dejaVuRegularAttributes(const platform::ui::Label* label) {
    platform::ui::TextAttributes attributes;
    if (!label)
        return attributes;
    attributes.color = label->textColor();
    attributes.kern = kKern;
    attributes.font = label->font();
    return attributes;
}

platform::ui::TextAttributes dejaVuBoldAttributes(const platform::ui::Label* label) {
    platform::ui::TextAttributes attributes = dejaVuRegularAttributes(label);
    if (label)
        attributes.font =
            CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), pointSize(label->font()));
    return attributes;
}

} // namespace pelnix::LabelAdditions
