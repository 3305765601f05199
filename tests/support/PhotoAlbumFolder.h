#pragma once

#include "platform/Sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <QThreadPool>

namespace pelnix::test {

// The device's photos as the library keeps them in a test's sandbox: the saved pictures, and the
// library's own album among them.
namespace PhotoAlbumFolder {

inline QString picturesRoot() {
    return QDir(platform::Sandbox::root()).filePath(QStringLiteral("Pictures"));
}

// The pictures saved so far (each camera picture once, in the saved pictures).
inline QStringList savedPictures() {
    return QDir(picturesRoot()).entryList(QDir::Files);
}

// The pictures filed into `album`.
inline QStringList albumPictures(const QString& album = QStringLiteral("Pelnix_Images")) {
    return QDir(QDir(picturesRoot()).filePath(album)).entryList(QDir::Files);
}

// Lets every save already started finish writing (saves write on the shared thread pool, then file
// the picture into its album from the main thread), so that a count taken afterwards is final.
inline void settle() {
    for (int round = 0; round < 2; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }
}

} // namespace PhotoAlbumFolder
} // namespace pelnix::test
