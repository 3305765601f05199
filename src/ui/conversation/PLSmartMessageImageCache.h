#pragma once

#include "platform/SerialQueue.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace pelnix {

// Keeps copies of the pictures of smart messages, so that their pages show them offline: each
// picture in the caches folder under the digest of its whole URL, listed in "CachedImagesKeys.plist"
// (URL text -> file name), which the offline URL cache reads.
//
// One worker fetches and writes, one picture at a time, so two pages never race over the list; an
// entry is added only once its file is written; a URL already listed, or failed before, is not
// fetched again.
//
// A page is someone else's HTML: fetching whatever it names would tell any host when and where each
// reader opens the message. Only pictures on the configured server's own endpoints are fetched (over
// http or https, redirects included), a reply that declares a body over the bound is refused before
// its body is read, only bodies that decode as pictures are kept, and the copies together stay under
// a total bound, the oldest going first.
class PLSmartMessageImageCache : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxImageBytes = 10 * 1024 * 1024;
    static constexpr qint64 kMaxTotalBytes = 50 * 1024 * 1024;
    static constexpr int kMaxImages = 2000;
    static constexpr int kTimeoutMs = 60000;

    static PLSmartMessageImageCache* shared();
    explicit PLSmartMessageImageCache(QObject* parent = nullptr);
    ~PLSmartMessageImageCache() override;

    // The URLs of a page's pictures: for each "<img src=", the text between the next pair of double
    // quotes, in page order.
    static QStringList imageURLsInHTML(const QString& html);
    // Whether a page is scanned at all: it has a picture and its stylesheet is none of those whose
    // pages are not kept ("richhtml", "mquery").
    static bool shouldCacheImages(const QString& html, const QString& xsltName);

    // The origins pictures are fetched from: those of the configuration's server endpoints (the
    // service, its public API, its file service and short URLs).
    static QSet<QUrl> allowedOrigins();

    // Queues the copy of the page's pictures and returns at once. Main thread.
    void cacheImagesIfNeeded(const QString& html);
    // The bound on the copies together (kMaxTotalBytes unless set); applies to copies made later.
    qint64 maxTotalBytes() const { return m_maxTotalBytes; }
    void setMaxTotalBytes(qint64 bytes) { m_maxTotalBytes = bytes; }
    // `done` runs on the main thread once every copy queued before has ended (tests, shut-down).
    void whenIdle(std::function<void()> done);
    // Makes the worker's network access, on the worker, at its first fetch (tests); by default a
    // manager of its own. Set before the first copy.
    using NetworkFactory = std::function<std::unique_ptr<QNetworkAccessManager>()>;
    void setNetworkFactory(NetworkFactory make) { m_networkFactory = std::move(make); }

private:
    // The bytes and number of the copies in a caches folder, as last counted plus those made since
    // (none counted yet: -1).
    struct CopiesTally {
        QString folder;
        qint64 bytes = 0;
        qint64 count = -1;
    };

    // On the worker: one picture, fetched, checked, written, then listed; then the oldest copies
    // go while the copies exceed `maxTotalBytes`.
    void copyImage(const QString& urlText, const QSet<QUrl>& origins, qint64 maxTotalBytes,
                   QNetworkAccessManager* network);
    // On the worker, after a copy of `addedBytes` joined the list: the oldest copies go while the
    // copies exceed the bounds, counted again only when the tally says they may.
    QStringList trimIfOverBounds(qint64 addedBytes, qint64 maxTotalBytes);

    platform::SerialQueue m_queue;
    // URLs queued and not yet done, or failed in this run; touched on the main thread only.
    QSet<QString> m_seen;
    qint64 m_maxTotalBytes = kMaxTotalBytes;
    NetworkFactory m_networkFactory;
    // The URLs listed, as read from the list of the caches folder named, plus those copied since.
    QSet<QString> m_listed;
    QString m_listedFolder;
    // Touched on the worker only.
    CopiesTally m_tally;
};

} // namespace pelnix
