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

std::function<QImage()> ImagePageSource::drawing(int, const QSize& pixels) const {
    return [image = m_image, pixels] {
        return image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
}

} // namespace pelnix::platform::ui
