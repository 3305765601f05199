#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <functional>

class QMediaPlayer;
class QVideoSink;
class QVideoFrame;

namespace pelnix {

// Reads a media file's duration and, for a video, a picture from its start through the platform's
// media stack. The answer comes once, on the main thread: a null picture for audio, for a file that
// cannot be read, in an application without Qt's GUI side, or when the stack does not answer in time.
class PLVideoThumbnailer : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(const QImage& thumbnail, qint64 durationMs)>;

    static void thumbnailAndDuration(const QString& path, Completion completion, int timeoutMs = 5000);
    // The picture alone, for callers that need it before they return (the media handler): the media
    // stack works on a thread of its own while the caller waits, at most about `timeoutMs`. Any
    // thread; a null picture when there is none.
    static QImage thumbnailFromVideoAtPath(const QString& path, int timeoutMs = 5000);

private:
    PLVideoThumbnailer(const QString& path, Completion completion, int timeoutMs);
    void frameArrived(const QVideoFrame& frame);
    void finish(const QImage& thumbnail);

    QMediaPlayer* m_player;
    QVideoSink* m_sink;
    Completion m_completion;
    qint64 m_duration = 0;
    bool m_done = false;
};

} // namespace pelnix
