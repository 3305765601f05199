#include "media/PLImageManager.h"

#include "foundation/StandardFolders.h"
#include "platform/CutShortReply.h"
#include "platform/Log.h"
#include "platform/MainThread.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

Q_LOGGING_CATEGORY(lcImageManager, "pelnix.media.imagemanager", QtWarningMsg)

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
    : QObject(parent), m_cache(std::make_shared<PLImageCache>(cacheFolder)) {
    // One disk thread: reads, writes and trims of the cache folder never overlap.
    m_diskPool.setMaxThreadCount(1);
}

PLImageManager::~PLImageManager() {
    m_diskPool.waitForDone();
}

struct PLImageManager::Download {
    QPointer<QNetworkReply> reply;
    QByteArray body;
    qint64 cap = 0;
    // Why the download was stopped here; empty while it runs.
    std::optional<PLError> failure;
    bool cancelled = false;
};

void PLImageManager::setNetworkAccessManager(QNetworkAccessManager* network) {
    Q_ASSERT(platform::isMainThread());
    m_network = network;
}

qint64 PLImageManager::maxDownloadBytes() const {
    return m_maxDownloadBytes > 0 ? m_maxDownloadBytes : m_cache->maxFileBytes();
}

PLImageManager::LoadID PLImageManager::loadImageWithURL(const QUrl& url, int options, Completion completion) {
    Q_ASSERT(platform::isMainThread());
    if (!url.isValid() || url.isEmpty()) {
        if (completion)
            completion(QImage(), PLError(kErrorDomain, -1, QStringLiteral("Trying to load a nil url")),
                       CacheTypeNone, url);
        return 0;
    }
    // Picture URLs come from the server and other people: a local file or another scheme would
    // copy whatever it names into the cache.
    const QString scheme = url.scheme().toLower();
    if ((scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty()) {
        qCWarning(lcImageManager) << "not an http or https picture address; refused:" << scheme;
        if (completion)
            completion(QImage(),
                       PLError(kErrorDomain, UnsupportedURLError,
                               QStringLiteral("Only http and https pictures are loaded")),
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
    m_waiting[key].append({id, std::move(completion)});
    if (!m_running.contains(key)) {
        m_running.insert(key, nullptr);
        lookUpDisk(url, key);
    }
    return id;
}

void PLImageManager::cancel(LoadID id) {
    for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it) {
        if (!it->removeIf([id](const Waiter& waiter) { return waiter.id == id; }))
            continue;
        if (!it->isEmpty())
            return;
        // The last load of this URL: nobody waits for its download any more.
        const QString key = it.key();
        m_waiting.erase(it);
        const auto running = m_running.find(key);
        if (running != m_running.end() && *running && (*running)->reply) {
            const std::shared_ptr<Download> download = *running;
            m_running.erase(running);
            download->cancelled = true;
            qCDebug(lcImageManager) << "image download cancelled";
            download->reply->abort();
        }
        return;
    }
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
            if (!image.isNull())
                self->finish(key, url, image, std::nullopt, CacheTypeDisk);
            else if (self->m_waiting.value(key).isEmpty())
                self->m_running.remove(key); // every load was cancelled meanwhile
            else
                self->download(url, key);
        });
    });
}

void PLImageManager::download(const QUrl& url, const QString& key) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // Silence; the whole download has its own bound below.
    request.setTransferTimeout(60000);
    auto download = std::make_shared<Download>();
    download->cap = maxDownloadBytes();
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkReply* reply = m_network->get(request);
    download->reply = reply;
    m_running.insert(key, download);
    const auto stop = [download](PLError error) {
        if (download->failure || download->cancelled || !download->reply)
            return;
        qCWarning(lcImageManager) << "image download stopped:" << error.localizedDescription;
        download->failure = std::move(error);
        download->reply->abort();
    };
    // Refused before the body is read when the reply declares it too long.
    connect(reply, &QNetworkReply::metaDataChanged, this, [reply, download, stop] {
        bool known = false;
        const qint64 declared = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && declared > download->cap)
            stop(PLError(kErrorDomain, TooLargeError,
                         QStringLiteral("The image of %1 bytes is larger than the bound of %2 bytes")
                             .arg(declared)
                             .arg(download->cap)));
    });
    // Read as it comes, so that Qt holds no more than one chunk; past the bound, aborted.
    connect(reply, &QNetworkReply::readyRead, this, [reply, download, stop] {
        if (download->failure || download->cancelled)
            return;
        download->body += reply->read(download->cap + 1 - download->body.size());
        if (download->body.size() > download->cap)
            stop(
                PLError(kErrorDomain, TooLargeError,
                        QStringLiteral("The image is larger than the bound of %1 bytes").arg(download->cap)));
    });
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    const int timeoutMs = m_downloadTimeoutMs;
    connect(deadline, &QTimer::timeout, this, [timeoutMs, stop] {
        stop(PLError(kErrorDomain, TimedOutError,
                     QStringLiteral("The image download took longer than %1 ms").arg(timeoutMs)));
    });
    deadline->start(timeoutMs);
    connect(reply, &QNetworkReply::finished, this,
            [this, url, key, download] { downloadFinished(url, key, download); });
}

void PLImageManager::downloadFinished(const QUrl& url, const QString& key,
                                      const std::shared_ptr<Download>& download) {
    QNetworkReply* reply = download->reply;
    if (!reply)
        return;
    reply->deleteLater();
    download->reply = nullptr;
    // Cancelled: nobody waits, and the key is no longer running.
    if (download->cancelled)
        return;
    if (download->failure) {
        finish(key, url, QImage(), *download->failure, CacheTypeNone);
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status >= 400) {
        // Qt's description of a failed reply names the whole address, a signed one's token and
        // signature included: neither the log line nor the error carries it.
        const QString failure = status ? QStringLiteral("HTTP %1").arg(status)
                                       : QStringLiteral("network error %1").arg(int(reply->error()));
        qCWarning(lcImageManager).noquote()
            << "image download failed:" << failure << "from" << platform::Log::address(url);
        finish(key, url, QImage(),
               PLError(kErrorDomain, status ? status : int(reply->error()),
                       QStringLiteral("The picture could not be downloaded (%1)").arg(failure)),
               CacheTypeNone);
        return;
    }
    download->body += reply->read(download->cap + 1 - download->body.size());
    if (download->body.size() > download->cap) {
        finish(key, url, QImage(),
               PLError(kErrorDomain, TooLargeError,
                       QStringLiteral("The image is larger than the bound of %1 bytes").arg(download->cap)),
               CacheTypeNone);
        return;
    }
    if (platform::isCutShort(reply, download->body.size())) {
        qCWarning(lcImageManager).noquote() << "image download cut short from" << platform::Log::address(url);
        finish(key, url, QImage(),
               PLError(kErrorDomain, int(QNetworkReply::RemoteHostClosedError),
                       QStringLiteral("The picture could not be downloaded (the connection closed before "
                                      "the whole picture arrived)")),
               CacheTypeNone);
        return;
    }
    const QByteArray data = std::exchange(download->body, {});
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
}

void PLImageManager::finish(const QString& key, const QUrl& url, const QImage& image,
                            const PLOptionalError& error, CacheType type) {
    if (error) {
        m_failedKeys.insert(key);
    } else {
        m_failedKeys.remove(key);
        m_cache->storeInMemory(key, image);
    }
    m_running.remove(key);
    const QList<Waiter> waiters = m_waiting.take(key);
    for (const Waiter& waiter : waiters) {
        if (waiter.completion)
            waiter.completion(image, error, type, url);
    }
}

} // namespace pelnix
