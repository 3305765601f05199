#pragma once

#include "media/PLImageCache.h"
#include "platform/PLError.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <QUrl>
#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace pelnix {

// Loads remote images: memory cache, then disk cache, then a download. Decoding and disk work run
// on one background thread; completions always run on the main thread, also on failure.
class PLImageManager : public QObject {
    Q_OBJECT
public:
    enum CacheType { CacheTypeNone = 0, CacheTypeDisk = 1, CacheTypeMemory = 2 };
    enum Option { RetryFailed = 1, ProgressiveDownload = 8 };
    using Completion = std::function<void(const QImage& image, const PLOptionalError& error,
                                          CacheType cacheType, const QUrl& url)>;
    using LoadID = quint64;

    // The cache lives in `cacheFolder` (the shared manager: Caches/"PLImageCache").
    explicit PLImageManager(const QString& cacheFolder, QObject* parent = nullptr);
    ~PLImageManager() override;
    static PLImageManager* sharedManager();

    // A memory hit completes before this returns; every other load later. 0 for a load that has
    // already ended.
    LoadID loadImageWithURL(const QUrl& url, int options, Completion completion);
    // The load's completion is not called.
    void cancel(LoadID id);
    bool cachedImageExistsForURL(const QUrl& url) const;

    PLImageCache& imageCache() { return *m_cache; }
    // Lets the disk thread finish what it was given (tests).
    void waitForDiskWork() { m_diskPool.waitForDone(); }

private:
    struct Waiter {
        LoadID id;
        Completion completion;
    };
    void lookUpDisk(const QUrl& url, const QString& key);
    void download(const QUrl& url, const QString& key);
    void finish(const QString& key, const QUrl& url, const QImage& image, const PLOptionalError& error,
                CacheType type);

    std::shared_ptr<PLImageCache> m_cache;
    QThreadPool m_diskPool;
    QNetworkAccessManager* m_network;
    QHash<QString, QList<Waiter>> m_waiting;
    QSet<QString> m_failedKeys;
    LoadID m_nextID = 1;
};

} // namespace pelnix
