#include "RowListView.h"

#include "Animator.h"
#include "SectionIndexBar.h"

#include "platform/Log.h"

#include <QResizeEvent>
#include <algorithm>
#include <set>

namespace pelnix::platform::ui {

namespace {
const char* const kKeepWhenHidden = "pelnix.keepWhenHidden";
constexpr int kBatchAnimationMs = 300;
} // namespace

RowListView::RowListView(QWidget* parent) : ScrollView(parent) {
    m_restTimer = new QTimer(this);
    m_restTimer->setSingleShot(true);
    m_restTimer->setInterval(kRestMs);
    connect(m_restTimer, &QTimer::timeout, this, &RowListView::hideParked);
    m_indexBar = new SectionIndexBar(viewport());
    m_indexBar->hide();
    connect(m_indexBar, &SectionIndexBar::picked, this, [this](int index, const QString& title) {
        const int section = sectionForIndexTitle(title, index);
        if (section < 0 || section >= numberOfSections())
            return;
        const QRectF header = rectForHeader(section);
        const QPointF min = minimumContentOffset();
        const QPointF max = maximumContentOffset();
        setContentOffset(
            QPointF(contentOffset().x(), qBound(min.y(), header.top() - contentInset().top(), max.y())));
    });
}

RowListView::~RowListView() {
    // Cells belong to the viewport and go with it; nothing to hand back to anyone.
    m_visible.clear();
}

int RowListView::numberOfRows(int section) const {
    if (section < 0 || section >= int(m_sections.size()))
        return 0;
    return int(m_sections[section].rowTops.size()) - 1;
}

qreal RowListView::contentTop() const {
    if (!m_listHeader)
        return 0;
    return m_listHeader->height() > 0 ? m_listHeader->height() : m_listHeader->sizeHint().height();
}

void RowListView::setListHeaderView(QWidget* view) {
    if (m_listHeader == view)
        return;
    delete m_listHeader.data();
    m_listHeader = view;
    if (view) {
        view->setParent(viewport());
        if (view->height() <= 0)
            view->resize(viewport()->width(), view->sizeHint().height());
        view->show();
    }
    if (m_loaded) {
        rebuildGeometry();
        layoutContent();
    }
}

void RowListView::registerReuseFactory(const QString& identifier, Factory factory) {
    m_factories.insert(identifier, std::move(factory));
}

ReusableView* RowListView::dequeueReusableView(const QString& identifier) {
    auto it = m_pool.find(identifier);
    if (it != m_pool.end() && !it->isEmpty()) {
        ReusableView* view = it->takeLast();
        unpark(view);
        view->prepareForReuse();
        return view;
    }
    const auto factory = m_factories.constFind(identifier);
    if (factory == m_factories.constEnd() || !*factory)
        return nullptr;
    ReusableView* view = (*factory)();
    if (!view)
        return nullptr;
    if (view->reuseIdentifier().isEmpty())
        view->setReuseIdentifier(identifier);
    view->setParent(viewport());
    return view;
}

int RowListView::pooledViewCount(const QString& identifier) const {
    return int(m_pool.value(identifier).size());
}

void RowListView::enqueue(ReusableView* view, const IndexPath& path) {
    if (!view)
        return;
    didEndDisplaying(view, path);
    // The window's focus, active or not, leaves with its row as it always did.
    const QWidget* focus = view->window()->focusWidget();
    if (view->staysShownInPool() && !view->reuseIdentifier().isEmpty() && view->isVisible() &&
        !(focus && (focus == view || view->isAncestorOf(focus))))
        park(view);
    else
        view->hide();
    view->setSelected(false);
    view->setHighlighted(false);
    if (!view->reuseIdentifier().isEmpty())
        m_pool[view->reuseIdentifier()] << view;
    else if (!view->property(kKeepWhenHidden).toBool())
        view->deleteLater();
}

void RowListView::park(ReusableView* view) {
    // Above the viewport's top, which clips it: neither painted nor reached by the mouse; disabled, so
    // that Tab does not reach it either.
    view->move(view->x(), -view->height() - 1);
    const bool disable = view->isEnabled();
    if (disable)
        view->setEnabled(false);
    m_parked.append({view, disable});
    m_restTimer->start();
}

void RowListView::unpark(ReusableView* view) {
    for (auto it = m_parked.begin(); it != m_parked.end(); ++it) {
        if (it->first != view)
            continue;
        if (it->second)
            view->setEnabled(true);
        m_parked.erase(it);
        return;
    }
}

void RowListView::hideParked() {
    for (const auto& [view, disabled] : std::exchange(m_parked, {})) {
        if (!view)
            continue;
        view->hide();
        if (disabled)
            view->setEnabled(true);
    }
}

void RowListView::clearVisible() {
    auto visible = std::exchange(m_visible, {});
    for (auto& [path, view] : visible)
        enqueue(view, path);
    for (auto& [section, header] : std::exchange(m_headers, {})) {
        if (!header)
            continue;
        auto* reusable = qobject_cast<ReusableView*>(header.data());
        header->hide();
        if (reusable && !reusable->reuseIdentifier().isEmpty())
            m_pool[reusable->reuseIdentifier()] << reusable;
        else if (!header->property(kKeepWhenHidden).toBool())
            header->deleteLater();
    }
}

void RowListView::reloadData() {
    clearVisible();
    m_selected.reset();
    m_batch = {};
    m_loaded = true;
    m_indexBar->setTitles(indexTitlesForList());
    rebuildGeometry();
    layoutContent();
}

void RowListView::invalidateLayout() {
    if (!m_loaded)
        return;
    rebuildGeometry();
    layoutContent();
}

void RowListView::rebuildGeometry() {
    const int sections = qMax(0, sectionCountForList());
    m_sections.assign(sections, Section{});
    qreal y = contentTop();
    for (int s = 0; s < sections; ++s) {
        Section& section = m_sections[s];
        section.top = y;
        section.headerHeight = qMax<qreal>(0, headerHeightForList(s));
        const int rows = qMax(0, rowCountForList(s));
        section.rowTops.resize(rows + 1);
        qreal acc = 0;
        for (int r = 0; r < rows; ++r) {
            section.rowTops[r] = acc;
            acc += qMax<qreal>(0, rowHeightForList(IndexPath{s, r}));
        }
        section.rowTops[rows] = acc;
        y = section.bottom();
    }
    m_lastWidth = viewport()->width();
    const bool wasInLayout = std::exchange(m_inLayout, true);
    setContentSize(QSizeF(viewport()->width(), y));
    m_inLayout = wasInLayout;
}

QRectF RowListView::rectForRow(const IndexPath& path) const {
    if (path.section < 0 || path.section >= int(m_sections.size()) || path.row < 0 ||
        path.row >= numberOfRows(path.section))
        return {};
    const Section& s = m_sections[path.section];
    const qreal top = s.top + s.headerHeight + s.rowTops[path.row];
    return QRectF(0, top, viewport()->width(), s.rowTops[path.row + 1] - s.rowTops[path.row]);
}

QRectF RowListView::rectForHeader(int section) const {
    if (section < 0 || section >= int(m_sections.size()))
        return {};
    const Section& s = m_sections[section];
    return QRectF(0, s.top, viewport()->width(), s.headerHeight);
}

std::optional<IndexPath> RowListView::indexPathAt(const QPointF& point) const {
    auto it = std::upper_bound(m_sections.begin(), m_sections.end(), point.y(),
                               [](qreal y, const Section& s) { return y < s.top; });
    if (it == m_sections.begin())
        return std::nullopt;
    --it;
    const qreal local = point.y() - it->top - it->headerHeight;
    if (local < 0 || local >= it->rowTops.back())
        return std::nullopt;
    auto row = std::upper_bound(it->rowTops.begin(), it->rowTops.end(), local);
    return IndexPath{int(it - m_sections.begin()), int(row - it->rowTops.begin()) - 1};
}

QList<IndexPath> RowListView::indexPathsForVisibleRows() const {
    QList<IndexPath> out;
    for (const auto& [path, view] : m_visible)
        out << path;
    return out;
}

QList<ReusableView*> RowListView::visibleViews() const {
    QList<ReusableView*> out;
    for (const auto& [path, view] : m_visible)
        out << view;
    return out;
}

ReusableView* RowListView::viewAt(const IndexPath& path) const {
    const auto it = m_visible.find(path);
    return it == m_visible.end() ? nullptr : it->second;
}

QWidget* RowListView::headerViewAt(int section) const {
    const auto it = m_headers.find(section);
    return it == m_headers.end() || !it->second || it->second->isHidden() ? nullptr : it->second.data();
}

void RowListView::layoutContent() {
    if (m_layoutHolds > 0) {
        m_layoutHeld = true;
        return;
    }
    if (m_inLayout)
        return;
    m_inLayout = true;
    // Views wait shown while the list moves.
    if (!m_parked.isEmpty())
        m_restTimer->start();
    if (!m_loaded) {
        m_loaded = true;
        m_indexBar->setTitles(indexTitlesForList());
        rebuildGeometry();
    }
    const QRectF visible = visibleContentRect();
    const QPointF offset = contentOffset();
    // Rows make room for the section index at their trailing edge (the left one when mirrored), as on
    // the phone; headers keep the full width.
    const int index = m_indexBar->titles().isEmpty() ? 0 : SectionIndexBar::kWidth;
    const int width = viewport()->width() - index;
    const int left = qRound(-offset.x()) + (layoutDirection() == Qt::RightToLeft ? index : 0);

    std::vector<IndexPath> wanted;
    for (int s = 0; s < int(m_sections.size()); ++s) {
        const Section& section = m_sections[s];
        if (section.bottom() <= visible.top())
            continue;
        if (section.top >= visible.bottom())
            break;
        const qreal rowsTop = section.top + section.headerHeight;
        const int rows = int(section.rowTops.size()) - 1;
        auto first =
            std::upper_bound(section.rowTops.begin(), section.rowTops.end(), visible.top() - rowsTop);
        int r = qMax(0, int(first - section.rowTops.begin()) - 1);
        for (; r < rows && rowsTop + section.rowTops[r] < visible.bottom(); ++r) {
            if (section.rowTops[r + 1] > section.rowTops[r] &&
                rowsTop + section.rowTops[r + 1] > visible.top())
                wanted.push_back(IndexPath{s, r});
        }
    }
    const std::set<IndexPath> wantedSet(wanted.begin(), wanted.end());
    for (auto it = m_visible.begin(); it != m_visible.end();) {
        if (wantedSet.count(it->first)) {
            ++it;
            continue;
        }
        ReusableView* view = it->second;
        const IndexPath path = it->first;
        it = m_visible.erase(it);
        enqueue(view, path);
    }
    for (const IndexPath& path : wanted) {
        ReusableView* view = nullptr;
        const auto found = m_visible.find(path);
        if (found != m_visible.end()) {
            view = found->second;
        } else {
            view = cellForList(path);
            if (!view)
                continue;
            if (view->parentWidget() != viewport())
                view->setParent(viewport());
            m_visible[path] = view;
            view->setSelected(m_selected == path);
            willDisplay(view, path);
        }
        const Section& section = m_sections[path.section];
        const qreal top = section.top + section.headerHeight + section.rowTops[path.row] - offset.y();
        const qreal bottom = section.top + section.headerHeight + section.rowTops[path.row + 1] - offset.y();
        view->setGeometry(left, qRound(top), width, qRound(bottom) - qRound(top));
        view->show();
    }
    layoutHeaders(visible);
    if (m_listHeader) {
        m_listHeader->setGeometry(left, qRound(-offset.y()), width, qRound(contentTop()));
        m_listHeader->show();
    }
    layoutIndexBar();
    m_inLayout = false;
}

void RowListView::layoutHeaders(const QRectF& visible) {
    const QPointF offset = contentOffset();
    const qreal pin = visible.top() + contentInset().top();
    for (int s = 0; s < int(m_sections.size()); ++s) {
        const Section& section = m_sections[s];
        const bool inView =
            section.headerHeight > 0 && section.bottom() > visible.top() && section.top < visible.bottom();
        auto it = m_headers.find(s);
        if (!inView) {
            if (it != m_headers.end() && it->second)
                it->second->hide();
            continue;
        }
        if (it == m_headers.end()) {
            QWidget* header = headerForList(s);
            if (header)
                header->setParent(viewport());
            it = m_headers.emplace(s, header).first;
        }
        QWidget* header = it->second;
        if (!header)
            continue;
        qreal y = section.top;
        if (m_sticky)
            y = qMin(qMax(section.top, pin), section.bottom() - section.headerHeight);
        header->setGeometry(qRound(-offset.x()), qRound(y - offset.y()), viewport()->width(),
                            qRound(section.headerHeight));
        header->show();
        header->raise();
    }
}

void RowListView::layoutIndexBar() {
    if (m_indexBar->titles().isEmpty()) {
        m_indexBar->hide();
        return;
    }
    const int top = contentInset().top() > 0 ? contentInset().top() : 0;
    // With the section headers: their titles stand at the leading edge, the index at the trailing one.
    const int x = layoutDirection() == Qt::RightToLeft ? 0 : viewport()->width() - SectionIndexBar::kWidth;
    m_indexBar->setGeometry(x, top, SectionIndexBar::kWidth,
                            viewport()->height() - top - qMax(0, contentInset().bottom()));
    m_indexBar->show();
    m_indexBar->raise();
}

void RowListView::scrollToRow(const IndexPath& path, ScrollPosition position, bool animated) {
    const QRectF r = rectForRow(path);
    if (r.isNull())
        return;
    const qreal h = viewport()->height();
    const QMargins inset = contentInset();
    qreal y = contentOffset().y();
    switch (position) {
    case ScrollPosition::Top:
        y = r.top() - inset.top();
        break;
    case ScrollPosition::Middle:
        y = r.center().y() - h / 2;
        break;
    case ScrollPosition::Bottom:
        y = r.bottom() - h + inset.bottom();
        break;
    case ScrollPosition::None:
        if (r.top() < y + inset.top())
            y = r.top() - inset.top();
        else if (r.bottom() > y + h - inset.bottom())
            y = r.bottom() - h + inset.bottom();
        break;
    }
    const QPointF min = minimumContentOffset();
    const QPointF max = maximumContentOffset();
    setContentOffset(QPointF(contentOffset().x(), qBound(min.y(), y, max.y())), animated);
}

void RowListView::scrollToTop(bool animated) {
    setContentOffset(QPointF(contentOffset().x(), minimumContentOffset().y()), animated);
}

void RowListView::scrollToBottom(bool animated) {
    setContentOffset(QPointF(contentOffset().x(), maximumContentOffset().y()), animated);
}

void RowListView::selectRow(const IndexPath& path, bool animated, ScrollPosition position) {
    if (rectForRow(path).isNull())
        return;
    if (m_selected && *m_selected != path)
        if (ReusableView* old = viewAt(*m_selected))
            old->setSelected(false, animated);
    m_selected = path;
    if (ReusableView* view = viewAt(path))
        view->setSelected(true, animated);
    if (position != ScrollPosition::None)
        scrollToRow(path, position, animated);
}

void RowListView::deselectRow(const IndexPath& path, bool animated) {
    if (m_selected != path)
        return;
    m_selected.reset();
    if (ReusableView* view = viewAt(path))
        view->setSelected(false, animated);
}

void RowListView::tapped(const QPointF& viewportPoint) {
    if (!m_allowsSelection)
        return;
    for (const auto& [section, header] : m_headers)
        if (header && header->isVisible() && header->geometry().contains(viewportPoint.toPoint()))
            return;
    const auto path = indexPathAt(viewportPoint + contentOffset());
    if (!path || !shouldSelect(*path))
        return;
    if (m_selected && *m_selected != *path) {
        const IndexPath old = *m_selected;
        deselectRow(old, false);
        didDeselect(old);
    }
    selectRow(*path, false);
    didSelect(*path);
}

void RowListView::swiped(const QPointF& viewportPoint, qreal dx) {
    if (const auto path = indexPathAt(viewportPoint + contentOffset()))
        rowSwiped(*path, dx);
}

void RowListView::resizeEvent(QResizeEvent* event) {
    if (m_loaded && viewport()->width() != m_lastWidth)
        rebuildGeometry();
    ScrollView::resizeEvent(event);
}

void RowListView::changeEvent(QEvent* event) {
    ScrollView::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange && m_loaded)
        layoutContent();
}

void RowListView::showEvent(QShowEvent* event) {
    ScrollView::showEvent(event);
    layoutContent();
}

std::optional<IndexPath> RowListView::firstRowInView() const {
    // Rows that only touch the top edge are not in view.
    const qreal top = contentOffset().y();
    for (const auto& [path, view] : m_visible)
        if (rectForRow(path).bottom() > top)
            return path;
    return std::nullopt;
}

void RowListView::keepingPlace(const std::function<void()>& change) {
    std::optional<std::pair<IndexPath, qreal>> anchor;
    if (const auto first = firstRowInView())
        anchor = std::make_pair(*first, rectForRow(*first).top() - contentOffset().y());
    layingOutOnceAfter([&] {
        if (change)
            change();
        if (!anchor)
            return;
        const QRectF row = rectForRow(anchor->first);
        if (row.isNull())
            return;
        const qreal y =
            qBound(minimumContentOffset().y(), row.top() - anchor->second, maximumContentOffset().y());
        setContentOffset(QPointF(contentOffset().x(), y));
    });
}

void RowListView::layingOutOnceAfter(const std::function<void()>& change) {
    ++m_layoutHolds;
    if (change)
        change();
    if (--m_layoutHolds == 0 && std::exchange(m_layoutHeld, false))
        layoutContent();
}

bool RowListView::followsBottom() const {
    return contentOffset().y() >= maximumContentOffset().y() - 0.5;
}

void RowListView::beginUpdates() {
    ++m_updateDepth;
}

void RowListView::endUpdates() {
    if (m_updateDepth > 0 && --m_updateDepth == 0)
        applyBatch();
}

void RowListView::performBatchUpdates(const std::function<void()>& updates,
                                      std::function<void(bool)> completion) {
    beginUpdates();
    layingOutOnceAfter(updates);
    endUpdates();
    Animator::animate(kBatchAnimationMs, {}, std::move(completion));
}

void RowListView::insertRows(const QList<IndexPath>& paths) {
    m_batch.inserted << paths;
    if (m_updateDepth == 0)
        applyBatch();
}

void RowListView::deleteRows(const QList<IndexPath>& paths) {
    m_batch.deleted << paths;
    if (m_updateDepth == 0)
        applyBatch();
}

void RowListView::reloadRows(const QList<IndexPath>& paths) {
    m_batch.reloaded << paths;
    if (m_updateDepth == 0)
        applyBatch();
}

void RowListView::moveRow(const IndexPath& from, const IndexPath& to) {
    m_batch.moved << std::make_pair(from, to);
    if (m_updateDepth == 0)
        applyBatch();
}

void RowListView::insertSections(const QList<int>& sections) {
    m_batch.insertedSections << sections;
    if (m_updateDepth == 0)
        applyBatch();
}

void RowListView::deleteSections(const QList<int>& sections) {
    m_batch.deletedSections << sections;
    if (m_updateDepth == 0)
        applyBatch();
}

void RowListView::reloadSections(const QList<int>& sections) {
    m_batch.reloadedSections << sections;
    if (m_updateDepth == 0)
        applyBatch();
}

bool RowListView::mapBatch(std::map<IndexPath, IndexPath>& survivors) {
    const Batch& b = m_batch;
    const int oldSections = int(m_sections.size());
    const int newSections = qMax(0, sectionCountForList());
    QSet<int> deletedSections(b.deletedSections.begin(), b.deletedSections.end());
    QSet<int> insertedSections(b.insertedSections.begin(), b.insertedSections.end());
    for (int s : b.reloadedSections) {
        deletedSections << s;
        insertedSections << s;
    }
    for (int s : deletedSections)
        if (s < 0 || s >= oldSections)
            return false;
    for (int s : insertedSections)
        if (s < 0 || s >= newSections)
            return false;
    if (oldSections - deletedSections.size() + insertedSections.size() != newSections)
        return false;

    std::vector<int> newToOld(newSections, -1);
    int old = 0;
    for (int j = 0; j < newSections; ++j) {
        if (insertedSections.contains(j))
            continue;
        while (old < oldSections && deletedSections.contains(old))
            ++old;
        if (old >= oldSections)
            return false;
        newToOld[j] = old++;
    }

    const QSet<IndexPath> deleted(b.deleted.begin(), b.deleted.end());
    const QSet<IndexPath> reloaded(b.reloaded.begin(), b.reloaded.end());
    QSet<IndexPath> moveSources;
    for (const auto& [from, to] : b.moved)
        moveSources << from;
    for (const IndexPath& p : deleted)
        if (p.section < 0 || p.section >= oldSections || p.row < 0 || p.row >= numberOfRows(p.section))
            return false;

    for (int j = 0; j < newSections; ++j) {
        const int count = qMax(0, rowCountForList(j));
        std::vector<bool> taken(count, false);
        std::vector<std::optional<IndexPath>> sources(count);
        for (const IndexPath& p : b.inserted) {
            if (p.section != j)
                continue;
            if (p.row < 0 || p.row >= count || taken[p.row])
                return false;
            taken[p.row] = true;
        }
        for (const auto& [from, to] : b.moved) {
            if (to.section != j)
                continue;
            if (to.row < 0 || to.row >= count || taken[to.row])
                return false;
            taken[to.row] = true;
            if (!deletedSections.contains(from.section))
                sources[to.row] = from;
        }
        QList<IndexPath> kept;
        if (const int s = newToOld[j]; s >= 0) {
            for (int r = 0; r < numberOfRows(s); ++r) {
                const IndexPath p{s, r};
                if (!deleted.contains(p) && !moveSources.contains(p))
                    kept << p;
            }
        }
        int k = 0;
        for (int row = 0; row < count; ++row) {
            // Every row of an inserted (or reloaded) section is new.
            if (taken[row] || newToOld[j] < 0)
                continue;
            if (k >= kept.size())
                return false;
            const IndexPath p = kept[k++];
            if (!reloaded.contains(p))
                sources[row] = p;
        }
        if (k != kept.size())
            return false;
        for (int row = 0; row < count; ++row)
            if (sources[row])
                survivors[*sources[row]] = IndexPath{j, row};
    }
    return true;
}

void RowListView::applyBatch() {
    if (m_batch.empty())
        return;
    if (!m_loaded) {
        m_batch = {};
        return;
    }
    std::map<IndexPath, IndexPath> survivors;
    const bool appendsOnly = appendsRowsOnly(m_batch);
    if (appendsOnly) {
        // Every row keeps its index: the rows in view and the selection are all that need mapping,
        // so a long list growing at its end costs what the new rows cost.
        for (const auto& [path, view] : m_visible)
            survivors[path] = path;
        if (m_selected)
            survivors[*m_selected] = *m_selected;
    } else if (!mapBatch(survivors)) {
        Log::debug(QStringLiteral("List update does not match its data source; reloading the whole list"));
        reloadData();
        emit batchApplied();
        return;
    }
    m_batch = {};
    std::map<IndexPath, ReusableView*> kept;
    for (auto& [path, view] : std::exchange(m_visible, {})) {
        const auto it = survivors.find(path);
        if (it == survivors.end())
            enqueue(view, path);
        else
            kept[it->second] = view;
    }
    if (m_selected) {
        const auto it = survivors.find(*m_selected);
        m_selected = it == survivors.end() ? std::nullopt : std::optional<IndexPath>(it->second);
    }
    // Headers follow their sections: simplest to ask for them again.
    auto visible = std::exchange(m_visible, kept);
    Q_UNUSED(visible);
    for (auto& [section, header] : std::exchange(m_headers, {})) {
        if (!header)
            continue;
        header->hide();
        auto* reusable = qobject_cast<ReusableView*>(header.data());
        if (reusable && !reusable->reuseIdentifier().isEmpty())
            m_pool[reusable->reuseIdentifier()] << reusable;
        else if (!header->property(kKeepWhenHidden).toBool())
            header->deleteLater();
    }
    m_indexBar->setTitles(indexTitlesForList());
    if (appendsOnly)
        extendGeometry();
    else
        rebuildGeometry();
    layoutContent();
    emit batchApplied();
}

bool RowListView::appendsRowsOnly(const Batch& batch) const {
    if (batch.inserted.isEmpty() || !batch.deleted.isEmpty() || !batch.reloaded.isEmpty() ||
        !batch.moved.isEmpty() || !batch.insertedSections.isEmpty() || !batch.deletedSections.isEmpty() ||
        !batch.reloadedSections.isEmpty() || viewport()->width() != m_lastWidth)
        return false;
    auto* self = const_cast<RowListView*>(this);
    const int sections = int(m_sections.size());
    if (qMax(0, self->sectionCountForList()) != sections)
        return false;
    std::vector<int> added(sections, 0);
    for (const IndexPath& path : batch.inserted) {
        if (path.section < 0 || path.section >= sections || path.row < numberOfRows(path.section))
            return false;
        ++added[path.section];
    }
    for (int s = 0; s < sections; ++s)
        if (qMax(0, self->rowCountForList(s)) != numberOfRows(s) + added[s])
            return false;
    return true;
}

void RowListView::extendGeometry() {
    qreal y = contentTop();
    for (int s = 0; s < int(m_sections.size()); ++s) {
        Section& section = m_sections[s];
        section.top = y;
        section.headerHeight = qMax<qreal>(0, headerHeightForList(s));
        const int rows = qMax(0, rowCountForList(s));
        qreal acc = section.rowTops.back();
        for (int r = int(section.rowTops.size()) - 1; r < rows; ++r) {
            section.rowTops.back() = acc;
            acc += qMax<qreal>(0, rowHeightForList(IndexPath{s, r}));
            section.rowTops.push_back(acc);
        }
        y = section.bottom();
    }
    const bool wasInLayout = std::exchange(m_inLayout, true);
    setContentSize(QSizeF(viewport()->width(), y));
    m_inLayout = wasInLayout;
}

} // namespace pelnix::platform::ui
