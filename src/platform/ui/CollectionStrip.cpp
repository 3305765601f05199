#include "CollectionStrip.h"

#include <algorithm>

namespace pelnix::platform::ui {

CollectionStrip::CollectionStrip(QWidget* parent) : ScrollView(parent) {
    setObjectName(QStringLiteral("collectionStrip"));
}

CollectionStrip::~CollectionStrip() {
    for (auto& [index, view] : m_visible)
        delete view;
    for (const auto& views : std::as_const(m_pool))
        qDeleteAll(views);
}

void CollectionStrip::setDataSource(CollectionStripDataSource* dataSource) {
    m_dataSource.set(dataSource);
    reloadData();
}

void CollectionStrip::setItemWidth(qreal width) {
    m_itemWidth = width;
    reloadData();
}

void CollectionStrip::setSpacing(qreal spacing) {
    m_spacing = spacing;
    reloadData();
}

void CollectionStrip::reloadData() {
    for (auto& [index, view] : m_visible)
        enqueue(view);
    m_visible.clear();
    m_lefts.assign(1, m_spacing);
    if (CollectionStripDataSource* source = m_dataSource.get()) {
        const int count = qMax(0, source->numberOfItemsInStrip(this));
        m_lefts.reserve(count + 1);
        for (int i = 0; i < count; ++i) {
            const qreal asked = source->widthForItem(this, i);
            m_lefts.push_back(m_lefts.back() + (asked >= 0 ? asked : m_itemWidth) + m_spacing);
        }
    }
    setContentSize(QSizeF(m_lefts.back(), viewport()->height()));
    setContentOffset(
        QPointF(qBound(minimumContentOffset().x(), contentOffset().x(), maximumContentOffset().x()),
                minimumContentOffset().y()));
    layoutContent();
}

QRectF CollectionStrip::rectForItem(int index) const {
    if (index < 0 || index >= numberOfItems())
        return {};
    return QRectF(m_lefts[index], 0, m_lefts[index + 1] - m_spacing - m_lefts[index], viewport()->height());
}

int CollectionStrip::indexAt(const QPointF& contentPoint) const {
    const auto it = std::upper_bound(m_lefts.begin(), m_lefts.end(), contentPoint.x());
    const int index = int(it - m_lefts.begin()) - 1;
    return rectForItem(index).contains(contentPoint) ? index : -1;
}

QList<int> CollectionStrip::indexesForVisibleItems() const {
    QList<int> out;
    for (const auto& [index, view] : m_visible)
        out << index;
    return out;
}

ReusableView* CollectionStrip::viewAt(int index) const {
    const auto it = m_visible.find(index);
    return it == m_visible.end() ? nullptr : it->second;
}

ReusableView* CollectionStrip::dequeueReusableView(const QString& identifier) {
    auto it = m_pool.find(identifier);
    if (it == m_pool.end() || it->isEmpty())
        return nullptr;
    ReusableView* view = it->takeLast();
    view->prepareForReuse();
    return view;
}

void CollectionStrip::enqueue(ReusableView* view) {
    view->hide();
    m_pool[view->reuseIdentifier()].append(view);
}

void CollectionStrip::scrollToItem(int index, bool animated) {
    const QRectF rect = rectForItem(index);
    if (rect.isNull())
        return;
    const QRectF visible = visibleContentRect();
    qreal x = contentOffset().x();
    if (rect.left() < visible.left())
        x = rect.left() - m_spacing;
    else if (rect.right() > visible.right())
        x = rect.right() + m_spacing - visible.width();
    x = qBound(minimumContentOffset().x(), x, maximumContentOffset().x());
    setContentOffset(QPointF(x, contentOffset().y()), animated);
}

void CollectionStrip::layoutContent() {
    ScrollView::layoutContent();
    CollectionStripDataSource* source = m_dataSource.get();
    if (m_inLayout || !source)
        return;
    m_inLayout = true;
    const QRectF visible = visibleContentRect();
    int first = int(std::upper_bound(m_lefts.begin(), m_lefts.end(), visible.left()) - m_lefts.begin()) - 1;
    first = qMax(0, first);
    // A left edge in the gap after an item: that item is already out of view.
    if (first < numberOfItems() && m_lefts[first + 1] - m_spacing <= visible.left())
        ++first;
    int last = first;
    while (last < numberOfItems() && m_lefts[last] < visible.right())
        ++last;
    // Items that left the view go back to the pool first, so the new ones can reuse them.
    for (auto it = m_visible.begin(); it != m_visible.end();) {
        if (it->first < first || it->first >= last) {
            enqueue(it->second);
            it = m_visible.erase(it);
        } else {
            ++it;
        }
    }
    for (int i = first; i < last; ++i) {
        ReusableView* view = viewAt(i);
        if (!view) {
            view = source->viewForItem(this, i);
            if (!view)
                continue;
            view->setParent(viewport());
            m_visible[i] = view;
        }
        view->setGeometry(rectForItem(i).translated(-contentOffset()).toRect());
        view->show();
    }
    m_inLayout = false;
}

void CollectionStrip::tapped(const QPointF& viewportPoint) {
    const int index = indexAt(viewportPoint + contentOffset());
    if (index < 0)
        return;
    if (CollectionStripDataSource* source = m_dataSource.get())
        source->didSelectItem(this, index);
}

void CollectionStrip::resizeEvent(QResizeEvent* event) {
    ScrollView::resizeEvent(event);
    setContentSize(QSizeF(m_lefts.empty() ? 0 : m_lefts.back(), viewport()->height()));
    layoutContent();
}

} // namespace pelnix::platform::ui
