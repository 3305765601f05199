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

} // namespace pelnix::test
