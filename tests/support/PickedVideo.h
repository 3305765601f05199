#pragma once

// Videos for the media road without a media stack: a picked video of a small file of its own, and
// the picture a fake media worker (FakeMediaWorker) answers for it.

#include "media/PLMultiMediaHandler.h"
#include "platform/MediaReader.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace pelnix::test {

// A picked video of its own file in `folder`, known by `fileID` (the file's name holds it).
inline PLMediaSelection pickedVideo(const QTemporaryDir& folder, const QString& fileID) {
    PLMediaSelection selection;
    selection.mediaType = PLMediaSelection::Movie;
    selection.mediaPath = folder.filePath(fileID + QStringLiteral(".mov"));
    selection.referenceURL = QStringLiteral("library://video/") + fileID;
    selection.fileID = fileID;
    QFile clip(selection.mediaPath);
    if (clip.open(QIODevice::WriteOnly))
        clip.write(QByteArray(3000, 'v') + fileID.toLatin1());
    return selection;
}

// A worker's reading of a video of `size` whose first picture is plain.
inline platform::MediaReading videoReading(const QSize& size) {
    platform::MediaReading reading;
    reading.hasVideo = true;
    reading.duration = 2000;
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(QColor(30, 120, 200));
    QBuffer png(&reading.picture);
    png.open(QIODevice::WriteOnly);
    picture.save(&png, "PNG");
    return reading;
}

} // namespace pelnix::test
