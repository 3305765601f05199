#include "GalleryPictures.h"

#include "foundation/ui/CustomFontRegistration.h"

#include <QPainter>

namespace pelnix::tools {

QFont galleryFont(int pixels, bool bold) {
    return CustomFontRegistration::fontWithName(
        bold ? QStringLiteral("DejaVuSans-Bold") : QStringLiteral("DejaVuSans"), pixels);
}

QString initialsOf(const QString& name) {
    QString out;
    for (const QString& word : name.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (out.size() < 2)
            out += word.front().toUpper();
    return out.isEmpty() ? QStringLiteral("?") : out;
}

QImage initialsPicture(const QString& initials, const QColor& colour) {
    QImage image(96, 96, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::white);
    painter.setFont(galleryFont(38, true));
    painter.drawText(image.rect(), Qt::AlignCenter, initials);
    painter.end();
    return image;
}

} // namespace pelnix::tools
