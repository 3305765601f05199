#pragma once

#include "platform/PLError.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

namespace pelnix {

// The device's photo library on a desktop: pictures go to a pictures folder and videos to a movies
// folder (the "saved photos"), and an album is a sub-folder of that name into which saved items are
// filed. Both folders lie below the library's sandbox root unless the caller names others. Saving
// returns at once; the completion runs later on the main thread with the saved item's file URL.
// Every failure is reported through the completion with an error: a failed write with an empty URL,
// a failure to file a saved item into the album with the saved item's URL.
class PhotoAlbums : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(const QUrl& assetURL, const PLOptionalError& error)>;

    // Empty roots mean "Pictures" and "Movies" below the sandbox root.
    explicit PhotoAlbums(const QString& picturesRoot = {}, const QString& moviesRoot = {},
                         QObject* parent = nullptr);

    void saveImage(const QImage& image, const QString& albumName, Completion completion);
    void saveVideo(const QUrl& fileURL, const QString& albumName, Completion completion);
    void addAssetURL(const QUrl& assetURL, const QString& albumName, Completion completion);

    QString picturesRoot() const { return m_pictures; }
    QString moviesRoot() const { return m_movies; }

private:
    void finishSave(const QUrl& saved, const PLOptionalError& error, const QString& albumName,
                    Completion completion);

    QString m_pictures;
    QString m_movies;
};

} // namespace pelnix
