#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

namespace pelnix::platform {

// A folder of cached files (subfolders included) kept under what it spends on disk: the blocks of its
// files and subfolders, not their lengths, since a tile of a hundred bytes still takes a whole block
// (and a folder of its own takes another). Files count as used when written or read (their
// modification time); once the total passes the bound, the least recently used go until it is down
// to three quarters of it, so trimming is rare, and the folders they leave empty go with them. The
// folder is counted once, on first need. Used from one thread, the one that reads and writes the
// files.
//
// A link inside the folder (planted, or left by a copy) leads elsewhere: the folder never follows one,
// neither to count, trim, touch or remove, and clearWay() removes the links on a file's way (never what
// they lead to) before it is read or written.
class BoundedCacheFolder {
public:
    BoundedCacheFolder(const QString& folder, qint64 maximumBytes);

    // What a file or folder takes on disk: its allocated blocks (its length rounded up to a block
    // where the system does not tell); 0 when there is none.
    static qint64 spentOnDisk(const QString& path);

    // Whether `path` lies below the folder through real folders only (no part of it a link).
    bool holds(const QString& path) const;
    // Makes `path` a place below the folder: the links on its way below the folder are removed, what
    // they lead to untouched. False when `path` is not below the folder or a link stays.
    bool clearWay(const QString& path);

    // A cached file that was just read: it is kept over files not used since.
    void used(const QString& path);
    // A cached file that was just written, in folders made for it or not; trims the folder when it
    // has grown past its bound. A file reached through a link is not the folder's and is not counted.
    void added(const QString& path);
    // Removes a cached file, and the folders it leaves empty. Whether the file is gone (never when
    // the path passes a link).
    bool remove(const QString& path);

    qint64 maximumBytes() const { return m_maximumBytes; }
    // What the folder spends on disk by this count (counted on first need).
    qint64 bytes();

private:
    // The paths from the folder's first level down to `path`; empty when `path` is not below it.
    QStringList stepsTo(const QString& path) const;
    void count();
    void trim();
    // Removes the empty folders from `path`'s folder up to (not including) the root; what they spent.
    qint64 removeEmptiedFolders(const QString& path);

    QString m_folder;
    qint64 m_maximumBytes;
    qint64 m_bytes = -1; // not counted yet
    // The subfolders counted, so that a folder made for a new file is counted once.
    QSet<QString> m_folders;
};

} // namespace pelnix::platform
