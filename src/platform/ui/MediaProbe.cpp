#include "MediaProbe.h"

#include "MediaPlayer.h"
#include "platform/MediaReader.h"

#include <QCoreApplication>
#include <QThread>

namespace pelnix::platform::ui {

namespace {
PLError mediaError(MediaPlayer::ErrorCode code, const QString& text) {
    return PLError(QString::fromLatin1(MediaPlayer::ErrorDomain), code, text);
}
} // namespace

void MediaProbe::probe(const QUrl& url, QObject* context, Completion completion) {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    MediaReader::read(url, MediaReader::FramePlace::AMomentIn, kTimeoutMs, context,
                      [completion = std::move(completion)](const MediaReading& reading) {
                          MediaInfo info;
                          if (reading.failure == MediaReading::TimedOut)
                              info.error = mediaError(MediaPlayer::TimedOutError,
                                                      QStringLiteral("The file could not be read in time."));
                          else if (reading.failure == MediaReading::NoAnswer)
                              info.error = mediaError(MediaPlayer::ResourceError,
                                                      QStringLiteral("The file could not be read."));
                          else
                              info.error = reading.error;
                          if (!info.error) {
                              info.duration = reading.duration;
                              info.hasVideo = reading.hasVideo;
                              info.thumbnail = QImage::fromData(reading.picture, "PNG");
                          }
                          if (completion)
                              completion(info);
                      });
}

} // namespace pelnix::platform::ui
