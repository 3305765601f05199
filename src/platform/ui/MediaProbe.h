#pragma once

#include "platform/PLError.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <optional>

class QMediaPlayer;
class QVideoSink;
class QTimer;

namespace pelnix::platform::ui {

// What a media file holds, read without playing it: its length and, for a video, one frame.
struct MediaInfo {
    qint64 duration = 0; // milliseconds
    bool hasVideo = false;
    QImage thumbnail;
    std::optional<PLError> error;
};

// Reads a MediaInfo in the background of the main thread: the file is opened, one frame is
// decoded a moment into the video, and the answer comes once, also when the file cannot be read
// or the backend stays silent.
class MediaProbe : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(const MediaInfo& info)>;
    static constexpr int kTimeoutMs = 15000;

    // The completion runs on the main thread, unless `context` is gone by then.
    static void probe(const QUrl& url, QObject* context, Completion completion);

private:
    MediaProbe(const QUrl& url, QObject* context, Completion completion);
    void finish(std::optional<PLError> error = std::nullopt);

    QPointer<QObject> m_context;
    bool m_hadContext;
    Completion m_completion;
    QMediaPlayer* m_player;
    QVideoSink* m_sink;
    QTimer* m_timeout;
    MediaInfo m_info;
    bool m_seeking = false;
    bool m_done = false;
};

} // namespace pelnix::platform::ui
