#pragma once

#include "platform/PLError.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

class QProcess;

namespace pelnix::platform {

// What the media worker read of a file. The picture stays encoded (PNG) at this layer, which links
// no GUI; the layers that show it decode it.
struct MediaReading {
    enum Failure {
        NoFailure,
        TimedOut, // the worker did not answer within the bound and was killed
        NoAnswer, // no worker could run, or it ended without a whole answer
    };
    qint64 duration = 0; // milliseconds
    bool hasVideo = false;
    QByteArray picture;
    // What the media stack said of the file (set by the worker).
    std::optional<PLError> error;
    Failure failure = NoFailure;
};

// Reads a media file's duration and one picture in a worker process (pelnix-media-worker) that is
// killed at a time bound. The media stack can deadlock while a source is being set; in a process of
// its own that costs one missing answer, never the caller's thread. A file that makes the stack
// allocate without end fails inside the worker, which runs in a bounded address space.
//
// At most MediaWorkerQueue::maxWorkers() workers live at once; a read beyond them waits for a
// place, in the order asked.
class MediaReader : public QObject {
    Q_OBJECT
public:
    // Where the picture of a video is taken.
    enum class FramePlace { Start, AMomentIn };
    using Completion = std::function<void(const MediaReading& reading)>;

    // Answers once, on the calling thread (which runs an event loop), within about `boundMs` of its
    // worker's start; the wait for a place comes before. No answer when `context` was given and is
    // gone by then: a read whose context goes stops waiting, or ends its worker.
    static void read(const QUrl& url, FramePlace place, int boundMs, QObject* context, Completion completion);
    // The same, waiting for the answer: any thread but the main one (MediaWorkerQueue::wait), at most
    // about `boundMs` in all, the wait for a place included (TimedOut when none came free). The places
    // of read()s are given back on their callers' threads: while this thread's own read()s hold every
    // place, it waits its whole bound.
    static MediaReading readNow(const QUrl& url, FramePlace place, int boundMs);

    static QString workerProgram();
    static QStringList workerArguments(const QUrl& url, FramePlace place, int boundMs);
    static std::optional<FramePlace> framePlace(const QString& argument);

    // The worker's answer on its standard output.
    static QByteArray encode(const MediaReading& reading);
    static std::optional<MediaReading> decode(const QByteArray& bytes);

private:
    MediaReader(QObject* context, Completion completion);
    ~MediaReader() override;
    void start(const QUrl& url, FramePlace place, int boundMs);
    // Its place has come: the worker starts.
    void launch();
    void finish(const MediaReading& reading);

    QPointer<QObject> m_context;
    bool m_hadContext;
    Completion m_completion;
    QUrl m_url;
    FramePlace m_place = FramePlace::Start;
    int m_boundMs = 0;
    // In MediaWorkerQueue: waiting for a place, or holding one.
    quint64 m_ticket = 0;
    QProcess* m_worker = nullptr;
    QTimer m_bound;
    bool m_done = false;
};

} // namespace pelnix::platform
