#include "GalleryPictures.h"

#include <QPainter>

namespace pelnix::tools {

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
    QFont font = painter.font();
    font.setPixelSize(38);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, initials);
    painter.end();
    return image;
}

} // namespace pelnix::tools
