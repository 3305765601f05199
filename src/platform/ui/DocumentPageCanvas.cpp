#include "DocumentPageCanvas.h"

#include <QPaintEvent>
#include <QPainter>

namespace pelnix::platform::ui {

DocumentPageCanvas::DocumentPageCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DocumentPageCanvas::setPages(const QList<QSizeF>& pageSizes, Renderer render) {
    m_pages = pageSizes;
    m_render = std::move(render);
    m_drawn.clear();
    m_rects.clear();
}

void DocumentPageCanvas::clear() {
    setPages({}, {});
    resize(0, 0);
    update();
}

void DocumentPageCanvas::layoutPages(int width, qreal zoom) {
    m_rects.clear();
    m_drawn.clear();
    const int pageWidth = qMax(1, qRound((width - 2 * kPageGap) * zoom));
    int y = kPageGap;
    for (const QSizeF& size : m_pages) {
        const int height = size.width() > 0 ? qMax(1, qRound(pageWidth * size.height() / size.width())) : 1;
        m_rects << QRect(kPageGap, y, pageWidth, height);
        y += height + kPageGap;
    }
    resize(pageWidth + 2 * kPageGap, m_pages.isEmpty() ? 0 : y);
    update();
}

QRect DocumentPageCanvas::pageRect(int page) const {
    return m_rects.value(page);
}

void DocumentPageCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor(128, 128, 128));
    for (int page = 0; page < m_rects.size(); ++page) {
        const QRect& rect = m_rects[page];
        if (!rect.intersects(event->rect()))
            continue;
        auto drawn = m_drawn.find(page);
        if (drawn == m_drawn.end() && m_render) {
            const qreal ratio = devicePixelRatioF();
            QImage image = m_render(page, (QSizeF(rect.size()) * ratio).toSize());
            image.setDevicePixelRatio(ratio);
            drawn = m_drawn.insert(page, image);
        }
        painter.fillRect(rect, Qt::white);
        if (drawn != m_drawn.end() && !drawn->isNull())
            painter.drawImage(rect, *drawn);
    }
}

} // namespace pelnix::platform::ui
