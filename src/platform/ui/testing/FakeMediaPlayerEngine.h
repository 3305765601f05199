#pragma once

#include "platform/ui/MediaPlayer.h"
#include "platform/ui/MediaPlayerEngine.h"

#include <QCoreApplication>
#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QSemaphore>
#include <QThread>
#include <QVideoFrameFormat>

#include <atomic>
#include <memory>

namespace pelnix::platform::ui {

// Plays nothing: records each call and answers a load as its script says for the source's file name.
// Like the media stack it replaced, it starts playing whatever it is told to, loaded or not.
class FakeMediaPlayerEngine : public MediaPlayerEngine {
public:
    static constexpr qint64 kDuration = 3000;

    enum class Answer {
        Loads,
        Fails,
        // No answer at all, as a backend that never settles a source.
        NeverSettles,
        // Waits for the gate first, as a media stack in a deadlock; then loads.
        Blocks
    };

    // Shared by the engines a test's players make, which may outlive the players. The tables are set
    // before the first engine is made and only read afterwards.
    struct Script {
        QHash<QString, Answer> answers;
        QHash<QString, qint64> durations;
        QSemaphore gate;
        std::atomic<bool> blocked{false};
        std::atomic<bool> openedInTime{true};
        std::atomic<int> made{0};
        std::atomic<int> endedOffTheMainThread{0};
        // Main thread only: the engines made, newest last.
        QList<QPointer<FakeMediaPlayerEngine>> engines;

        void record(const QString& call) {
            QMutexLocker locker(&m_mutex);
            m_calls << call;
        }
        QStringList recorded() {
            QMutexLocker locker(&m_mutex);
            return m_calls;
        }

    private:
        QMutex m_mutex;
        QStringList m_calls;
    };

    explicit FakeMediaPlayerEngine(std::shared_ptr<Script> script) : m_script(std::move(script)) {
        ++m_script->made;
        m_script->engines << this;
    }
    ~FakeMediaPlayerEngine() override {
        if (QThread::currentThread() != qApp->thread())
            ++m_script->endedOffTheMainThread;
    }

    void start() override { m_script->record(QStringLiteral("start")); }
    void load(const QUrl& url) override {
        const QString name = url.fileName();
        m_script->record(QStringLiteral("load ") + name);
        const qint64 duration = m_script->durations.value(name, kDuration);
        switch (m_script->answers.value(name, Answer::Loads)) {
        case Answer::Fails:
            emit errorOccurred(PLError(QString::fromLatin1(MediaPlayer::ErrorDomain),
                                       MediaPlayer::FormatError, QStringLiteral("unreadable")));
            emit loaded(false, 0);
            return;
        case Answer::NeverSettles:
            m_unsettled = name;
            return;
        case Answer::Blocks:
            m_script->blocked = true;
            // Long past any bound: an engine still here then was waited for by nobody but the caller.
            m_script->openedInTime = m_script->gate.tryAcquire(1, 20000);
            break;
        case Answer::Loads:
            break;
        }
        emit durationChanged(duration);
        emit loaded(true, duration);
    }
    // Opens the source the script left unsettled, as a backend that took its time; on the engine's thread.
    void settle() {
        const qint64 duration = m_script->durations.value(std::exchange(m_unsettled, {}), kDuration);
        emit durationChanged(duration);
        emit loaded(true, duration);
    }
    void play() override { turn(QStringLiteral("play"), true); }
    void pause() override { turn(QStringLiteral("pause"), false); }
    void stop() override { turn(QStringLiteral("stop"), false); }
    void setPosition(qint64 ms) override {
        m_script->record(QStringLiteral("position %1").arg(ms));
        emit positionChanged(ms);
    }
    void setRate(qreal rate) override { m_script->record(QStringLiteral("rate %1").arg(rate)); }
    void showVideo() override {
        m_script->record(QStringLiteral("video"));
        emit frameChanged(QVideoFrame(QVideoFrameFormat(QSize(4, 2), QVideoFrameFormat::Format_BGRA8888)));
    }

private:
    void turn(const QString& call, bool playing) {
        m_script->record(call);
        emit playbackStateChanged(playing);
    }

    std::shared_ptr<Script> m_script;
    QString m_unsettled;
};

} // namespace pelnix::platform::ui
