#pragma once

#include "platform/PLError.h"

#include <QImage>
#include <QUrl>
#include <functional>
#include <optional>

namespace pelnix::platform::ui {

// What a media file holds, read without playing it: its length and, for a video, one frame.
struct MediaInfo {
    qint64 duration = 0; // milliseconds
    bool hasVideo = false;
    QImage thumbnail;
    std::optional<PLError> error;
};

// Reads a MediaInfo without holding up the main thread: a media worker opens the file and decodes
// one frame a moment into the video, and the answer comes once, also when the file cannot be read
// or the media stack stays silent (the worker is then killed).
class MediaProbe {
public:
    using Completion = std::function<void(const MediaInfo& info)>;
    static constexpr int kTimeoutMs = 15000;

    // The completion runs on the main thread, unless `context` is gone by then.
    static void probe(const QUrl& url, QObject* context, Completion completion);
};

} // namespace pelnix::platform::ui
