#include "ThreadedMediaPlayer.h"

#include "MediaPlayerEngine.h"
#include "VideoView.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QSet>
#include <QThread>

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

ThreadedMediaPlayer::ThreadedMediaPlayer(EngineMaker makeEngine, QObject* parent, int stuckBoundMs)
    : MediaPlayer(parent), m_makeEngine(std::move(makeEngine)), m_stuckBoundMs(stuckBoundMs) {
    m_watchdog.setSingleShot(true);
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    connect(&m_watchdog, &QTimer::timeout, this, &ThreadedMediaPlayer::checkEngine);
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

void ThreadedMediaPlayer::startEngine() {
    m_returned = std::make_shared<std::atomic<quint64>>(0);
    m_posted = 0;
    m_engine = m_makeEngine();
    // Not owned by this player: it ends after its engine, and a thread stuck in the media stack is
    // left as it is.
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("media player"));
    m_engine->moveToThread(m_thread);
    connect(m_engine, &QObject::destroyed, m_thread, &QThread::quit, Qt::DirectConnection);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    ++m_engines;
    relay(&MediaPlayerEngine::loaded, [this](bool ok, qint64 durationMs) {
        m_loading = false;
        if (ok)
            m_duration = durationMs;
        emit loaded(ok);
    });
    relay(&MediaPlayerEngine::playbackStateChanged, [this](bool playing) {
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
    post([](MediaPlayerEngine& engine) { engine.start(); });
    if (m_view)
        showVideo();
}

void ThreadedMediaPlayer::post(std::function<void(MediaPlayerEngine&)> call) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!m_engine)
        return;
    ++m_posted;
    QMetaObject::invokeMethod(
        m_engine,
        [engine = m_engine, returned = m_returned, call = std::move(call)] {
            call(*engine);
            returned->fetch_add(1);
        },
        Qt::QueuedConnection);
    if (!m_watchdog.isActive()) {
        m_returnedAtCheck = m_returned->load();
        m_watchdog.start(m_stuckBoundMs);
    }
}

void ThreadedMediaPlayer::checkEngine() {
    const quint64 returned = m_returned->load();
    if (returned == m_posted)
        return;
    // Read from the engine's own count: a main thread that was busy meanwhile makes no engine stuck.
    if (returned == m_returnedAtCheck) {
        giveUp();
        return;
    }
    m_returnedAtCheck = returned;
    m_watchdog.start(m_stuckBoundMs);
}

void ThreadedMediaPlayer::giveUp() {
    qCWarning(lcMediaPlayer) << "the media engine did not answer in time; a new one serves the next load";
    releaseEngine();
    const bool wasLoading = std::exchange(m_loading, false);
    if (std::exchange(m_playing, false))
        emit playbackStateChanged(false);
    emit errorOccurred(PLError(QString::fromLatin1(ErrorDomain), TimedOutError,
                               QStringLiteral("The player did not answer in time.")));
    if (wasLoading)
        emit loaded(false);
}

void ThreadedMediaPlayer::releaseEngine() {
    m_watchdog.stop();
    if (!m_engine)
        return;
    ++m_engines;
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
    post([](MediaPlayerEngine& engine) { engine.showVideo(); });
}

void ThreadedMediaPlayer::load(const QUrl& url) {
    if (!m_engine)
        startEngine();
    m_loading = true;
    post([url](MediaPlayerEngine& engine) { engine.load(url); });
}

void ThreadedMediaPlayer::play() {
    post([](MediaPlayerEngine& engine) { engine.play(); });
}

void ThreadedMediaPlayer::pause() {
    post([](MediaPlayerEngine& engine) { engine.pause(); });
}

void ThreadedMediaPlayer::stop() {
    post([](MediaPlayerEngine& engine) { engine.stop(); });
}

void ThreadedMediaPlayer::setPosition(qint64 ms) {
    post([ms = qMax<qint64>(0, ms)](MediaPlayerEngine& engine) { engine.setPosition(ms); });
}

void ThreadedMediaPlayer::setRate(qreal rate) {
    if (rate <= 0)
        return;
    m_rate = rate;
    post([rate](MediaPlayerEngine& engine) { engine.setRate(rate); });
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
