#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>

namespace pelnix::test {

// The bytes of a picture file of `image` in `format`, as a server would send them.
inline QByteArray encodedImage(const QImage& image, const char* format = "PNG") {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A 256 x 256 JPEG of smooth colours whose bytes are mostly its picture: cut anywhere past its first
// quarter, it still decodes, the missing part grey.
inline QByteArray gradientJpeg() {
    QImage image(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x, y, (x * y) % 256));
    return encodedImage(image, "JPEG");
}

} // namespace pelnix::test
