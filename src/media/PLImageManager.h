#pragma once

#include "media/PLImageCache.h"
#include "platform/PLError.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QThreadPool>
#include <QUrl>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace pelnix {

// Loads remote images (http and https only): memory cache, then disk cache, then a download. Decoding and
// disk work run on one background thread; completions always run on the main thread, also on failure.
//
// A download is bounded: a reply that declares a body longer than maxDownloadBytes() is refused
// before its body is read, a body that grows past it is aborted, and the whole download is aborted
// after downloadTimeoutMs() (besides the 60 s bound on silence). Loads of one URL share one
// download; cancelling the last load that waits for it aborts the transfer.
class PLImageManager : public QObject {
    Q_OBJECT
public:
    enum CacheType { CacheTypeNone = 0, CacheTypeDisk = 1, CacheTypeMemory = 2 };
    enum Option { RetryFailed = 1, ProgressiveDownload = 8 };
    using Completion = std::function<void(const QImage& image, const PLOptionalError& error,
                                          CacheType cacheType, const QUrl& url)>;
    using LoadID = quint64;

    // Failures of a bounded download (domain PLImageManagerErrorDomain).
    static constexpr int TooLargeError = -4;
    static constexpr int TimedOutError = -5;
    // A URL that is not http or https (a local file, data, ...), which is never loaded.
    static constexpr int UnsupportedURLError = -6;

    // The cache lives in `cacheFolder` (the shared manager: Caches/"PLImageCache").
    explicit PLImageManager(const QString& cacheFolder, QObject* parent = nullptr);
    ~PLImageManager() override;
    static PLImageManager* sharedManager();

    // A memory hit completes before this returns; every other load later. 0 for a load that has
    // already ended.
    LoadID loadImageWithURL(const QUrl& url, int options, Completion completion);
    // The load's completion is not called. When no other load waits for the same URL, its
    // download (if one runs) is aborted.
    void cancel(LoadID id);
    bool cachedImageExistsForURL(const QUrl& url) const;

    // The longest body a download may have; 0 (the default) stands for the disk cache's per-file
    // bound (PLImageCache::maxFileBytes()).
    qint64 maxDownloadBytes() const;
    void setMaxDownloadBytes(qint64 bytes) { m_maxDownloadBytes = bytes; }
    // The longest a whole download may take (default 120 s); applies to downloads started later.
    int downloadTimeoutMs() const { return m_downloadTimeoutMs; }
    void setDownloadTimeoutMs(int ms) { m_downloadTimeoutMs = ms; }

    // Downloads go through `network` from now on (main thread; tests); by default a manager of the
    // loader's own.
    void setNetworkAccessManager(QNetworkAccessManager* network);

    PLImageCache& imageCache() { return *m_cache; }
    // Lets the disk thread finish what it was given (tests).
    void waitForDiskWork() { m_diskPool.waitForDone(); }

private:
    struct Waiter {
        LoadID id;
        Completion completion;
    };
    struct Download;
    void lookUpDisk(const QUrl& url, const QString& key);
    void download(const QUrl& url, const QString& key);
    void downloadFinished(const QUrl& url, const QString& key, const std::shared_ptr<Download>& download);
    void finish(const QString& key, const QUrl& url, const QImage& image, const PLOptionalError& error,
                CacheType type);

    std::shared_ptr<PLImageCache> m_cache;
    QThreadPool m_diskPool;
    QPointer<QNetworkAccessManager> m_network;
    QHash<QString, QList<Waiter>> m_waiting;
    // The keys with a disk lookup, download or decode under way, with the download if one runs.
    QHash<QString, std::shared_ptr<Download>> m_running;
    QSet<QString> m_failedKeys;
    LoadID m_nextID = 1;
    qint64 m_maxDownloadBytes = 0;
    int m_downloadTimeoutMs = 120000;
};

} // namespace pelnix
