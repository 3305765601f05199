#pragma once

#include "platform/ui/MediaPlayer.h"

#include <QList>

namespace pelnix::platform::ui {

// Plays nothing: records what it is asked and moves through its states when the test says so.
class FakeMediaPlayer : public MediaPlayer {
    Q_OBJECT
public:
    explicit FakeMediaPlayer(QObject* parent = nullptr) : MediaPlayer(parent) {}

    void load(const QUrl& url) override {
        loadedURLs << url;
        m_position = 0;
    }
    void play() override { setPlaying(true); }
    void pause() override { setPlaying(false); }
    void stop() override {
        setPlaying(false);
        m_position = 0;
    }
    bool isPlaying() const override { return m_playing; }
    qint64 duration() const override { return fakeDuration; }
    qint64 position() const override { return m_position; }
    void setPosition(qint64 ms) override { m_position = qBound<qint64>(0, ms, fakeDuration); }

    void finishLoading(bool ok = true) { emit loaded(ok); }
    void playToEnd() {
        m_position = fakeDuration;
        setPlaying(false);
        emit finished();
    }

    QList<QUrl> loadedURLs;
    qint64 fakeDuration = 0;

private:
    void setPlaying(bool playing) {
        if (m_playing == playing)
            return;
        m_playing = playing;
        emit playbackStateChanged(playing);
    }
    bool m_playing = false;
    qint64 m_position = 0;
};

} // namespace pelnix::platform::ui
