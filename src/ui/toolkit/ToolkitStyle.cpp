#include "ToolkitStyle.h"

#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace pelnix::ToolkitStyle {

QColor borderColor() {
    return CustomColors::customBlueBackgroundColor();
}

QColor accentColor() {
    return CustomColors::pelnixBlueColor();
}

QColor fieldBackgroundColor() {
    return Qt::white;
}

QColor textColor() {
    return CustomColors::customTextColor();
}

QColor progressArcColor() {
    return CustomColors::progressColor();
}

QColor progressTrackColor() {
    return CustomColors::customBlueBackgroundColor();
}

QFont regularFont() {
    return CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), kFontSize);
}

QFont lightFont() {
    return CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-ExtraLight"), kFontSize);
}

void applyFieldPalette(QWidget* field, const QColor& text) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, text);
    field->setPalette(palette);
}

namespace {
// The border's centre line, so the whole border lies inside `rect`.
QRectF borderLine(const QRectF& rect) {
    const qreal half = kBorderWidth / 2;
    return rect.adjusted(half, half, -half, -half);
}
} // namespace

void paintFieldBorder(QPainter& painter, const QRectF& rect, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(color, kBorderWidth));
    painter.drawRoundedRect(borderLine(rect), kCornerRadius, kCornerRadius);
    painter.restore();
}

void paintFieldFrame(QPainter& painter, const QRectF& rect, bool focused) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fieldBackgroundColor());
    painter.drawRoundedRect(borderLine(rect), kCornerRadius, kCornerRadius);
    painter.restore();
    paintFieldBorder(painter, rect, focused ? accentColor() : borderColor());
}

void paintStretchedPicture(QPainter& painter, const QRectF& rect, const QImage& picture, qreal capPoints) {
    if (picture.isNull() || rect.isEmpty())
        return;
    const qreal ratio = picture.devicePixelRatio();
    const QSizeF source(picture.width(), picture.height());
    // Caps never take more than half of either the picture or the target.
    const qreal cap = std::min({capPoints, source.width() / ratio / 2, source.height() / ratio / 2,
                                rect.width() / 2, rect.height() / 2});
    const qreal sourceCap = cap * ratio;
    const qreal xs[] = {0, sourceCap, source.width() - sourceCap, source.width()};
    const qreal ys[] = {0, sourceCap, source.height() - sourceCap, source.height()};
    const qreal xt[] = {rect.left(), rect.left() + cap, rect.right() - cap, rect.right()};
    const qreal yt[] = {rect.top(), rect.top() + cap, rect.bottom() - cap, rect.bottom()};
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            painter.drawImage(QRectF(QPointF(xt[column], yt[row]), QPointF(xt[column + 1], yt[row + 1])),
                              picture,
                              QRectF(QPointF(xs[column], ys[row]), QPointF(xs[column + 1], ys[row + 1])));
    painter.restore();
}

} // namespace pelnix::ToolkitStyle
