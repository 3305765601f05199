#pragma once

#include "MediaPlayer.h"

#include <QPointer>

#include <deque>
#include <memory>
#include <utility>
#include <vector>

class QThread;

namespace pelnix::platform::ui {

class MediaPlayerEngine;
class VideoView;

// A player whose media engine runs on a thread of its own. Qt's GStreamer backend can deadlock while
// a source is set: there that costs this player's thread, never the caller's. No call waits for the
// engine, and the getters tell what the engine last said.
//
// A load supersedes every earlier one the engine has not begun, with the calls made for it; only the
// current load's answers are told. Every call is bounded, counted from the oldest one unanswered: an
// engine that has not returned from a call within the bound is given up. When it is stuck in a call
// made before the current load, that load and the calls made for it begin on a new engine, with a
// bound of their own, and nothing is told of the superseded call; else the player stops with a
// TimedOutError, and the next load starts a new engine. A load the engine has not answered within the
// bound fails with a TimedOutError. A load is told to play only after its answer, loaded, and a failed
// load plays nothing. The bound runs on the scheduler's clock. Pictures go to a VideoView on the
// caller's thread.
class ThreadedMediaPlayer : public MediaPlayer {
    Q_OBJECT
public:
    using EngineMaker = std::function<MediaPlayerEngine*()>;
    static constexpr int kBoundMs = 5000;

    explicit ThreadedMediaPlayer(EngineMaker makeEngine, QObject* parent = nullptr, int boundMs = kBoundMs);
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
    using EngineCall = std::function<void(MediaPlayerEngine&)>;
    // What the engine's thread and this player tell each other without waiting.
    struct Lane;
    enum class Call {
        Load,
        // Belongs to the load made before it: dropped with it when a later load supersedes it.
        ForTheLoad,
        // Holds for whatever is loaded.
        Always
    };

    static void endAllEngines();
    void startEngine();
    template <typename Signal, typename Handler> void relay(Signal signal, Handler handler);
    void showVideo();
    void post(Call kind, EngineCall call);
    // Tells that nothing plays, when something did, and forgets a playing not yet told.
    void stopPlaying();
    // Forgets the issue times of the calls the engine has returned from, and the current load's calls
    // once the engine has begun it.
    void retire();
    // When the oldest call still unanswered was made; -1 for none.
    qint64 oldestUnanswered() const;
    void watch();
    void check();
    void giveUp();
    // Begins the current load, with the calls made for it, on a new engine.
    void moveLoadToANewEngine();
    void failUnsettledLoad();
    // Lets the engine end on its thread; calls still queued for it are dropped. Never waits for it.
    void releaseEngine();

    EngineMaker m_makeEngine;
    const int m_boundMs;
    MediaPlayerEngine* m_engine = nullptr; // lives on m_thread
    // Counts engines started and given up: it names the one whose answers are told.
    quint64 m_engines = 0;
    QThread* m_thread = nullptr;
    std::shared_ptr<Lane> m_lane;
    // The issue times of the calls posted to the engine that it is not known to have returned from,
    // oldest first, and how many calls were retired before them.
    std::deque<qint64> m_issued;
    quint64 m_retired = 0;
    quint64 m_check = 0;
    // Loads are numbered for the player's life; m_load is the current one, 0 before the first.
    quint64 m_loads = 0;
    quint64 m_load = 0;
    // The load the engine has begun, as its answers reach this thread.
    quint64 m_served = 0;
    qint64 m_loadIssuedAt = 0;
    // The current load's own call and those made for it, kept while the engine has not begun it.
    std::vector<std::pair<Call, EngineCall>> m_loadCalls;
    // A load is moved to a new engine once: one that gets stuck there too fails.
    quint64 m_movedLoad = 0;
    bool m_answered = true;
    bool m_failed = false;
    QPointer<VideoView> m_view;
    bool m_playing = false;
    // The engine said it plays before the current load was answered.
    bool m_playingHeld = false;
    qint64 m_duration = 0;
    qint64 m_position = 0;
    qreal m_rate = 1.0;
};

} // namespace pelnix::platform::ui
