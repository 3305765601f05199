#include "ThreadedMediaPlayer.h"

#include "MediaPlayerEngine.h"
#include "Scheduler.h"
#include "VideoView.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QSet>
#include <QThread>

#include <atomic>

namespace pelnix::platform::ui {

Q_LOGGING_CATEGORY(lcMediaPlayer, "pelnix.ui.mediaplayer", QtWarningMsg)

namespace {
// How long the application's end waits for engines to close their media stack, all together.
constexpr int kEndWaitMs = 2000;

// Both on the main thread only.
QSet<ThreadedMediaPlayer*>& livePlayers() {
    static QSet<ThreadedMediaPlayer*> players;
    return players;
}
QList<QPointer<QThread>>& endingThreads() {
    static QList<QPointer<QThread>> threads;
    return threads;
}
} // namespace

struct ThreadedMediaPlayer::Lane {
    // Set by the player.
    std::atomic<quint64> latestLoad{0};
    std::atomic<bool> abandoned{false};
    // Set on the engine's thread.
    std::atomic<quint64> servedLoad{0};
    // The load whose answer the engine has sent, though the player may not have heard it yet.
    std::atomic<quint64> answeredLoad{0};
    std::atomic<quint64> returned{0};
};

// An engine still closing its media stack while the process's statics are torn down would touch what
// is gone: the application's end lets every engine end, and waits a bounded time for them.
void ThreadedMediaPlayer::endAllEngines() {
    for (ThreadedMediaPlayer* player : std::as_const(livePlayers()))
        player->releaseEngine();
    const QDeadlineTimer deadline(kEndWaitMs);
    for (const QPointer<QThread>& thread : std::as_const(endingThreads()))
        if (thread)
            thread->wait(deadline);
    endingThreads().clear();
}

ThreadedMediaPlayer::ThreadedMediaPlayer(EngineMaker makeEngine, QObject* parent, int boundMs)
    : MediaPlayer(parent), m_makeEngine(std::move(makeEngine)), m_boundMs(boundMs) {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    // Once for the application there is, whichever it is.
    qRemovePostRoutine(&ThreadedMediaPlayer::endAllEngines);
    qAddPostRoutine(&ThreadedMediaPlayer::endAllEngines);
    livePlayers().insert(this);
    startEngine();
}

ThreadedMediaPlayer::~ThreadedMediaPlayer() {
    livePlayers().remove(this);
    releaseEngine();
    delete m_view.data();
}

// Tells the current engine's answers about the current load to the handler. An answer the engine sent
// before it was given up, or about a load superseded since, may still be on its way: it is dropped, as
// is all a failed load says after its failure.
template <typename Signal, typename Handler> void ThreadedMediaPlayer::relay(Signal signal, Handler handler) {
    connect(m_engine, signal, this, [this, engine = m_engines, handler](const auto&... answer) {
        if (engine == m_engines && m_served == m_load && !m_failed)
            handler(answer...);
    });
}

void ThreadedMediaPlayer::startEngine() {
    m_lane = std::make_shared<Lane>();
    m_lane->latestLoad = m_load;
    m_issued.clear();
    m_retired = 0;
    m_served = 0;
    m_engine = m_makeEngine();
    // Not owned by this player: it ends after its engine, and a thread stuck in the media stack is
    // left as it is.
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("media player"));
    m_engine->moveToThread(m_thread);
    connect(m_engine, &QObject::destroyed, m_thread, &QThread::quit, Qt::DirectConnection);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    ++m_engines;
    // Heard in order with the engine's answers, so each answer is known to be about this load.
    connect(m_engine, &MediaPlayerEngine::began, this, [this, engine = m_engines](quint64 load) {
        if (engine == m_engines)
            m_served = load;
    });
    connect(
        m_engine, &MediaPlayerEngine::loaded, m_engine,
        [lane = m_lane](bool, qint64) { lane->answeredLoad = lane->servedLoad.load(); },
        Qt::DirectConnection);
    relay(&MediaPlayerEngine::loaded, [this](bool ok, qint64 durationMs) {
        if (std::exchange(m_answered, true))
            return;
        if (ok) {
            m_duration = durationMs;
        } else {
            m_failed = true;
            stopPlaying();
        }
        const QPointer<ThreadedMediaPlayer> alive(this);
        emit loaded(ok);
        // Whoever heard the answer may have closed the player, or loaded anew, which forgets the playing.
        if (alive && std::exchange(m_playingHeld, false)) {
            m_playing = true;
            emit playbackStateChanged(true);
        }
    });
    // Each report is told, as the backend tells each change of its state (paused after stopped too).
    // The backend says it plays as soon as it is asked, before it has opened the source, and then
    // fails a source it cannot open: playing is told once the source has opened.
    relay(&MediaPlayerEngine::playbackStateChanged, [this](bool playing) {
        m_playingHeld = playing && !m_answered;
        if (m_playingHeld)
            return;
        m_playing = playing;
        emit playbackStateChanged(playing);
    });
    relay(&MediaPlayerEngine::durationChanged, [this](qint64 ms) {
        m_duration = ms;
        emit durationChanged(ms);
    });
    relay(&MediaPlayerEngine::positionChanged, [this](qint64 ms) {
        m_position = ms;
        emit positionChanged(ms);
    });
    relay(&MediaPlayerEngine::finished, [this] { emit finished(); });
    relay(&MediaPlayerEngine::errorOccurred, [this](const PLError& error) { emit errorOccurred(error); });
    m_thread->start();
    post(Call::Always, [](MediaPlayerEngine& engine) { engine.start(); });
    if (m_view)
        showVideo();
    if (m_rate != 1.0)
        post(Call::Always, [rate = m_rate](MediaPlayerEngine& engine) { engine.setRate(rate); });
}

void ThreadedMediaPlayer::post(Call kind, EngineCall call) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!m_engine)
        return;
    retire();
    if (kind != Call::Always && m_load != 0 && m_lane->servedLoad < m_load)
        m_loadCalls.emplace_back(kind, call);
    m_issued.push_back(Scheduler::shared()->now());
    QMetaObject::invokeMethod(
        m_engine,
        [engine = m_engine, lane = m_lane, load = m_load, kind, call = std::move(call)] {
            const bool superseded = kind != Call::Always && load < lane->latestLoad;
            if (!superseded && !lane->abandoned) {
                if (kind == Call::Load)
                    lane->servedLoad = load;
                call(*engine);
            }
            lane->returned.fetch_add(1);
        },
        Qt::QueuedConnection);
    watch();
}

void ThreadedMediaPlayer::stopPlaying() {
    m_playingHeld = false;
    if (std::exchange(m_playing, false))
        emit playbackStateChanged(false);
}

void ThreadedMediaPlayer::retire() {
    // Read from the engine's own count: a main thread that was busy meanwhile makes no engine stuck.
    for (const quint64 returned = m_lane->returned; m_retired < returned && !m_issued.empty(); ++m_retired)
        m_issued.pop_front();
    if (m_lane->servedLoad >= m_load)
        m_loadCalls.clear();
}

qint64 ThreadedMediaPlayer::oldestUnanswered() const {
    qint64 oldest = m_issued.empty() ? -1 : m_issued.front();
    const bool awaitingLoad = !m_answered && m_lane->answeredLoad < m_load;
    if (awaitingLoad && (oldest < 0 || m_loadIssuedAt < oldest))
        oldest = m_loadIssuedAt;
    return oldest;
}

void ThreadedMediaPlayer::watch() {
    if (m_check || !m_engine)
        return;
    const qint64 oldest = oldestUnanswered();
    if (oldest < 0)
        return;
    m_check =
        Scheduler::shared()->performAfter(this, oldest + m_boundMs - Scheduler::shared()->now(), [this] {
            m_check = 0;
            check();
        });
}

void ThreadedMediaPlayer::check() {
    retire();
    const qint64 now = Scheduler::shared()->now();
    const qint64 oldest = oldestUnanswered();
    if (oldest >= 0 && now - oldest >= m_boundMs) {
        if (!m_issued.empty() && now - m_issued.front() >= m_boundMs)
            giveUp();
        else
            failUnsettledLoad();
        return;
    }
    watch();
}

void ThreadedMediaPlayer::giveUp() {
    qCWarning(lcMediaPlayer) << "the media engine did not answer in time; a new one takes over";
    // Stuck in a call the current load superseded: the user waits on the load, not on that call.
    const bool loadNotBegun =
        m_load != 0 && m_lane->servedLoad < m_load && m_movedLoad != m_load && !m_loadCalls.empty();
    releaseEngine();
    if (loadNotBegun) {
        moveLoadToANewEngine();
        return;
    }
    stopPlaying();
    emit errorOccurred(PLError(QString::fromLatin1(ErrorDomain), TimedOutError,
                               QStringLiteral("The player did not answer in time.")));
    if (!std::exchange(m_answered, true)) {
        m_failed = true;
        emit loaded(false);
    }
}

void ThreadedMediaPlayer::moveLoadToANewEngine() {
    m_movedLoad = m_load;
    startEngine();
    m_loadIssuedAt = Scheduler::shared()->now();
    for (auto& [kind, call] : std::exchange(m_loadCalls, {}))
        post(kind, std::move(call));
}

// The engine returned from the load, and the backend never settled it: open or failed.
void ThreadedMediaPlayer::failUnsettledLoad() {
    qCInfo(lcMediaPlayer) << "a source was not opened in time";
    // Posted before anyone hears of the failure, who may load anew at once.
    post(Call::ForTheLoad, [](MediaPlayerEngine& engine) { engine.stop(); });
    m_answered = true;
    m_failed = true;
    stopPlaying();
    emit errorOccurred(PLError(QString::fromLatin1(ErrorDomain), TimedOutError,
                               QStringLiteral("The file did not open in time.")));
    emit loaded(false);
}

void ThreadedMediaPlayer::releaseEngine() {
    if (m_check)
        Scheduler::shared()->cancel(std::exchange(m_check, 0));
    if (!m_engine)
        return;
    ++m_engines;
    m_lane->abandoned = true;
    m_engine->disconnect(this);
    disconnect(m_engine, &MediaPlayerEngine::frameChanged, nullptr, nullptr);
    m_engine->deleteLater();
    endingThreads().removeAll(nullptr);
    endingThreads().append(m_thread);
    m_engine = nullptr;
    m_thread = nullptr;
}

void ThreadedMediaPlayer::showVideo() {
    connect(m_engine, &MediaPlayerEngine::frameChanged, m_view, &VideoView::showFrame);
    post(Call::Always, [](MediaPlayerEngine& engine) { engine.showVideo(); });
}

void ThreadedMediaPlayer::load(const QUrl& url) {
    if (!m_engine)
        startEngine();
    m_load = ++m_loads;
    m_lane->latestLoad = m_load;
    m_loadIssuedAt = Scheduler::shared()->now();
    m_answered = false;
    m_failed = false;
    // Nothing is known of the new source yet; whatever the old one did is no longer told.
    m_duration = 0;
    m_position = 0;
    stopPlaying();
    m_loadCalls.clear();
    post(Call::Load, [url, load = m_load](MediaPlayerEngine& engine) { engine.begin(load, url); });
}

void ThreadedMediaPlayer::play() {
    // A failed source has nothing to play, though the backend would turn to playing all the same.
    if (m_failed)
        return;
    post(Call::ForTheLoad, [](MediaPlayerEngine& engine) { engine.play(); });
}

void ThreadedMediaPlayer::pause() {
    post(Call::ForTheLoad, [](MediaPlayerEngine& engine) { engine.pause(); });
}

void ThreadedMediaPlayer::stop() {
    post(Call::ForTheLoad, [](MediaPlayerEngine& engine) { engine.stop(); });
}

void ThreadedMediaPlayer::setPosition(qint64 ms) {
    post(Call::ForTheLoad, [ms = qMax<qint64>(0, ms)](MediaPlayerEngine& engine) { engine.setPosition(ms); });
}

void ThreadedMediaPlayer::setRate(qreal rate) {
    if (rate <= 0)
        return;
    m_rate = rate;
    post(Call::Always, [rate](MediaPlayerEngine& engine) { engine.setRate(rate); });
}

QWidget* ThreadedMediaPlayer::videoView() {
    if (!m_view) {
        m_view = new VideoView;
        if (m_engine)
            showVideo();
    }
    return m_view;
}

} // namespace pelnix::platform::ui
