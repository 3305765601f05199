#pragma once

#include "MediaPlayerEngine.h"

#include <QAudioDevice>

class QMediaPlayer;
class QAudioOutput;
class QVideoSink;

namespace pelnix::platform::ui {

// The media engine on Qt Multimedia: sound to the default output, pictures through a video sink.
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
    void fail(int code, const QString& text);

    QAudioDevice m_audioDevice;
    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    QVideoSink* m_sink = nullptr;
    // One answer per load: loaded, or an error.
    bool m_answered = false;
    bool m_failed = false;
    quint64 m_load = 0;
};

} // namespace pelnix::platform::ui
