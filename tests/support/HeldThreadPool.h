#pragma once

// Holds every thread of a thread pool with a task that waits, so that the work given to the pool
// meanwhile waits too: a test sees what the main thread does before that work has run. The pool is
// let go by release() or, whatever the test's outcome, when the holder goes.

#include <QSemaphore>
#include <QThreadPool>

#include <memory>

namespace pelnix::test {

class HeldThreadPool {
public:
    explicit HeldThreadPool(QThreadPool* pool)
        : m_threads(pool->maxThreadCount()), m_gate(std::make_shared<QSemaphore>()) {
        auto running = std::make_shared<QSemaphore>();
        for (int i = 0; i < m_threads; ++i)
            pool->start([running, gate = m_gate] {
                running->release();
                gate->acquire();
            });
        running->acquire(m_threads);
    }
    ~HeldThreadPool() { release(); }
    HeldThreadPool(const HeldThreadPool&) = delete;
    HeldThreadPool& operator=(const HeldThreadPool&) = delete;

    void release() {
        if (!m_released)
            m_gate->release(m_threads);
        m_released = true;
    }

private:
    int m_threads;
    std::shared_ptr<QSemaphore> m_gate;
    bool m_released = false;
};

} // namespace pelnix::test
