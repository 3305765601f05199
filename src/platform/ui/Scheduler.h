#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>

namespace pelnix::platform::ui {

// Delayed performs on the main thread, keyed by target so a screen can cancel its own.
//
// Works on a real clock (QTimer) by default. Tests switch the shared scheduler to a virtual clock and
// move time with advance(): due performs then run in due order (ties in scheduling order), including
// those scheduled by a perform while advancing.
class Scheduler : public QObject {
    Q_OBJECT
public:
    using Id = quint64;

    static Scheduler* shared();

    // Runs `fn` after `delayMs` unless cancelled or `target` is gone by then. A null target is allowed
    // (dispatch-after); such performs are cancelled only by id.
    Id performAfter(const QObject* target, qint64 delayMs, std::function<void()> fn);
    Id dispatchAfter(qint64 delayMs, std::function<void()> fn) {
        return performAfter(nullptr, delayMs, std::move(fn));
    }
    // Runs `fn` every `intervalMs` (at least 1) until cancelled or `target` is gone. On the virtual
    // clock each run sees now() at its own due time, however far one advance() goes.
    Id scheduleRepeating(const QObject* target, qint64 intervalMs, std::function<void()> fn);
    // Also stops a repeating perform from inside its own run.
    void cancel(Id id);
    // Cancels every pending perform of `target`.
    void cancelPerforms(const QObject* target);
    int pendingCount() const { return int(m_queue.size()); }

    // Milliseconds on the scheduler's clock.
    qint64 now() const;

    // Virtual clock for tests: time stands still until advance().
    void setVirtualClock(bool on);
    bool isVirtualClock() const { return m_virtual; }
    void advance(qint64 ms);

private:
    explicit Scheduler(QObject* parent = nullptr);
    struct Entry {
        Id id;
        QPointer<const QObject> target;
        bool hasTarget;
        std::function<void()> fn;
        qint64 intervalMs = 0;
    };
    // Key: (due time, id) keeps due order stable for equal times.
    using Key = std::pair<qint64, Id>;

    void rearm();
    void runDue(qint64 upTo);

    std::map<Key, Entry> m_queue;
    // The perform running now, and whether it was cancelled while it ran.
    Id m_running = 0;
    const QObject* m_runningTarget = nullptr;
    bool m_runningCancelled = false;
    Id m_next = 1;
    bool m_virtual = false;
    qint64 m_virtualNow = 0;
    QTimer m_timer;
};

} // namespace pelnix::platform::ui
