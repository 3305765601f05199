#pragma once

#include <QImage>
#include <QString>
#include <functional>

namespace pelnix {

// Reads a media file's duration and, for a video, a picture from its start. The media stack runs in
// a worker process that is killed at the time bound (it can deadlock while a source is set), so no
// caller's thread ever waits longer than that. A null picture for audio, for a file that cannot be
// read, or when the stack does not answer in time.
class PLVideoThumbnailer {
public:
    using Completion = std::function<void(const QImage& thumbnail, qint64 durationMs)>;

    // The answer comes once, on the main thread, unless the session ends first.
    static void thumbnailAndDuration(const QString& path, Completion completion, int timeoutMs = 5000);
    // Sign-out: the reads asked for until now are dropped. Those waiting for a worker's place leave
    // the queue, running workers are ended, and none of them answers: the next session's reads wait
    // for none of the last one's. Main thread.
    static void endSession();
    // The picture alone, for callers that need it before they return (the media handler): any
    // thread but the main one, waiting at most about `timeoutMs`. On the main thread it is a null
    // picture at once (a warning): the read would wait for places only that thread gives back.
    static QImage thumbnailFromVideoAtPath(const QString& path, int timeoutMs = 5000);
};

} // namespace pelnix
