#pragma once

#include "MediaPlayerEngine.h"

#include <QAudioDevice>

class QMediaPlayer;

namespace pelnix::platform::ui {

// The media engine on Qt Multimedia: sound to the default output, pictures through a video sink.
//
// Each source has a backend player of its own. The backend tells a source's failure more than once,
// and late (a play() asked of an unreadable file fails again after the next source was set), and
// keeps the old source's duration until the new one's is known: a backend shared by every source
// would pass those off as the current source's answer.
class QtMediaPlayerEngine : public MediaPlayerEngine {
    Q_OBJECT
public:
    QtMediaPlayerEngine();
    ~QtMediaPlayerEngine() override;

    void start() override;
    void load(const QUrl& url) override;
    void play() override;
    void pause() override;
    void stop() override;
    void setPosition(qint64 ms) override;
    void setRate(qreal rate) override;
    void showVideo() override;

private:
    // A backend player for the next source, with its own audio output and video sink; the one
    // before is cut off from this engine first, so nothing it still says is heard.
    void replaceBackend();
    void addVideoSink();
    void fail(int code, const QString& text);

    QAudioDevice m_audioDevice;
    // Holds the current backend player first, then its outputs: they are deleted in that order.
    QObject* m_backend = nullptr;
    QMediaPlayer* m_player = nullptr;
    bool m_showsVideo = false;
    qreal m_rate = 1.0;
    // One answer per load: loaded, or an error.
    bool m_answered = false;
    bool m_failed = false;
    quint64 m_load = 0;
};

} // namespace pelnix::platform::ui
