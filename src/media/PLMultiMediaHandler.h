#pragma once

#include "media/PLMultiMediaInfo.h"
#include "platform/PLError.h"

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QUrl>
#include <functional>

namespace pelnix {

// What the host's picker hands over: a picture (edited and/or original) or a media file.
struct PLMediaSelection {
    enum Kind { Image = 0, Movie = 1 };
    Kind mediaType = Image;
    QImage editedImage;
    QImage originalImage;
    QString mediaPath;    // the picked video's local file
    QString referenceURL; // the item's library reference, kept to map the remote URL back
    bool isExistingMedia = false;
    // The file ID a smart message's text already refers to by its upload placeholder; empty: new.
    QString fileID;
    // Shown with the item; goes into its description.
    QString caption;
};

// Turns one selection into upload bytes and its description: pictures are reduced by a power of two
// and re-encoded as JPEG, videos are taken as they are.
class PLMultiMediaHandler {
public:
    using ThumbnailProvider = std::function<QImage(const QString& path)>;

    QSizeF customSize{0, 0};               // a zero component means 500
    QString uniqueIDPrefixForProfileImage; // used as the file ID when set
    PLMultiMediaInfo mediaInfo;

    // A video's thumbnail is read before this returns (the media stack takes some 10 to 40 ms on a
    // short file, at most about 7 s when it does not answer); the form below does not wait. On the
    // main thread a video gets no thumbnail (PLVideoThumbnailer::thumbnailFromVideoAtPath): the
    // library's own posts use the form below there.
    QByteArray processMultiMediaWithInfo(const PLMediaSelection& selection);
    // The same, with a video's thumbnail read through the platform's media stack: `done` gets the
    // upload bytes on the main thread once the description is complete. Keep the handler alive
    // until then.
    void processMultiMediaWithInfo(const PLMediaSelection& selection,
                                   std::function<void(const QByteArray&)> done);
    PLMultiMediaInfo multiMediaInfoForSelection(const PLMediaSelection& selection);
    const PLMultiMediaInfo& currentMediaInfo() const { return mediaInfo; }

    QByteArray processImageToUploadWithInfo(const PLMediaSelection& selection);
    QByteArray processVideoToUploadWithInfo(const PLMediaSelection& selection);
    // A video's bytes, identity and reference; no thumbnail yet (0 x 0, no preview).
    QByteArray readVideo(const PLMediaSelection& selection);
    // Reads the video's thumbnail through the platform's media stack and sets the preview and big
    // image size from it; `described` runs then, on the main thread. Keep the handler alive until then.
    void readVideoThumbnail(const QString& path, std::function<void()> described);
    void createMediaInfoByAddingSize(quint64 size, const QString& mimeType, const QString& extension);

    static QByteArray getReducedImageDataFromImage(const QImage& image, qint64 requiredHeight,
                                                   qint64 requiredWidth);
    static qint64 getImageInSampleSize(qint64 height, qint64 width, qint64 requiredWidth,
                                       qint64 requiredHeight);
    static QImage imageWithImage(const QImage& image, double width, double height);
    static quint64 multiMediaSizeForURL(const QString& path);
    // Always answers, at once: an existing item that cannot be read counts as over the limit.
    static void
    checkUploadLimitForSelectedMediaWithInfo(const PLMediaSelection& selection,
                                             const std::function<void(bool withinLimit)>& completion);
    static quint64 mediatypeFromInfo(const PLMediaSelection& selection) {
        return quint64(selection.mediaType);
    }

    // Video thumbnails come from this provider; without one a video has no preview and a 0 x 0 size.
    // The library's start-up installs the media stack's reader (PLVideoThumbnailer).
    static void setThumbnailProvider(ThumbnailProvider provider);
    static QImage thumbnailFromVideoAtURL(const QString& path);

    // Saves into the named album of the photo library (PhotoAlbums, below the sandbox root). The
    // completion runs later on the main thread with the saved item's URL, and an error when the
    // write or the filing into the album failed (the URL is empty when nothing was written).
    using AlbumCompletion = std::function<void(const QUrl& assetURL, const PLOptionalError& error)>;
    static void writeImage(const QImage& image, const QString& albumName, AlbumCompletion completion);
    static void writeVideoWithURL(const QUrl& fileURL, const QString& albumName, AlbumCompletion completion);

private:
    QString previewFor(const QImage& image) const;
    void applyVideoThumbnail(const QImage& thumbnail);
};

} // namespace pelnix
