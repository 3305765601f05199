#include "MapTileLoader.h"

#include "Scheduler.h"
#include "platform/BoundedCacheFolder.h"
#include "platform/BoundedFetcher.h"
#include "platform/Sandbox.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLoggingCategory>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QUrl>
#include <utility>

namespace pelnix::platform::ui {

using platform::BoundedFetcher;

Q_LOGGING_CATEGORY(lcMapTiles, "pelnix.ui.maptiles", QtWarningMsg)

namespace {

// Silence on the line; the whole request has its own deadline on the main thread.
constexpr int kTransferTimeoutMs = 20000;
// What Qt may allocate for one picture, past the size check: a backstop.
constexpr int kDecodeLimitMb = 8;

QHash<QString, QPointer<MapTileLoader>>& loaders() {
    static QHash<QString, QPointer<MapTileLoader>> shared;
    return shared;
}

// Reads tiles from the disk and the server on the loader's thread.
class TileWorker : public QObject {
public:
    using Done = std::function<void(const QImage& image, bool fromNetwork)>;

    explicit TileWorker(const QString& folder)
        : m_fetcher(new BoundedFetcher(this)), m_disk(folder, MapTileLoader::kMaximumDiskBytes) {}

    void load(quint64 id, const QUrl& url, const QString& path, Done done) {
        // A link planted on the tile's way leads out of the cache: it goes before anything is read.
        if (const QImage stored = m_disk.clearWay(path) ? readStored(path) : QImage(); !stored.isNull()) {
            done(stored, false);
            return;
        }
        QNetworkRequest request(url);
        request.setTransferTimeout(kTransferTimeoutMs);
        request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Pelnix"));
        // The fetcher is the worker's own: its answers come while the worker lives.
        m_fetcher->get(id, request, MapTileLoader::kMaximumTileBytes,
                       [this, path, where = url.path(), done](const BoundedFetcher::Answer& answer) {
                           if (!answer.isOk()) {
                               qCDebug(lcMapTiles)
                                   << "tile" << where << "failed:" << answer.status << answer.reason;
                               done({}, true);
                               return;
                           }
                           const QImage image = MapTileLoader::decodeTile(answer.body);
                           if (image.isNull()) {
                               qCDebug(lcMapTiles) << "tile" << where << "is no tile-sized picture";
                               done({}, true);
                               return;
                           }
                           keep(path, answer.body);
                           done(image, true);
                       });
    }
    void abort(quint64 id) { m_fetcher->abort(id); }

private:
    // A stored tile passes the checks a fresh one does; a file that fails them goes, so that the
    // server is asked again.
    QImage readStored(const QString& path) {
        QFile file(path);
        if (!file.exists())
            return {};
        QImage image;
        if (file.size() <= MapTileLoader::kMaximumTileBytes && file.open(QIODevice::ReadOnly))
            image = MapTileLoader::decodeTile(file.readAll());
        file.close();
        if (image.isNull()) {
            qCDebug(lcMapTiles) << "dropping the stored tile" << path;
            m_disk.remove(path);
        } else {
            m_disk.used(path);
        }
        return image;
    }
    // Kept only once it is known to be a tile, written whole or not at all.
    void keep(const QString& path, const QByteArray& body) {
        if (!m_disk.clearWay(path)) {
            qCDebug(lcMapTiles) << "no way to keep the tile" << path << "in the cache";
            return;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit()) {
            qCDebug(lcMapTiles) << "cannot keep the tile" << path;
            return;
        }
        m_disk.added(path);
    }

    BoundedFetcher* m_fetcher;
    // The server's tiles on disk: a map browsed for long keeps only what was seen last.
    BoundedCacheFolder m_disk;
};

} // namespace

QImage MapTileLoader::decodeTile(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    // The format from the bytes, whatever the server called them; vector pictures are no tiles.
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format != "png" && format != "jpeg" && format != "webp")
        return {};
    // The header tells the size; a picture far larger than a tile is never decoded.
    const QSize size = reader.size();
    if (size.isEmpty() || size.width() > kMaximumSourceSide || size.height() > kMaximumSourceSide)
        return {};
    if (size.width() > kTileSize || size.height() > kTileSize)
        reader.setScaledSize(size.scaled(kTileSize, kTileSize, Qt::KeepAspectRatio));
    reader.setAllocationLimit(kDecodeLimitMb);
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.width() > kTileSize || image.height() > kTileSize)
        image = image.scaled(size.scaled(kTileSize, kTileSize, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool MapTileLoader::isUsableTemplate(const QString& urlTemplate) {
    if (!urlTemplate.contains(QLatin1String("{z}")) || !urlTemplate.contains(QLatin1String("{x}")) ||
        !urlTemplate.contains(QLatin1String("{y}")))
        return false;
    const QUrl url(QString(urlTemplate)
                       .replace(QLatin1String("{z}"), QLatin1String("0"))
                       .replace(QLatin1String("{x}"), QLatin1String("0"))
                       .replace(QLatin1String("{y}"), QLatin1String("0")));
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

MapTileLoader* MapTileLoader::forTemplate(const QString& urlTemplate) {
    Q_ASSERT(!QCoreApplication::instance() || QThread::currentThread() == qApp->thread());
    if (!isUsableTemplate(urlTemplate))
        return nullptr;
    QPointer<MapTileLoader>& loader = loaders()[urlTemplate];
    if (!loader)
        loader = new MapTileLoader(urlTemplate);
    return loader;
}

void MapTileLoader::releaseAll() {
    const auto all = loaders().values();
    loaders().clear();
    for (const QPointer<MapTileLoader>& loader : all)
        delete loader.data();
}

MapTileLoader::MapTileLoader(const QString& urlTemplate)
    : QObject(QCoreApplication::instance()), m_template(urlTemplate) {
    const QByteArray digest =
        QCryptographicHash::hash(urlTemplate.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    m_folder = QDir(Sandbox::caches()).filePath(QStringLiteral("MapTiles/") + QString::fromLatin1(digest));
    m_clock.start();
    m_thread.setObjectName(QStringLiteral("Map tiles"));
    m_worker = new TileWorker(m_folder);
    m_worker->moveToThread(&m_thread);
    // Deleted on its own thread as the thread ends, with its network manager and open replies.
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

MapTileLoader::~MapTileLoader() {
    // Once the thread has ended nothing more is posted to this object.
    m_thread.quit();
    m_thread.wait();
}

QString MapTileLoader::key(int z, int x, int y) {
    return QStringLiteral("%1/%2/%3").arg(z).arg(x).arg(y);
}

bool MapTileLoader::isPending(int z, int x, int y) const {
    return m_pending.contains(key(z, x, y));
}

QImage MapTileLoader::tile(int z, int x, int y) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (z < 0 || z > kMaximumZoom)
        return {};
    const int count = 1 << z;
    if (x < 0 || x >= count || y < 0 || y >= count)
        return {};
    const QString name = key(z, x, y);
    if (const QImage* held = m_memory.object(name))
        return *held;
    if (m_pending.contains(name))
        return {};
    if (const auto failed = m_failedAt.constFind(name);
        failed != m_failedAt.constEnd() && m_clock.elapsed() - *failed < kRetryAfterMs)
        return {};
    const quint64 id = ++m_nextRequest;
    auto* worker = static_cast<TileWorker*>(m_worker);
    Request request{id, 0};
    request.deadline = Scheduler::shared()->performAfter(this, kRequestDeadlineMs, [this, name, id, z, x, y] {
        if (m_pending.value(name).id != id)
            return;
        qCDebug(lcMapTiles) << "tile" << name << "did not come in time";
        fail(name, z, x, y);
        abortOnWorker(id);
    });
    m_pending.insert(name, request);
    const QUrl url(QString(m_template)
                       .replace(QLatin1String("{z}"), QString::number(z))
                       .replace(QLatin1String("{x}"), QString::number(x))
                       .replace(QLatin1String("{y}"), QString::number(y)));
    const QString path = QDir(m_folder).filePath(name + QStringLiteral(".png"));
    QMetaObject::invokeMethod(
        worker,
        [worker, loader = this, id, url, path, z, x, y] {
            worker->load(id, url, path, [loader, id, z, x, y](const QImage& image, bool fromNetwork) {
                QMetaObject::invokeMethod(
                    loader,
                    [loader, id, z, x, y, image, fromNetwork] {
                        loader->finish(z, x, y, id, image, fromNetwork);
                    },
                    Qt::QueuedConnection);
            });
        },
        Qt::QueuedConnection);
    return {};
}

// Tiles asked together pass their deadlines together. Ended one by one, each freed connection would
// at once send a request still queued behind it, for a tile that has already failed: the worker ends
// them all in one go.
void MapTileLoader::abortOnWorker(quint64 id) {
    m_abortsToSend.append(id);
    if (m_abortsToSend.size() > 1)
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            auto* worker = static_cast<TileWorker*>(m_worker);
            QMetaObject::invokeMethod(
                worker,
                [worker, ids = std::exchange(m_abortsToSend, {})] {
                    for (const quint64 each : ids)
                        worker->abort(each);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void MapTileLoader::finish(int z, int x, int y, quint64 id, const QImage& image, bool fromNetwork) {
    const QString name = key(z, x, y);
    const auto pending = m_pending.constFind(name);
    // A tile past its deadline has failed already: what comes later is not taken.
    if (pending == m_pending.constEnd() || pending->id != id)
        return;
    Scheduler::shared()->cancel(pending->deadline);
    if (image.isNull()) {
        fail(name, z, x, y);
        return;
    }
    m_pending.erase(pending);
    m_failedAt.remove(name);
    ++(fromNetwork ? m_networkFetches : m_diskReads);
    m_memory.insert(name, new QImage(image), image.sizeInBytes());
    emit tileLoaded(z, x, y);
}

void MapTileLoader::fail(const QString& name, int z, int x, int y) {
    m_pending.remove(name);
    m_failedAt.insert(name, m_clock.elapsed());
    emit tileFailed(z, x, y);
}

} // namespace pelnix::platform::ui
