#include "DocumentPageCanvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace pelnix::platform::ui {

DocumentPageCanvas::DocumentPageCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DocumentPageCanvas::setSource(DocumentPageSource* source) {
    if (m_source)
        m_source->disconnect(this);
    m_source = source;
    m_rects.clear();
    m_drawn.clear();
    m_failed.clear();
    if (source) {
        connect(source, &DocumentPageSource::pageRendered, this, &DocumentPageCanvas::pageRendered);
        connect(source, &DocumentPageSource::pageFailed, this, &DocumentPageCanvas::pageFailed);
    }
}

void DocumentPageCanvas::clear() {
    setSource(nullptr);
    resize(0, 0);
    update();
}

void DocumentPageCanvas::layoutPages(int width, qreal zoom) {
    m_rects.clear();
    const int count = m_source ? m_source->pageCount() : 0;
    int pageWidth = qMax(1, qRound((width - 2 * kPageGap) * zoom));
    // A widget is at most QWIDGETSIZE_MAX tall: pages that would not all fit at this width are laid out
    // narrower, so that every page can be reached (each page's rounding up counts as a pixel).
    qreal heightPerWidth = 0;
    for (int page = 0; page < count; ++page) {
        const QSizeF size = m_source->pageSize(page);
        heightPerWidth += size.width() > 0 ? size.height() / size.width() : 0;
    }
    const qint64 room = qint64(QWIDGETSIZE_MAX) - qint64(count + 1) * (kPageGap + 1);
    if (heightPerWidth > 0 && pageWidth * heightPerWidth > room)
        pageWidth = qMax(1, int(room / heightPerWidth));
    m_rects.reserve(count);
    qint64 y = kPageGap;
    for (int page = 0; page < count; ++page) {
        const QSizeF size = m_source->pageSize(page);
        // A page far taller than wide is laid out as it is; only its drawing is bounded.
        const qint64 height = size.width() > 0
                                  ? qBound<qint64>(1, qRound64(pageWidth * size.height() / size.width()),
                                                   qint64(QWIDGETSIZE_MAX))
                                  : 1;
        // Only past a million pages or so, where not even pages a pixel wide fit.
        if (y + height > qint64(QWIDGETSIZE_MAX))
            break;
        m_rects << QRect(kPageGap, int(y), pageWidth, int(height));
        y += height + kPageGap;
    }
    resize(pageWidth + 2 * kPageGap, m_rects.isEmpty() ? 0 : int(qMin<qint64>(y, qint64(QWIDGETSIZE_MAX))));
    update();
    refresh();
}

QRect DocumentPageCanvas::pageRect(int page) const {
    return m_rects.value(page);
}

std::pair<int, int> DocumentPageCanvas::pagesIn(const QRect& area) const {
    if (area.isEmpty())
        return {0, 0};
    const auto first = std::partition_point(m_rects.begin(), m_rects.end(),
                                            [&](const QRect& r) { return r.bottom() < area.top(); });
    const auto last =
        std::partition_point(first, m_rects.end(), [&](const QRect& r) { return r.top() <= area.bottom(); });
    return {int(first - m_rects.begin()), int(last - m_rects.begin())};
}

QSize DocumentPageCanvas::pagePixels(int page) const {
    const QSizeF shown = QSizeF(pageRect(page).size()) * devicePixelRatioF();
    const qreal pixels = shown.width() * shown.height();
    const qreal scale = pixels > kMaxPagePixels ? std::sqrt(kMaxPagePixels / pixels) : 1.0;
    return QSize(qMax(1, int(shown.width() * scale)), qMax(1, int(shown.height() * scale)));
}

void DocumentPageCanvas::setVisibleArea(const QRect& area) {
    if (area == m_visible)
        return;
    // A placeholder's text stands in the middle of the part of its page in view: it moves with the view.
    const QRect both = m_visible.united(area);
    const auto [first, last] = pagesIn(both);
    for (int page = first; page < last; ++page)
        if (m_failed.contains(page))
            update(pageRect(page).intersected(both));
    m_visible = area;
    refresh();
}

std::pair<int, int> DocumentPageCanvas::keptRange() const {
    const int margin = qMax(1, m_visible.height());
    return pagesIn(m_visible.adjusted(0, -margin, 0, margin));
}

bool DocumentPageCanvas::isSettled() const {
    const auto [first, last] = pagesIn(m_visible);
    for (int page = first; page < last; ++page)
        if (!m_failed.contains(page) && m_drawn.value(page).size() != pagePixels(page))
            return false;
    return true;
}

void DocumentPageCanvas::refresh() {
    const auto [keepFirst, keepLast] = keptRange();
    for (auto it = m_drawn.begin(); it != m_drawn.end();) {
        if (it.key() < keepFirst || it.key() >= keepLast)
            it = m_drawn.erase(it);
        else
            ++it;
    }
    if (!m_source)
        return;
    // The pages in view first, then those below it, then those above.
    const auto [first, last] = pagesIn(m_visible);
    QList<int> order;
    for (int page = first; page < last; ++page)
        order << page;
    for (int page = qMax(last, keepFirst); page < keepLast; ++page)
        order << page;
    for (int page = qMin(first, keepLast) - 1; page >= keepFirst; --page)
        order << page;
    QList<DocumentPageSource::Request> asked;
    for (int page : order) {
        const QSize pixels = pagePixels(page);
        if (!m_failed.contains(page) && m_drawn.value(page).size() != pixels)
            asked << DocumentPageSource::Request{page, pixels};
    }
    m_source->request(asked);
}

void DocumentPageCanvas::pageRendered(int page, const QImage& image) {
    const auto [keepFirst, keepLast] = keptRange();
    if (page < keepFirst || page >= keepLast)
        return;
    m_drawn.insert(page, image);
    update(pageRect(page));
    if (isSettled())
        emit settled();
}

void DocumentPageCanvas::pageFailed(int page) {
    m_failed.insert(page);
    m_drawn.remove(page);
    update(pageRect(page));
    if (isSettled())
        emit settled();
}

void DocumentPageCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect exposed = event->rect();
    painter.fillRect(exposed, QColor(128, 128, 128));
    const auto [first, last] = pagesIn(exposed);
    for (int page = first; page < last; ++page) {
        const QRect& rect = m_rects[page];
        const QRect target = rect.intersected(exposed);
        if (m_failed.contains(page)) {
            painter.fillRect(target, QColor(236, 236, 236));
            // Once, in the middle of the part of the page in view (of the whole page when none is known).
            const QRect seen = m_visible.isEmpty() ? rect : rect.intersected(m_visible);
            const QRect place = seen.adjusted(8, 0, -8, 0);
            if (place.isValid() && place.intersects(exposed)) {
                painter.setPen(QColor(110, 110, 110));
                painter.drawText(place, Qt::AlignCenter | Qt::TextWordWrap, kPlaceholderText);
            }
            continue;
        }
        painter.fillRect(target, Qt::white);
        const QImage image = m_drawn.value(page);
        if (image.isNull())
            continue;
        // Only the part exposed, from the matching part of the picture.
        const qreal sx = image.width() / qreal(rect.width());
        const qreal sy = image.height() / qreal(rect.height());
        const QRectF source((target.x() - rect.x()) * sx, (target.y() - rect.y()) * sy, target.width() * sx,
                            target.height() * sy);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(target), image, source);
    }
}

} // namespace pelnix::platform::ui
