#include "PooledPageSource.h"

namespace pelnix::platform::ui {

void PooledPageSource::request(const QList<Request>& pages) {
    // The queue and the page being drawn are the main thread's; only drawing runs on the pool.
    Q_ASSERT_X(platform::isMainThread(), "PooledPageSource", "pages are asked for on the main thread");
    m_queue = pages;
    // The page being drawn comes once.
    m_queue.removeAll(m_drawing);
    pump();
}

void PooledPageSource::pump() {
    if (m_drawing.page >= 0 || m_queue.isEmpty() || pageCount() == 0)
        return;
    const Request next = m_queue.takeFirst();
    m_drawing = next;
    offMain<QImage>(drawing(next), [this, page = next.page](QImage image) {
        m_drawing = {};
        if (image.isNull())
            emit pageFailed(page);
        else
            emit pageRendered(page, image);
        pump();
    });
}

} // namespace pelnix::platform::ui
