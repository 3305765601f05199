#include "ImagePageSource.h"

#include "DocumentPreview.h"

#include <QImageReader>
#include <cmath>

namespace pelnix::platform::ui {

ImagePageSource::ImagePageSource(const QString& path, QObject* parent) : PooledPageSource(parent) {
    offMain<QImage>(
        [path] {
            QImageReader reader(path);
            reader.setAutoTransform(true);
            const QSize size = reader.size();
            if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels) {
                const double scale = std::sqrt(double(kMaxPixels) / (double(size.width()) * size.height()));
                reader.setScaledSize(
                    QSize(qMax(1, int(size.width() * scale)), qMax(1, int(size.height() * scale))));
            }
            return reader.read();
        },
        [this](QImage image) {
            if (image.isNull()) {
                emit failed(DocumentPreview::DamagedError, QStringLiteral("The picture cannot be read."));
                return;
            }
            m_image = image;
            emit loaded();
        });
}

std::function<QImage()> ImagePageSource::drawing(const Request& request) const {
    return [image = m_image, pixels = request.pixels, pageHeight = request.pageHeight] {
        // A picture taller than laid out shows its top.
        const QImage shown =
            pageHeight > 0
                ? image.copy(0, 0, image.width(),
                             qMax(1, qRound(image.height() * double(pixels.height()) / pageHeight)))
                : image;
        return shown.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
}

} // namespace pelnix::platform::ui
