#pragma once

#include "DocumentPageSource.h"

#include <functional>

namespace pelnix::platform::ui {

// A page source that draws on the thread pool, one page at a time in the order asked, so a
// document's own state is never used by two threads at once.
class PooledPageSource : public DocumentPageSource {
    Q_OBJECT
public:
    using DocumentPageSource::DocumentPageSource;

    void request(const QList<Request>& pages) override;

protected:
    // Made on the main thread, run on a pool thread: draws the page asked for.
    virtual std::function<QImage()> drawing(const Request& request) const = 0;
    // Runs `work` on the thread pool, then `done` on the main thread while this source lives.
    template <typename T> void offMain(std::function<T()> work, std::function<void(T)> done);

private:
    void pump();

    QList<Request> m_queue;
    Request m_drawing;
};

} // namespace pelnix::platform::ui

#include "platform/MainThread.h"

#include <QPointer>
#include <QThreadPool>

template <typename T>
void pelnix::platform::ui::PooledPageSource::offMain(std::function<T()> work, std::function<void(T)> done) {
    QPointer<PooledPageSource> self(this);
    QThreadPool::globalInstance()->start([self, work = std::move(work), done = std::move(done)] {
        T result = work();
        platform::runOnMain([self, done, result = std::move(result)] {
            if (self)
                done(result);
        });
    });
}
