#pragma once

#include <QString>

namespace pelnix::platform {

// A folder of cached files (subfolders included) kept under a total size. Files count as used when
// written or read (their modification time); once the total passes the bound, the least recently
// used go until it is down to three quarters of it, so trimming is rare. The folder is counted once,
// on first need. Used from one thread, the one that reads and writes the files.
class BoundedCacheFolder {
public:
    BoundedCacheFolder(const QString& folder, qint64 maximumBytes);

    // A cached file that was just read: it is kept over files not used since.
    void used(const QString& path);
    // A cached file that was just written (`bytes` long); trims the folder when it has grown past
    // its bound.
    void added(qint64 bytes);
    // A cached file that was removed by its user.
    void removed(qint64 bytes);

    qint64 maximumBytes() const { return m_maximumBytes; }
    // What the folder holds by this count (counted on first need).
    qint64 bytes();

private:
    void trim();

    QString m_folder;
    qint64 m_maximumBytes;
    qint64 m_bytes = -1; // not counted yet
};

} // namespace pelnix::platform
