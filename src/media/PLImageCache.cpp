#include "media/PLImageCache.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

Q_LOGGING_CATEGORY(lcImageCache, "pelnix.media.imagecache", QtWarningMsg)

namespace pelnix {

namespace {
constexpr qint64 kDefaultMemoryBytes = 32ll * 1024 * 1024;
// QCache costs are ints: count in kibibytes.
int costOf(const QImage& image) {
    return int(qMax<qint64>(1, image.sizeInBytes() / 1024));
}
} // namespace

PLImageCache::PLImageCache(const QString& folder) : m_folder(folder) {
    setMaxMemoryBytes(kDefaultMemoryBytes);
}

QString PLImageCache::keyForURL(const QUrl& url) {
    return QString::fromLatin1(QCryptographicHash::hash(url.toEncoded(), QCryptographicHash::Sha256).toHex());
}

QImage PLImageCache::imageFromMemory(const QString& key) const {
    const QImage* image = m_memory.object(key);
    return image ? *image : QImage();
}

void PLImageCache::storeInMemory(const QString& key, const QImage& image) {
    if (!image.isNull())
        m_memory.insert(key, new QImage(image), costOf(image));
}

void PLImageCache::clearMemory() {
    m_memory.clear();
}

void PLImageCache::setMaxMemoryBytes(qint64 bytes) {
    m_memory.setMaxCost(int(qMax<qint64>(1, bytes / 1024)));
}

QString PLImageCache::diskPath(const QString& key) const {
    return m_folder + QLatin1Char('/') + key;
}

bool PLImageCache::existsOnDisk(const QString& key) const {
    return QFileInfo::exists(diskPath(key));
}

QByteArray PLImageCache::readFromDisk(const QString& key) const {
    QFile file(diskPath(key));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const QFileInfo info(file);
    if (info.lastModified().secsTo(QDateTime::currentDateTime()) > m_maxAgeSeconds) {
        file.remove();
        return QByteArray();
    }
    return file.readAll();
}

bool PLImageCache::storeOnDisk(const QString& key, const QByteArray& data) {
    // Larger than the whole cache: keeping it would only push everything else out.
    if (data.size() > maxFileBytes())
        return false;
    QDir().mkpath(m_folder);
    QSaveFile file(diskPath(key));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        qCWarning(lcImageCache) << "cache file not written:" << file.errorString();
        return false;
    }
    trimDisk();
    return true;
}

void PLImageCache::trimDisk() {
    QFileInfoList files = QDir(m_folder).entryInfoList(QDir::Files, QDir::Time | QDir::Reversed);
    const QDateTime now = QDateTime::currentDateTime();
    qint64 total = 0;
    QFileInfoList kept;
    for (const QFileInfo& info : std::as_const(files)) {
        if (info.lastModified().secsTo(now) > m_maxAgeSeconds) {
            QFile::remove(info.filePath());
            continue;
        }
        total += info.size();
        kept << info;
    }
    // Oldest first.
    for (const QFileInfo& info : std::as_const(kept)) {
        if (total <= m_maxDiskBytes)
            break;
        if (QFile::remove(info.filePath()))
            total -= info.size();
    }
}

qint64 PLImageCache::diskBytes() const {
    qint64 total = 0;
    for (const QFileInfo& info : QDir(m_folder).entryInfoList(QDir::Files))
        total += info.size();
    return total;
}

void PLImageCache::clearDisk() {
    QDir(m_folder).removeRecursively();
}

} // namespace pelnix
