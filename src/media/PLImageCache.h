#pragma once

#include <QCache>
#include <QImage>
#include <QString>
#include <QUrl>

namespace pelnix {

// The image loader's two caches: decoded images in memory, bounded by their byte size, and the
// downloaded bytes on disk under Caches, bounded by total size and age. Disk file names are a hash
// of the whole URL, so different URLs never share a file. Memory calls: main thread; disk calls:
// the loader's single disk thread.
class PLImageCache {
public:
    explicit PLImageCache(const QString& folder);

    static QString keyForURL(const QUrl& url);

    QImage imageFromMemory(const QString& key) const;
    void storeInMemory(const QString& key, const QImage& image);
    void clearMemory();
    void setMaxMemoryBytes(qint64 bytes);

    QString diskPath(const QString& key) const;
    bool existsOnDisk(const QString& key) const;
    QByteArray readFromDisk(const QString& key) const;
    // Writes atomically, then trims the folder to its bounds.
    bool storeOnDisk(const QString& key, const QByteArray& data);
    void trimDisk();
    qint64 diskBytes() const;
    void clearDisk();
    void setMaxDiskBytes(qint64 bytes) { m_maxDiskBytes = bytes; }
    // The largest file the disk cache keeps (a larger one would push everything else out): the
    // bound of the whole cache.
    qint64 maxFileBytes() const { return m_maxDiskBytes; }
    void setMaxAgeSeconds(qint64 seconds) { m_maxAgeSeconds = seconds; }

private:
    QString m_folder;
    QCache<QString, QImage> m_memory;
    qint64 m_maxDiskBytes = 100ll * 1024 * 1024;
    qint64 m_maxAgeSeconds = 7ll * 24 * 3600;
};

} // namespace pelnix
