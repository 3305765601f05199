#pragma once

// Address books written by the tests and benchmarks: vCards of generated people, with photos of one
// grey (a 5600 x 5600 PNG compresses to about 30 KB).

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>

namespace pelnix::test {

// The grey of the generated photos, to tell them from a placeholder by a pixel.
inline constexpr int kPhotoGrey = 77;

inline QByteArray greyPNG(QSize size) {
    QImage image(size, QImage::Format_Grayscale8);
    image.fill(QColor(kPhotoGrey, kPhotoGrey, kPhotoGrey));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// One card: "Person<n> Given" with an e-mail, a phone and, when given, the photo.
inline QByteArray generatedCard(int n, const QByteArray& photo = {}) {
    const QByteArray number = QByteArray::number(n);
    QByteArray card = "BEGIN:VCARD\r\nN:Person" + number + ";Given;;;\r\nEMAIL:p" + number +
                      "@people.test\r\nTEL:+1 555 " + number + "\r\n";
    if (!photo.isEmpty())
        card += "PHOTO;ENCODING=b;TYPE=PNG:" + photo.toBase64() + "\r\n";
    return card + "END:VCARD\r\n";
}

} // namespace pelnix::test
