#include "media/PLVideoThumbnailer.h"

#include "platform/MainThread.h"
#include "platform/MediaReader.h"

#include <QLoggingCategory>
#include <QUrl>

Q_LOGGING_CATEGORY(lcThumbnailer, "pelnix.media.thumbnailer")

namespace pelnix {

namespace {

using platform::MediaReader;
using platform::MediaReading;

// The context of the session's reads: ending it drops them (MediaReader). Main thread.
QObject*& sessionContext() {
    static QObject* context = nullptr;
    return context;
}

QObject* currentSession() {
    QObject*& context = sessionContext();
    if (!context)
        context = new QObject;
    return context;
}

QImage thumbnailOf(const MediaReading& reading) {
    if (reading.picture.isEmpty())
        return {};
    return QImage::fromData(reading.picture, "PNG").convertToFormat(QImage::Format_RGB32);
}

} // namespace

void PLVideoThumbnailer::thumbnailAndDuration(const QString& path, Completion completion, int timeoutMs) {
    Q_ASSERT(platform::isMainThread());
    MediaReader::read(QUrl::fromLocalFile(path), MediaReader::FramePlace::Start, timeoutMs, currentSession(),
                      [completion = std::move(completion)](const MediaReading& reading) {
                          if (completion)
                              completion(thumbnailOf(reading), reading.duration);
                      });
}

void PLVideoThumbnailer::endSession() {
    Q_ASSERT(platform::isMainThread());
    delete std::exchange(sessionContext(), nullptr);
}

QImage PLVideoThumbnailer::thumbnailFromVideoAtPath(const QString& path, int timeoutMs) {
    if (platform::isMainThread()) {
        qCWarning(lcThumbnailer) << "a video's picture asked for on the main thread: none given; it is read"
                                    " only through the form that answers later";
        return {};
    }
    return thumbnailOf(
        MediaReader::readNow(QUrl::fromLocalFile(path), MediaReader::FramePlace::Start, timeoutMs));
}

} // namespace pelnix
