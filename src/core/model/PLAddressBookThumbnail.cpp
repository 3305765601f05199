#include "core/model/PLAddressBookThumbnail.h"

#include <QBuffer>
#include <QImageReader>
#include <QLoggingCategory>

namespace pelnix {

Q_LOGGING_CATEGORY(lcAddressBookThumbnail, "pelnix.addressbook.thumbnail", QtWarningMsg)

QImage PLAddressBookThumbnail::fromData(const QByteArray& data, int side) {
    if (data.isEmpty() || data.size() > kMaximumBytes || side <= 0)
        return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    // Whatever the header says, the decoder allocates no more than the bound's pixels take.
    reader.setAllocationLimit(int(kMaximumPixels * 4 / (1024 * 1024)));
    const QSize declared = reader.size();
    if (declared.isValid() && qint64(declared.width()) * declared.height() > kMaximumPixels) {
        qCInfo(lcAddressBookThumbnail) << "a photo of" << declared << "was left out";
        return {};
    }
    // JPEG decodes straight to a smaller size. Other formats decode whole, then shrink first by
    // picking pixels, in their own format, to a few times the side, and only then smoothly: a smooth
    // shrink of the whole picture would first convert it to 32 bits a pixel (a 5600 x 5600 grey PNG
    // would take 125 MB more).
    if (declared.isValid() && (declared.width() > side || declared.height() > side) &&
        reader.format() == "jpeg")
        reader.setScaledSize(declared.scaled(side, side, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull()) {
        qCDebug(lcAddressBookThumbnail) << "a photo could not be read:" << reader.errorString();
        return {};
    }
    if (image.width() > 4 * side || image.height() > 4 * side)
        image = image.scaled(4 * side, 4 * side, Qt::KeepAspectRatio, Qt::FastTransformation);
    if (image.width() > side || image.height() > side)
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace pelnix
