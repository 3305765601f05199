#pragma once

#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace pelnix::platform {

// A serial queue on one dedicated thread: blocks run one at a time in the order they were added.
//
// Suspension is counted: suspend() suspends when the count is 0 and then adds 1; resume() does
// nothing at 0, resumes when the count is 1 and then subtracts 1. A running block always finishes;
// blocks added while suspended wait in order. The thread runs a Qt event loop between blocks, so
// objects living on it (network replies, timers) work as usual.
class SerialQueue : public QObject {
    Q_OBJECT
public:
    using Block = std::function<void()>;

    explicit SerialQueue(const QString& name, QObject* parent = nullptr);
    // Stops the thread after the running block; blocks not yet started are dropped.
    ~SerialQueue() override;

    QString name() const { return m_name; }

    void async(Block block);
    void suspend();
    void resume();

    bool isSuspended() const;
    int suspendCount() const;
    // Blocks added and not yet started.
    int pendingCount() const;
    // True when called from a block of this queue.
    bool isCurrent() const;
    // The thread the blocks run on; the queue object itself lives on the thread that made it.
    QThread* workerThread() const { return m_thread; }

    // Runs `callback` on the thread this object lives on once no block of the queue is running: at
    // once when none is, else after the running block has ended. Called while the queue is
    // suspended, the callback then knows no block runs beside it until the queue is resumed; that
    // lets the object's thread change what a block might be changing without waiting for it.
    // Callbacks not yet run when the queue is destroyed are dropped.
    void afterRunningBlock(Block callback);

    // Adds a block that only sets the returned flag: once it is true, every block added before it
    // has run. Tests wait on it instead of sleeping.
    std::shared_ptr<std::atomic<bool>> postMarker();

    // Test hooks, called on the queue's thread around every block.
    void setBlockHooks(std::function<void()> onStart, std::function<void()> onEnd);

private:
    void schedulePump();
    void pump();
    void runSettledCallbacks();

    QString m_name;
    QThread* m_thread = nullptr;
    QObject* m_worker = nullptr; // lives on m_thread
    mutable QMutex m_mutex;
    std::deque<Block> m_blocks;
    std::vector<Block> m_afterRunning; // waiting for the running block to end
    std::vector<Block> m_settled;      // its block has ended; to run on this object's thread
    int m_suspendCount = 0;
    bool m_pumpScheduled = false;
    bool m_running = false;
    bool m_stopping = false;
    std::function<void()> m_onStart;
    std::function<void()> m_onEnd;
};

} // namespace pelnix::platform
