#include "media/PLMultiMediaHandler.h"

#include "core/api/PLAppConfigurations.h"
#include "foundation/PhotoAlbums.h"
#include "media/PLVideoThumbnailer.h"
#include "platform/MainThread.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QLocale>
#include <QLoggingCategory>
#include <QPainter>
#include <QUuid>

Q_LOGGING_CATEGORY(lcMediaHandler, "pelnix.media.handler", QtWarningMsg)

namespace pelnix {

namespace {
constexpr qint64 kDefaultSide = 500;
constexpr qint64 kPreviewSide = 200;

PLMultiMediaHandler::ThumbnailProvider& thumbnailProvider() {
    static PLMultiMediaHandler::ThumbnailProvider provider;
    return provider;
}
} // namespace

QByteArray PLMultiMediaHandler::processMultiMediaWithInfo(const PLMediaSelection& selection) {
    return selection.mediaType == PLMediaSelection::Image ? processImageToUploadWithInfo(selection)
                                                          : processVideoToUploadWithInfo(selection);
}

PLMultiMediaInfo PLMultiMediaHandler::multiMediaInfoForSelection(const PLMediaSelection& selection) {
    processMultiMediaWithInfo(selection);
    return currentMediaInfo();
}

QByteArray PLMultiMediaHandler::processImageToUploadWithInfo(const PLMediaSelection& selection) {
    const QImage image = selection.editedImage.isNull() ? selection.originalImage : selection.editedImage;
    const qint64 height = customSize.height() <= 0 ? kDefaultSide : qint64(customSize.height());
    const qint64 width = customSize.width() <= 0 ? kDefaultSide : qint64(customSize.width());
    const QByteArray data = getReducedImageDataFromImage(image, height, width);
    createMediaInfoByAddingSize(quint64(data.size()), QStringLiteral("image/jpeg"), QStringLiteral("jpg"));
    mediaInfo.bigImgSize = QImage::fromData(data).size();
    mediaInfo.preview = previewFor(image);
    mediaInfo.assetURL = selection.referenceURL;
    return data;
}

QByteArray PLMultiMediaHandler::processVideoToUploadWithInfo(const PLMediaSelection& selection) {
    const QByteArray data = readVideo(selection);
    applyVideoThumbnail(thumbnailFromVideoAtURL(selection.mediaPath));
    return data;
}

void PLMultiMediaHandler::processMultiMediaWithInfo(const PLMediaSelection& selection,
                                                    std::function<void(const QByteArray&)> done) {
    if (selection.mediaType == PLMediaSelection::Image) {
        done(processImageToUploadWithInfo(selection));
        return;
    }
    const QByteArray data = readVideo(selection);
    readVideoThumbnail(selection.mediaPath, [data, done = std::move(done)] { done(data); });
}

void PLMultiMediaHandler::readVideoThumbnail(const QString& path, std::function<void()> described) {
    PLVideoThumbnailer::thumbnailAndDuration(
        path, [this, described = std::move(described)](const QImage& thumbnail, qint64) {
            applyVideoThumbnail(thumbnail);
            described();
        });
}

QByteArray PLMultiMediaHandler::readVideo(const PLMediaSelection& selection) {
    QByteArray data;
    QFile file(selection.mediaPath);
    if (file.open(QIODevice::ReadOnly))
        data = file.readAll();
    else
        qCWarning(lcMediaHandler) << "video file cannot be read:" << file.errorString();
    createMediaInfoByAddingSize(quint64(data.size()), QStringLiteral("video/mp4"), QStringLiteral("mov"));
    mediaInfo.assetURL = selection.referenceURL;
    return data;
}

void PLMultiMediaHandler::applyVideoThumbnail(const QImage& thumbnail) {
    mediaInfo.preview = previewFor(thumbnail);
    mediaInfo.bigImgSize = thumbnail.isNull() ? QSizeF(0, 0) : QSizeF(thumbnail.size());
}

void PLMultiMediaHandler::createMediaInfoByAddingSize(quint64 size, const QString& mimeType,
                                                      const QString& extension) {
    const QString id = uniqueIDPrefixForProfileImage.isEmpty()
                           ? QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
                           : uniqueIDPrefixForProfileImage;
    mediaInfo.fileID = id;
    mediaInfo.fileName = id + QLatin1Char('.') + extension;
    mediaInfo.fileSize = QLocale::c().formattedDataSize(qint64(size), 1, QLocale::DataSizeTraditionalFormat);
    mediaInfo.fileMime = mimeType;
    mediaInfo.caption = QString();
}

QString PLMultiMediaHandler::previewFor(const QImage& image) const {
    if (image.isNull())
        return QString();
    const QByteArray bytes = getReducedImageDataFromImage(image, kPreviewSide, kPreviewSide);
    return PLAppConfigurations::currentConfiguration()->base64Prefix() + QLatin1Char(',') +
           QString::fromLatin1(bytes.toBase64());
}

qint64 PLMultiMediaHandler::getImageInSampleSize(qint64 height, qint64 width, qint64 requiredWidth,
                                                 qint64 requiredHeight) {
    qint64 s = 1;
    if (height <= requiredHeight || requiredWidth <= 0 || requiredHeight <= 0)
        return s;
    for (;;) {
        if (width / s <= requiredWidth)
            return s;
        s *= 2;
        if (height / s <= requiredHeight)
            return s;
    }
}

QImage PLMultiMediaHandler::imageWithImage(const QImage& image, double width, double height) {
    QImage out(qMax(1, int(width)), qMax(1, int(height)), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(0, 0, out.width(), out.height()), image);
    return out;
}

QByteArray PLMultiMediaHandler::getReducedImageDataFromImage(const QImage& image, qint64 requiredHeight,
                                                             qint64 requiredWidth) {
    if (image.isNull())
        return QByteArray();
    const qint64 width = image.width(), height = image.height();
    const qint64 s = getImageInSampleSize(height, width, requiredWidth, requiredHeight);
    const QImage reduced = imageWithImage(image, double(width / s), double(height / s));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    if (!writer.write(reduced)) {
        qCWarning(lcMediaHandler) << "JPEG encoding failed:" << writer.errorString();
        return QByteArray();
    }
    return data;
}

quint64 PLMultiMediaHandler::multiMediaSizeForURL(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() ? quint64(info.size()) : 0;
}

void PLMultiMediaHandler::checkUploadLimitForSelectedMediaWithInfo(
    const PLMediaSelection& selection, const std::function<void(bool withinLimit)>& completion) {
    if (!completion)
        return;
    const quint64 limit = PLAppConfigurations::currentConfiguration()->uploadSizeLimit();
    if (selection.isExistingMedia) {
        const QFileInfo item(selection.referenceURL);
        completion(item.isFile() && item.isReadable() && quint64(item.size()) <= limit);
    } else if (selection.mediaType == PLMediaSelection::Movie) {
        completion(multiMediaSizeForURL(selection.mediaPath) <= limit);
    } else {
        completion(true);
    }
}

void PLMultiMediaHandler::setThumbnailProvider(ThumbnailProvider provider) {
    thumbnailProvider() = std::move(provider);
}

QImage PLMultiMediaHandler::thumbnailFromVideoAtURL(const QString& path) {
    return thumbnailProvider() ? thumbnailProvider()(path) : QImage();
}

namespace {
// A library of albums for one save: it lives until it has answered.
PhotoAlbums::Completion answeringOnce(PhotoAlbums* albums, PLMultiMediaHandler::AlbumCompletion completion) {
    return [albums, completion = std::move(completion)](const QUrl& url, const PLOptionalError& error) {
        albums->deleteLater();
        if (error)
            qCWarning(lcMediaHandler) << "saving into the album failed:" << error->localizedDescription;
        if (completion)
            completion(url, error);
    };
}
} // namespace

void PLMultiMediaHandler::writeImage(const QImage& image, const QString& albumName,
                                     AlbumCompletion completion) {
    Q_ASSERT(platform::isMainThread());
    auto* albums = new PhotoAlbums;
    albums->saveImage(image, albumName, answeringOnce(albums, std::move(completion)));
}

void PLMultiMediaHandler::writeVideoWithURL(const QUrl& fileURL, const QString& albumName,
                                            AlbumCompletion completion) {
    Q_ASSERT(platform::isMainThread());
    auto* albums = new PhotoAlbums;
    albums->saveVideo(fileURL, albumName, answeringOnce(albums, std::move(completion)));
}

} // namespace pelnix
