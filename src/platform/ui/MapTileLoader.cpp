#include "MapTileLoader.h"

#include "platform/Sandbox.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSaveFile>
#include <QUrl>

namespace pelnix::platform::ui {

Q_LOGGING_CATEGORY(lcMapTiles, "pelnix.ui.maptiles")

namespace {

constexpr int kTransferTimeoutMs = 20000;

QHash<QString, QPointer<MapTileLoader>>& loaders() {
    static QHash<QString, QPointer<MapTileLoader>> shared;
    return shared;
}

// Reads tiles from the disk and the server on the loader's thread; one network manager, made there.
class TileWorker : public QObject {
public:
    using Done = std::function<void(const QImage& image, bool fromNetwork)>;

    void load(const QUrl& url, const QString& path, Done done) {
        QImage stored;
        if (QFileInfo::exists(path) && stored.load(path)) {
            done(stored.convertToFormat(QImage::Format_ARGB32_Premultiplied), false);
            return;
        }
        if (!m_network)
            m_network = new QNetworkAccessManager(this);
        QNetworkRequest request(url);
        request.setTransferTimeout(kTransferTimeoutMs);
        request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Pelnix"));
        QNetworkReply* reply = m_network->get(request);
        connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
            if (received > MapTileLoader::kMaximumTileBytes)
                reply->abort();
        });
        connect(reply, &QNetworkReply::finished, this, [reply, path, done] {
            reply->deleteLater();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->error() != QNetworkReply::NoError || status != 200) {
                qCDebug(lcMapTiles) << "tile" << reply->url().path() << "failed:" << status
                                    << reply->errorString();
                done({}, true);
                return;
            }
            const QByteArray body = reply->readAll();
            QImage image;
            if (!image.loadFromData(body)) {
                qCDebug(lcMapTiles) << "tile" << reply->url().path() << "is no picture";
                done({}, true);
                return;
            }
            // Kept only once it is known to be a picture, written whole or not at all.
            QDir().mkpath(QFileInfo(path).absolutePath());
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit())
                qCDebug(lcMapTiles) << "cannot keep the tile" << path;
            done(image.convertToFormat(QImage::Format_ARGB32_Premultiplied), true);
        });
    }

private:
    QNetworkAccessManager* m_network = nullptr;
};

} // namespace

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
    m_worker = new TileWorker;
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
    m_pending.insert(name);
    const QUrl url(QString(m_template)
                       .replace(QLatin1String("{z}"), QString::number(z))
                       .replace(QLatin1String("{x}"), QString::number(x))
                       .replace(QLatin1String("{y}"), QString::number(y)));
    const QString path = QDir(m_folder).filePath(name + QStringLiteral(".png"));
    auto* worker = static_cast<TileWorker*>(m_worker);
    QMetaObject::invokeMethod(
        worker,
        [worker, loader = this, url, path, z, x, y] {
            worker->load(url, path, [loader, z, x, y](const QImage& image, bool fromNetwork) {
                QMetaObject::invokeMethod(
                    loader,
                    [loader, z, x, y, image, fromNetwork] { loader->finish(z, x, y, image, fromNetwork); },
                    Qt::QueuedConnection);
            });
        },
        Qt::QueuedConnection);
    return {};
}

void MapTileLoader::finish(int z, int x, int y, const QImage& image, bool fromNetwork) {
    const QString name = key(z, x, y);
    m_pending.remove(name);
    if (image.isNull()) {
        m_failedAt.insert(name, m_clock.elapsed());
        emit tileFailed(z, x, y);
        return;
    }
    m_failedAt.remove(name);
    ++(fromNetwork ? m_networkFetches : m_diskReads);
    m_memory.insert(name, new QImage(image));
    emit tileLoaded(z, x, y);
}

} // namespace pelnix::platform::ui
