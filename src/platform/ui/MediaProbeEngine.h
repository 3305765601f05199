#pragma once

#include "MediaProbe.h"
#include "platform/MediaReader.h"

#include <QObject>

class QMediaPlayer;
class QVideoSink;
class QTimer;

namespace pelnix::platform::ui {

// Reads a MediaInfo through the media stack of this process: the file is opened, one frame is
// decoded and the answer comes once, also when the file cannot be read or the stack stays silent.
// The stack can deadlock while a source is set, so only the media worker runs this; the library
// reads media through MediaReader.
class MediaProbeEngine : public QObject {
    Q_OBJECT
public:
    using FramePlace = MediaReader::FramePlace;
    // A frame of more pixels gives no picture: at 4 bytes a pixel it would not fit the worker's address
    // space beside the decoded frame at the sizes a hostile file claims. An 8K frame is 33 M.
    static constexpr qint64 kMaxPicturePixels = qint64(8192) * 8192;

    static void probe(const QUrl& url, FramePlace place, int timeoutMs, MediaProbe::Completion completion);

private:
    MediaProbeEngine(const QUrl& url, FramePlace place, int timeoutMs, MediaProbe::Completion completion);
    void finish(std::optional<PLError> error = std::nullopt);

    MediaProbe::Completion m_completion;
    FramePlace m_place;
    QMediaPlayer* m_player;
    QVideoSink* m_sink;
    QTimer* m_timeout;
    MediaInfo m_info;
    bool m_seeking = false;
    bool m_done = false;
};

} // namespace pelnix::platform::ui
