#include "foundation/PhotoAlbums.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/Sandbox.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QThreadPool>
#include <QUuid>

namespace pelnix {

namespace {
// Copies through a save file, so the copy is either whole and flushed or absent.
bool copyDurably(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly))
        return false;
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError)
            return false;
        if (target.write(chunk) != chunk.size())
            return false;
    }
    return target.commit();
}

QString uniqueName(const QString& prefix, const QString& suffix) {
    return QStringLiteral("%1_%2_%3.%4")
        .arg(prefix, QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd_HHmmss")),
             QUuid::createUuid().toString(QUuid::Id128).left(8), suffix);
}

PLError saveError(const QString& description) {
    return PLError(PLCurrentBundleInfo::identifier(), -1, description);
}
} // namespace

PhotoAlbums::PhotoAlbums(const QString& picturesRoot, const QString& moviesRoot, QObject* parent)
    : QObject(parent),
      m_pictures(picturesRoot.isEmpty() ? QDir(platform::Sandbox::root()).filePath(QStringLiteral("Pictures"))
                                        : picturesRoot),
      m_movies(moviesRoot.isEmpty() ? QDir(platform::Sandbox::root()).filePath(QStringLiteral("Movies"))
                                    : moviesRoot) {}

void PhotoAlbums::saveImage(const QImage& image, const QString& albumName, Completion completion) {
    const QString path = QDir(m_pictures).filePath(uniqueName(QStringLiteral("IMG"), QStringLiteral("jpg")));
    QPointer<PhotoAlbums> self(this);
    QThreadPool::globalInstance()->start([self, image, path, albumName, completion] {
        bool ok = !image.isNull() && QDir().mkpath(QFileInfo(path).absolutePath());
        if (ok) {
            QSaveFile file(path);
            ok = file.open(QIODevice::WriteOnly) && image.save(&file, "JPG", 92) && file.commit();
        }
        const QUrl url = ok ? QUrl::fromLocalFile(path) : QUrl();
        const PLOptionalError error =
            ok ? PLOptionalError() : saveError(QStringLiteral("The picture could not be saved."));
        platform::runOnMain([self, url, error, albumName, completion] {
            if (self)
                self->finishSave(url, error, albumName, completion);
        });
    });
}

void PhotoAlbums::saveVideo(const QUrl& fileURL, const QString& albumName, Completion completion) {
    const QString source = fileURL.toLocalFile();
    const QString suffix =
        QFileInfo(source).suffix().isEmpty() ? QStringLiteral("mov") : QFileInfo(source).suffix();
    const QString path = QDir(m_movies).filePath(uniqueName(QStringLiteral("VID"), suffix));
    QPointer<PhotoAlbums> self(this);
    QThreadPool::globalInstance()->start([self, source, path, albumName, completion] {
        const bool ok =
            !source.isEmpty() && QDir().mkpath(QFileInfo(path).absolutePath()) && copyDurably(source, path);
        const QUrl url = ok ? QUrl::fromLocalFile(path) : QUrl();
        const PLOptionalError error =
            ok ? PLOptionalError() : saveError(QStringLiteral("The video could not be saved."));
        platform::runOnMain([self, url, error, albumName, completion] {
            if (self)
                self->finishSave(url, error, albumName, completion);
        });
    });
}

void PhotoAlbums::finishSave(const QUrl& saved, const PLOptionalError& error, const QString& albumName,
                             Completion completion) {
    if (error) {
        if (completion)
            completion(saved, error);
        return;
    }
    platform::Log::write(QStringLiteral("Asset URL - %1").arg(saved.toString()));
    addAssetURL(saved, albumName, std::move(completion));
}

void PhotoAlbums::addAssetURL(const QUrl& assetURL, const QString& albumName, Completion completion) {
    const QString asset = assetURL.toLocalFile();
    QPointer<PhotoAlbums> self(this);
    auto report = [self, assetURL, completion](bool filed) {
        platform::runOnMain([self, assetURL, completion, filed] {
            if (!self || !completion)
                return;
            completion(assetURL,
                       filed ? PLOptionalError()
                             : saveError(QStringLiteral("The item could not be filed into the album.")));
        });
    };
    // The album name becomes a folder name: one safe component or nothing.
    if (asset.isEmpty() || !platform::Sandbox::isSafePathComponent(albumName)) {
        report(false);
        return;
    }
    const QString root =
        asset.startsWith(QDir(m_movies).absolutePath() + QLatin1Char('/')) ? m_movies : m_pictures;
    const QString album = QDir(root).filePath(albumName);
    QThreadPool::globalInstance()->start([asset, album, report] {
        report(QFileInfo::exists(asset) && QDir().mkpath(album) &&
               copyDurably(asset, QDir(album).filePath(QFileInfo(asset).fileName())));
    });
}

} // namespace pelnix
