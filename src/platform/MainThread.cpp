#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGlobalStatic>
#include <QMetaObject>
#include <QMutex>
#include <QThread>
#include <deque>

namespace pelnix::platform {

bool isMainThread() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

namespace {

// Blocks waiting for the main thread, in posting order. One queued call of the main thread runs all
// that are waiting, so a worker that hands over many blocks wakes the main thread once rather than
// once per block, and the blocks still start in order, none later than before.
struct MainQueue {
    QMutex mutex;
    std::deque<std::function<void()>> blocks;
    bool scheduled = false;
};
Q_GLOBAL_STATIC(MainQueue, g_mainQueue)

// A worker that keeps handing over blocks does not hold the event loop for longer than this.
constexpr qint64 kDrainSliceNs = 20'000'000;

void schedule(QCoreApplication* app);

void drain() {
    QElapsedTimer slice;
    slice.start();
    for (;;) {
        std::function<void()> block;
        {
            QMutexLocker lock(&g_mainQueue->mutex);
            if (g_mainQueue->blocks.empty()) {
                g_mainQueue->scheduled = false;
                return;
            }
            if (slice.nsecsElapsed() > kDrainSliceNs) {
                lock.unlock();
                schedule(QCoreApplication::instance());
                return;
            }
            // Taken one at a time: a block that runs a nested event loop finds the rest in order.
            block = std::move(g_mainQueue->blocks.front());
            g_mainQueue->blocks.pop_front();
        }
        block();
    }
}

void schedule(QCoreApplication* app) {
    if (app)
        QMetaObject::invokeMethod(app, &drain, Qt::QueuedConnection);
}

} // namespace

void runOnMain(std::function<void()> fn) {
    auto* app = QCoreApplication::instance();
    if (!fn || !app)
        return;
    {
        QMutexLocker lock(&g_mainQueue->mutex);
        g_mainQueue->blocks.push_back(std::move(fn));
        if (std::exchange(g_mainQueue->scheduled, true))
            return;
    }
    schedule(app);
}

void runOnMainSync(const std::function<void()>& fn) {
    if (!fn)
        return;
    auto* app = QCoreApplication::instance();
    if (!app || isMainThread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

} // namespace pelnix::platform
