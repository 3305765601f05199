#include "BoundedCacheFolder.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>
#include <vector>

namespace pelnix::platform {

Q_LOGGING_CATEGORY(lcCacheFolder, "pelnix.platform.cachefolder")

namespace {

struct CachedFile {
    QString path;
    qint64 size;
    QDateTime usedAt;
};

std::vector<CachedFile> filesBelow(const QString& folder) {
    std::vector<CachedFile> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        files.push_back({info.filePath(), info.size(), info.lastModified()});
    }
    return files;
}

} // namespace

BoundedCacheFolder::BoundedCacheFolder(const QString& folder, qint64 maximumBytes)
    : m_folder(folder), m_maximumBytes(maximumBytes) {}

qint64 BoundedCacheFolder::bytes() {
    if (m_bytes < 0) {
        m_bytes = 0;
        for (const CachedFile& file : filesBelow(m_folder))
            m_bytes += file.size;
    }
    return m_bytes;
}

void BoundedCacheFolder::used(const QString& path) {
    QFile file(path);
    // Opened for the change of time only; a file that cannot be touched is merely trimmed sooner.
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
}

void BoundedCacheFolder::added(qint64 bytes) {
    // Counting first takes the new file in already.
    if (m_bytes < 0)
        this->bytes();
    else
        m_bytes += bytes;
    if (m_bytes > m_maximumBytes)
        trim();
}

void BoundedCacheFolder::removed(qint64 bytes) {
    if (m_bytes >= 0)
        m_bytes = std::max<qint64>(0, m_bytes - bytes);
}

void BoundedCacheFolder::trim() {
    std::vector<CachedFile> files = filesBelow(m_folder);
    // Counted again: the folder is the truth, whatever this count missed.
    qint64 total = 0;
    for (const CachedFile& file : files)
        total += file.size;
    std::sort(files.begin(), files.end(),
              [](const CachedFile& a, const CachedFile& b) { return a.usedAt < b.usedAt; });
    const qint64 goal = m_maximumBytes / 4 * 3;
    int dropped = 0;
    for (const CachedFile& file : files) {
        if (total <= goal)
            break;
        if (QFile::remove(file.path)) {
            total -= file.size;
            ++dropped;
        }
    }
    qCDebug(lcCacheFolder) << "trimmed" << m_folder << "by" << dropped << "files to" << total << "bytes";
    m_bytes = total;
}

} // namespace pelnix::platform
