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
    };
    // Key: (due time, id) keeps due order stable for equal times.
    using Key = std::pair<qint64, Id>;

    void rearm();
    void runDue(qint64 upTo);

    std::map<Key, Entry> m_queue;
    Id m_next = 1;
    bool m_virtual = false;
    qint64 m_virtualNow = 0;
    QTimer m_timer;
};

} // namespace pelnix::platform::ui
