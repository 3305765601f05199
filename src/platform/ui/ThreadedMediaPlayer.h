#pragma once

#include "MediaPlayer.h"

#include <QPointer>
#include <QTimer>

#include <atomic>
#include <memory>

class QThread;

namespace pelnix::platform::ui {

class MediaPlayerEngine;
class VideoView;

// A player whose media engine runs on a thread of its own. Qt's GStreamer backend can deadlock while
// a source is set: there that costs this player's thread, never the caller's. No call waits for the
// engine, the getters tell what the engine last said, and an engine that has not returned from a call
// within the bound is given up: the player stops with a TimedOutError, and the next load starts a new
// engine. Pictures go to a VideoView on the caller's thread.
class ThreadedMediaPlayer : public MediaPlayer {
    Q_OBJECT
public:
    using EngineMaker = std::function<MediaPlayerEngine*()>;
    static constexpr int kStuckBoundMs = 5000;

    explicit ThreadedMediaPlayer(EngineMaker makeEngine, QObject* parent = nullptr,
                                 int stuckBoundMs = kStuckBoundMs);
    ~ThreadedMediaPlayer() override;

    void load(const QUrl& url) override;
    void play() override;
    void pause() override;
    void stop() override;
    bool isPlaying() const override { return m_playing; }
    qint64 duration() const override { return m_duration; }
    qint64 position() const override { return m_position; }
    void setPosition(qint64 ms) override;
    qreal rate() const override { return m_rate; }
    void setRate(qreal rate) override;
    QWidget* videoView() override;

private:
    static void endAllEngines();
    void startEngine();
    // Tells the current engine's answers to the handler. One the engine sent before it was given up
    // may still be on its way: it is dropped.
    template <typename Signal, typename Handler> void relay(Signal signal, Handler handler) {
        connect(m_engine, signal, this, [this, engine = m_engines, handler](const auto&... answer) {
            if (engine == m_engines)
                handler(answer...);
        });
    }
    void showVideo();
    void post(std::function<void(MediaPlayerEngine&)> call);
    void checkEngine();
    void giveUp();
    // Lets the engine end on its thread after the calls already posted; never waits for it.
    void releaseEngine();

    EngineMaker m_makeEngine;
    const int m_stuckBoundMs;
    MediaPlayerEngine* m_engine = nullptr; // lives on m_thread
    // Counts engines started and given up: it names the one whose answers are told.
    quint64 m_engines = 0;
    QThread* m_thread = nullptr;
    // Calls the engine has returned from, counted on its thread.
    std::shared_ptr<std::atomic<quint64>> m_returned;
    quint64 m_posted = 0;
    quint64 m_returnedAtCheck = 0;
    QTimer m_watchdog;
    QPointer<VideoView> m_view;
    bool m_loading = false;
    bool m_playing = false;
    qint64 m_duration = 0;
    qint64 m_position = 0;
    qreal m_rate = 1.0;
};

} // namespace pelnix::platform::ui
