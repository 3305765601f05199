#include "BoundedCacheFolder.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace pelnix::platform {

Q_LOGGING_CATEGORY(lcCacheFolder, "pelnix.platform.cachefolder", QtWarningMsg)

namespace {

struct CachedFile {
    QString path;
    qint64 spent;
    QDateTime usedAt;
};

QString parentOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

// Links are never followed, and a link is never counted as the folder's: it spends nothing of its own
// worth bounding, and what it leads to is not the folder's.
constexpr QDir::Filters kOwnEntries = QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks;

bool isLink(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() || info.isJunction();
}

} // namespace

BoundedCacheFolder::BoundedCacheFolder(const QString& folder, qint64 maximumBytes)
    : m_folder(QDir::cleanPath(QDir(folder).absolutePath())), m_maximumBytes(maximumBytes) {}

qint64 BoundedCacheFolder::spentOnDisk(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return 0;
    return qint64(status.st_blocks) * 512;
#else
    // Where the system does not tell the blocks: the usual allocation unit.
    constexpr qint64 kAssumedBlockBytes = 4096;
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return 0;
    return (info.size() + kAssumedBlockBytes - 1) / kAssumedBlockBytes * kAssumedBlockBytes;
#endif
}

QStringList BoundedCacheFolder::stepsTo(const QString& path) const {
    const QString clean = QDir::cleanPath(QDir(m_folder).absoluteFilePath(path));
    if (!clean.startsWith(m_folder + QLatin1Char('/')))
        return {};
    QStringList steps;
    for (qsizetype slash = clean.indexOf(QLatin1Char('/'), m_folder.size() + 1); slash > 0;
         slash = clean.indexOf(QLatin1Char('/'), slash + 1))
        steps << clean.left(slash);
    steps << clean;
    return steps;
}

bool BoundedCacheFolder::holds(const QString& path) const {
    const QStringList steps = stepsTo(path);
    return !steps.isEmpty() && std::none_of(steps.cbegin(), steps.cend(), isLink);
}

bool BoundedCacheFolder::clearWay(const QString& path) {
    const QStringList steps = stepsTo(path);
    if (steps.isEmpty())
        return false;
    for (const QString& step : steps) {
        if (!isLink(step))
            continue;
        // QFile removes the link itself, not what it leads to.
        qCWarning(lcCacheFolder) << "removing a link planted in the cache:" << step;
        if (!QFile::remove(step))
            return false;
        break; // nothing below it is there any more
    }
    return true;
}

void BoundedCacheFolder::count() {
    m_bytes = 0;
    m_folders.clear();
    QDirIterator it(m_folder, QDir::Files | QDir::Dirs | kOwnEntries, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileInfo().isDir())
            m_folders.insert(path);
        m_bytes += spentOnDisk(path);
    }
}

qint64 BoundedCacheFolder::bytes() {
    if (m_bytes < 0)
        count();
    return m_bytes;
}

void BoundedCacheFolder::used(const QString& path) {
    if (!holds(path))
        return;
    QFile file(path);
    // Opened for the change of time only; a file that cannot be touched is merely trimmed sooner.
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
}

void BoundedCacheFolder::added(const QString& path) {
    if (!holds(path)) {
        qCWarning(lcCacheFolder) << "not counting a file reached through a link:" << path;
        return;
    }
    if (m_bytes < 0) {
        // Counting first takes the new file and its folders in already.
        count();
    } else {
        m_bytes += spentOnDisk(path);
        for (QString folder = parentOf(path); folder.startsWith(m_folder + QLatin1Char('/'));
             folder = parentOf(folder)) {
            if (m_folders.contains(folder))
                break;
            m_folders.insert(folder);
            m_bytes += spentOnDisk(folder);
        }
    }
    if (m_bytes > m_maximumBytes)
        trim();
}

bool BoundedCacheFolder::remove(const QString& path) {
    if (!holds(path))
        return false;
    const qint64 spent = spentOnDisk(path);
    if (!QFile::remove(path))
        return false;
    const qint64 folders = removeEmptiedFolders(path);
    if (m_bytes >= 0)
        m_bytes = std::max<qint64>(0, m_bytes - spent - folders);
    return true;
}

qint64 BoundedCacheFolder::removeEmptiedFolders(const QString& path) {
    qint64 freed = 0;
    QDir root(m_folder);
    for (QString folder = parentOf(path); folder.startsWith(m_folder + QLatin1Char('/'));
         folder = parentOf(folder)) {
        const qint64 spent = spentOnDisk(folder);
        // Fails while anything is left in the folder.
        if (!root.rmdir(folder))
            break;
        m_folders.remove(folder);
        freed += spent;
    }
    return freed;
}

void BoundedCacheFolder::trim() {
    // Counted again: the folder is the truth, whatever this count missed.
    count();
    qint64 total = m_bytes;
    // Folders left empty before (by earlier versions, or by files removed behind this count's back)
    // go first, the deepest first.
    QStringList folders(m_folders.cbegin(), m_folders.cend());
    std::sort(folders.begin(), folders.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    const QDir root(m_folder);
    for (const QString& folder : folders) {
        const qint64 spent = spentOnDisk(folder);
        // Fails while anything is left in the folder.
        if (root.rmdir(folder)) {
            m_folders.remove(folder);
            total -= spent;
        }
    }
    std::vector<CachedFile> files;
    QDirIterator it(m_folder, QDir::Files | kOwnEntries, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.push_back({path, spentOnDisk(path), it.fileInfo().lastModified()});
    }
    std::sort(files.begin(), files.end(),
              [](const CachedFile& a, const CachedFile& b) { return a.usedAt < b.usedAt; });
    const qint64 goal = m_maximumBytes / 4 * 3;
    int dropped = 0;
    for (const CachedFile& file : files) {
        if (total <= goal)
            break;
        if (QFile::remove(file.path)) {
            total -= file.spent + removeEmptiedFolders(file.path);
            ++dropped;
        }
    }
    qCDebug(lcCacheFolder) << "trimmed" << m_folder << "by" << dropped << "files to" << total << "bytes";
    m_bytes = std::max<qint64>(0, total);
}

} // namespace pelnix::platform
