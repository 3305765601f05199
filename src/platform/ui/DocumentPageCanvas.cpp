#include "DocumentPageCanvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>

namespace pelnix::platform::ui {

DocumentPageCanvas::DocumentPageCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DocumentPageCanvas::setSource(DocumentPageSource* source) {
    if (m_source)
        m_source->disconnect(this);
    m_source = source;
    m_ratioSums.clear();
    m_laterRatio = 0;
    m_count = 0;
    m_note.clear();
    m_noteRect = {};
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

namespace {
// A page's height per point of width; 0 for a page without a usable size (laid out a pixel tall).
double heightPerWidth(const QSizeF& size) {
    if (!(size.width() > 0 && size.height() > 0) || !std::isfinite(size.width()) ||
        !std::isfinite(size.height()))
        return 0;
    return size.height() / size.width();
}
// The same, as laid out.
double laidOutRatio(const QSizeF& size) {
    return qMin(heightPerWidth(size), DocumentPageCanvas::kMaxPageRatio);
}
} // namespace

void DocumentPageCanvas::takeNewSizes() {
    const int count = m_source ? m_source->pageCount() : 0;
    const int known = m_source ? qBound(0, m_source->knownPageSizes(), count) : 0;
    if (m_ratioSums.isEmpty() || known < m_ratioSums.size() - 1)
        m_ratioSums = {0.0};
    m_ratioSums.reserve(known + 1);
    for (int page = int(m_ratioSums.size()) - 1; page < known; ++page)
        m_ratioSums << m_ratioSums.last() + laidOutRatio(m_source->pageSize(page));
    m_laterRatio = known < count ? laidOutRatio(m_source->pageSize(known)) : 0;
}

double DocumentPageCanvas::ratiosBefore(int page) const {
    const int known = int(m_ratioSums.size()) - 1;
    if (page <= known)
        return m_ratioSums[qMax(0, page)];
    return m_ratioSums.last() + (page - known) * m_laterRatio;
}

qint64 DocumentPageCanvas::pageTop(int page, int pageWidth) const {
    return m_pagesTop + qint64(page) * kPageGap + qRound64(pageWidth * ratiosBefore(page));
}

void DocumentPageCanvas::layoutPages(int width, qreal zoom) {
    takeNewSizes();
    const int count = m_source ? m_source->pageCount() : 0;
    int pageWidth = qMax(1, qRound((width - 2 * kPageGap) * zoom));
    m_note = m_source ? m_source->leadingNote() : QString();
    const auto placeNote = [this](int noteWidth) {
        if (m_note.isEmpty()) {
            m_noteRect = {};
            m_pagesTop = kPageGap;
            return;
        }
        QFont italic = font();
        italic.setItalic(true);
        const QRect text = QFontMetrics(italic).boundingRect(QRect(0, 0, qMax(1, noteWidth), QWIDGETSIZE_MAX),
                                                             Qt::AlignHCenter | Qt::TextWordWrap, m_note);
        m_noteRect = QRect(kPageGap, kPageGap, qMax(1, noteWidth), text.height());
        m_pagesTop = m_noteRect.bottom() + 1 + kPageGap;
    };
    placeNote(pageWidth);
    // A widget is at most QWIDGETSIZE_MAX tall: pages that would not all fit at this width are laid out
    // narrower, so that every page can be reached.
    const double ratios = ratiosBefore(count);
    const qint64 room = qint64(QWIDGETSIZE_MAX) - m_pagesTop - qint64(count) * kPageGap - 1;
    if (ratios > 0 && pageWidth * ratios > room) {
        pageWidth = int(qBound<double>(1, std::floor(room / ratios), pageWidth));
        placeNote(pageWidth);
    }
    m_pageWidth = pageWidth;
    // Only past a million pages or so, where not even pages a pixel wide fit, do the last ones go.
    m_count = count;
    if (pageTop(count, pageWidth) > QWIDGETSIZE_MAX) {
        int fits = 0;
        int over = count;
        while (over - fits > 1) {
            const int middle = fits + (over - fits) / 2;
            (pageTop(middle, pageWidth) <= QWIDGETSIZE_MAX ? fits : over) = middle;
        }
        m_count = fits;
    }
    resize(pageWidth + 2 * kPageGap, m_count == 0 ? 0 : int(pageTop(m_count, pageWidth)));
    update();
    refresh();
}

QRect DocumentPageCanvas::pageRect(int page) const {
    if (page < 0 || page >= m_count)
        return {};
    const qint64 top = pageTop(page, m_pageWidth);
    // A page without a usable size, or far wider than tall, takes a pixel of the gap below it.
    const qint64 height = qMax<qint64>(1, pageTop(page + 1, m_pageWidth) - kPageGap - top);
    return QRect(kPageGap, int(top), m_pageWidth, int(height));
}

std::pair<int, int> DocumentPageCanvas::pagesIn(const QRect& area) const {
    if (area.isEmpty())
        return {0, 0};
    // The first page in [from, m_count) for which `past` holds, `past` turning true once and staying.
    const auto firstWhere = [this](int from, const auto& past) {
        int low = from;
        int high = m_count;
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (past(pageRect(middle)))
                high = middle;
            else
                low = middle + 1;
        }
        return low;
    };
    const int first = firstWhere(0, [&](const QRect& r) { return r.bottom() >= area.top(); });
    const int last = firstWhere(first, [&](const QRect& r) { return r.top() > area.bottom(); });
    return {first, last};
}

QSize DocumentPageCanvas::pagePixels(int page) const {
    const QSizeF shown = QSizeF(pageRect(page).size()) * devicePixelRatioF();
    const qreal pixels = shown.width() * shown.height();
    const qreal scale = pixels > kMaxPagePixels ? std::sqrt(kMaxPagePixels / pixels) : 1.0;
    return QSize(qMax(1, int(shown.width() * scale)), qMax(1, int(shown.height() * scale)));
}

DocumentPageSource::Request DocumentPageCanvas::pageRequest(int page) const {
    const QSize pixels = pagePixels(page);
    const double ratio = m_source ? heightPerWidth(m_source->pageSize(page)) : 0;
    if (ratio <= kMaxPageRatio)
        return {page, pixels};
    const double whole = qMin(pixels.width() * ratio, double(INT_MAX));
    return {page, pixels, whole > pixels.height() ? int(whole) : 0};
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
        const DocumentPageSource::Request request = pageRequest(page);
        if (!m_failed.contains(page) && m_drawn.value(page).size() != request.pixels)
            asked << request;
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
    if (!m_note.isEmpty() && m_noteRect.intersects(exposed)) {
        QFont italic = font();
        italic.setItalic(true);
        painter.setFont(italic);
        painter.setPen(QColor(236, 236, 236));
        painter.drawText(m_noteRect, Qt::AlignHCenter | Qt::TextWordWrap, m_note);
        painter.setFont(font());
    }
    for (int page = first; page < last; ++page) {
        const QRect rect = pageRect(page);
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
