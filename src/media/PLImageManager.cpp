#include "media/PLImageManager.h"

#include "foundation/StandardFolders.h"
#include "platform/MainThread.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>

Q_LOGGING_CATEGORY(lcImageManager, "pelnix.media.imagemanager")

namespace pelnix {

namespace {
const QString kErrorDomain = QStringLiteral("PLImageManagerErrorDomain");
}

Q_GLOBAL_STATIC_WITH_ARGS(PLImageManager, s_sharedManager,
                          (StandardFolders::pathForCacheFile(QStringLiteral("PLImageCache"))))

PLImageManager* PLImageManager::sharedManager() {
    return s_sharedManager();
}

PLImageManager::PLImageManager(const QString& cacheFolder, QObject* parent)
    : QObject(parent), m_cache(std::make_shared<PLImageCache>(cacheFolder)),
      m_network(new QNetworkAccessManager(this)) {
    // One disk thread: reads, writes and trims of the cache folder never overlap.
    m_diskPool.setMaxThreadCount(1);
}

PLImageManager::~PLImageManager() {
    m_diskPool.waitForDone();
}

PLImageManager::LoadID PLImageManager::loadImageWithURL(const QUrl& url, int options, Completion completion) {
    Q_ASSERT(platform::isMainThread());
    if (!url.isValid() || url.isEmpty()) {
        if (completion)
            completion(QImage(), PLError(kErrorDomain, -1, QStringLiteral("Trying to load a nil url")),
                       CacheTypeNone, url);
        return 0;
    }
    const QString key = PLImageCache::keyForURL(url);
    const QImage cached = m_cache->imageFromMemory(key);
    if (!cached.isNull()) {
        if (completion)
            completion(cached, std::nullopt, CacheTypeMemory, url);
        return 0;
    }
    if (!(options & RetryFailed) && m_failedKeys.contains(key)) {
        if (completion)
            completion(QImage(), PLError(kErrorDomain, -2, QStringLiteral("The URL failed before")),
                       CacheTypeNone, url);
        return 0;
    }
    const LoadID id = m_nextID++;
    const bool running = m_waiting.contains(key);
    m_waiting[key].append({id, std::move(completion)});
    if (!running)
        lookUpDisk(url, key);
    return id;
}

void PLImageManager::cancel(LoadID id) {
    for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it)
        it->removeIf([id](const Waiter& waiter) { return waiter.id == id; });
}

bool PLImageManager::cachedImageExistsForURL(const QUrl& url) const {
    const QString key = PLImageCache::keyForURL(url);
    return !m_cache->imageFromMemory(key).isNull() || m_cache->existsOnDisk(key);
}

void PLImageManager::lookUpDisk(const QUrl& url, const QString& key) {
    QPointer<PLImageManager> self(this);
    const auto cache = m_cache;
    m_diskPool.start([self, cache, url, key] {
        const QByteArray data = cache->readFromDisk(key);
        const QImage image = data.isEmpty() ? QImage() : QImage::fromData(data);
        platform::runOnMain([self, url, key, image] {
            if (!self)
                return;
            if (image.isNull())
                self->download(url, key);
            else
                self->finish(key, url, image, std::nullopt, CacheTypeDisk);
        });
    });
}

void PLImageManager::download(const QUrl& url, const QString& key) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(60000);
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, url, key] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError || status >= 400) {
            qCWarning(lcImageManager) << "image download failed:" << reply->errorString();
            finish(key, url, QImage(),
                   PLError(kErrorDomain, status ? status : int(reply->error()), reply->errorString()),
                   CacheTypeNone);
            return;
        }
        const QByteArray data = reply->readAll();
        QPointer<PLImageManager> self(this);
        const auto cache = m_cache;
        m_diskPool.start([self, cache, url, key, data] {
            const QImage image = QImage::fromData(data);
            if (!image.isNull())
                cache->storeOnDisk(key, data);
            platform::runOnMain([self, url, key, image] {
                if (!self)
                    return;
                if (image.isNull())
                    self->finish(key, url, image, PLError(kErrorDomain, -3, QStringLiteral("Not an image")),
                                 CacheTypeNone);
                else
                    self->finish(key, url, image, std::nullopt, CacheTypeNone);
            });
        });
    });
}

void PLImageManager::finish(const QString& key, const QUrl& url, const QImage& image,
                            const PLOptionalError& error, CacheType type) {
    if (error) {
        m_failedKeys.insert(key);
    } else {
        m_failedKeys.remove(key);
        m_cache->storeInMemory(key, image);
    }
    const QList<Waiter> waiters = m_waiting.take(key);
    for (const Waiter& waiter : waiters) {
        if (waiter.completion)
            waiter.completion(image, error, type, url);
    }
}

} // namespace pelnix
