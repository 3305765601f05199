#pragma once

#include "MediaPlayer.h"

#include <QPointer>

class QMediaPlayer;
class QAudioOutput;

namespace pelnix::platform::ui {

class VideoView;

// The player on Qt Multimedia: sound to the default output, pictures to a VideoView.
class QtMediaPlayer : public MediaPlayer {
    Q_OBJECT
public:
    explicit QtMediaPlayer(QObject* parent = nullptr);
    ~QtMediaPlayer() override;

    void load(const QUrl& url) override;
    void play() override;
    void pause() override;
    void stop() override;
    bool isPlaying() const override;
    qint64 duration() const override;
    qint64 position() const override;
    void setPosition(qint64 ms) override;
    qreal rate() const override;
    void setRate(qreal rate) override;
    QWidget* videoView() override;

private:
    void fail(int code, const QString& text);

    QMediaPlayer* m_player;
    QAudioOutput* m_audio;
    QPointer<VideoView> m_view;
    // One answer per load: loaded, or an error.
    bool m_answered = false;
    bool m_failed = false;
    quint64 m_load = 0;
};

} // namespace pelnix::platform::ui
