#pragma once

#include <QAbstractNetworkCache>
#include <QHash>
#include <QMutex>
#include <QNetworkCacheMetaData>
#include <QNetworkRequest>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace pelnix {

// A network cache for the library's QNetworkAccessManagers that, while the network is unreachable,
// answers the image URLs listed in "CachedImagesKeys.plist" (URL text -> file name in the cache
// folder) from those files, always as "image/png". Everything else, and everything while online,
// goes to the standard cache it wraps.
//
// The list is shared with the smart-message cell that writes it: both go through the functions
// below, which hold one lock around each read-modify-write and replace the file atomically.
class PLOfflineURLCache : public QAbstractNetworkCache {
    Q_OBJECT
public:
    static constexpr char kSubstitutionListFileName[] = "CachedImagesKeys.plist";

    struct CachedResponse {
        QNetworkCacheMetaData metaData;
        QByteArray data;
    };

    // Wraps a disk cache in "<Caches>/URLCache".
    explicit PLOfflineURLCache(QObject* parent = nullptr);
    // Wraps `standardCache` and takes ownership of it.
    explicit PLOfflineURLCache(QAbstractNetworkCache* standardCache, QObject* parent = nullptr);
    ~PLOfflineURLCache() override;

    QAbstractNetworkCache* standardCache() const { return m_standard; }

    // The substituted answer while offline; none when the standard cache should answer.
    std::optional<CachedResponse> cachedResponseForRequest(const QNetworkRequest& request);
    // Drops an answer built in this process, or else removes the URL from the standard cache.
    bool removeCachedResponseForRequest(const QNetworkRequest& request);

    // The list as it is on disk now; empty when the file is missing or unreadable.
    static QVariantMap substitutionPaths();
    // Adds or replaces one entry; false (and nothing written) when `fileName` is not one safe file
    // name. Durable when it answers true.
    static bool addSubstitutionPath(const QString& urlText, const QString& fileName);
    static bool removeSubstitutionPath(const QString& urlText);
    // The file name the writer stores a URL's image under: the hexadecimal MD5 digest of the whole
    // URL text ("" for no URL).
    static QString cacheFileNameForURL(const QString& urlText);
    static QString mimeTypeForPath(const QString& path);

    // QAbstractNetworkCache
    QNetworkCacheMetaData metaData(const QUrl& url) override;
    void updateMetaData(const QNetworkCacheMetaData& metaData) override;
    QIODevice* data(const QUrl& url) override;
    bool remove(const QUrl& url) override;
    qint64 cacheSize() const override;
    QIODevice* prepare(const QNetworkCacheMetaData& metaData) override;
    void insert(QIODevice* device) override;

public slots:
    void clear() override;

private:
    std::optional<CachedResponse> substitute(const QUrl& url);

    QAbstractNetworkCache* m_standard = nullptr; // owned (child)
    QMutex m_mutex;
    QHash<QString, CachedResponse> m_cachedResponses;
};

} // namespace pelnix
