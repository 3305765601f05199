#include "CollectionView.h"

namespace pelnix::platform::ui {

namespace {
QString supplementaryKey(const QString& kind, const QString& identifier) {
    return kind + QLatin1Char('/') + identifier;
}
} // namespace

CollectionView::CollectionView(QWidget* parent) : RowListView(parent) {
    setObjectName(QStringLiteral("collectionView"));
    setStickyHeaders(false);
}

void CollectionView::setDataSource(CollectionViewDataSource* dataSource) {
    m_dataSource = dataSource;
    m_dataSourceObject = dynamic_cast<QObject*>(dataSource);
    m_dataSourceIsObject = m_dataSourceObject;
}

void CollectionView::setDelegate(CollectionViewDelegate* delegate) {
    m_delegate = delegate;
    m_delegateObject = dynamic_cast<QObject*>(delegate);
    m_delegateIsObject = m_delegateObject;
}

CollectionViewDataSource* CollectionView::dataSource() const {
    return m_dataSourceIsObject && !m_dataSourceObject ? nullptr : m_dataSource;
}

CollectionViewDelegate* CollectionView::delegate() const {
    return m_delegateIsObject && !m_delegateObject ? nullptr : m_delegate;
}

void CollectionView::registerCell(const QString& identifier, std::function<CollectionViewCell*()> factory) {
    registerReuseFactory(identifier, [factory]() -> ReusableView* { return factory ? factory() : nullptr; });
}

void CollectionView::registerSupplementaryView(const QString& kind, const QString& identifier,
                                               std::function<ReusableView*()> factory) {
    const QString key = supplementaryKey(kind, identifier);
    registerReuseFactory(key, [factory, key]() -> ReusableView* {
        ReusableView* view = factory ? factory() : nullptr;
        if (view)
            view->setReuseIdentifier(key);
        return view;
    });
}

CollectionViewCell* CollectionView::dequeueReusableCell(const QString& identifier, const IndexPath&) {
    return qobject_cast<CollectionViewCell*>(dequeueReusableView(identifier));
}

ReusableView* CollectionView::dequeueReusableSupplementaryView(const QString& kind, const QString& identifier,
                                                               const IndexPath&) {
    return dequeueReusableView(supplementaryKey(kind, identifier));
}

CollectionViewCell* CollectionView::cellForItemAtIndexPath(const IndexPath& path) const {
    return qobject_cast<CollectionViewCell*>(viewAt(path));
}

QList<CollectionViewCell*> CollectionView::visibleCells() const {
    QList<CollectionViewCell*> out;
    for (ReusableView* view : visibleViews())
        if (auto* cell = qobject_cast<CollectionViewCell*>(view))
            out << cell;
    return out;
}

int CollectionView::sectionCountForList() {
    auto* ds = dataSource();
    return ds ? ds->numberOfSectionsInCollectionView(this) : 0;
}

int CollectionView::rowCountForList(int section) {
    auto* ds = dataSource();
    return ds ? ds->numberOfItemsInSection(this, section) : 0;
}

qreal CollectionView::rowHeightForList(const IndexPath& path) {
    auto* d = delegate();
    const QSizeF size = d ? d->sizeForItemAtIndexPath(this, path) : QSizeF(-1, -1);
    return size.height() >= 0 ? size.height() : m_itemHeight;
}

qreal CollectionView::headerHeightForList(int section) {
    auto* d = delegate();
    return d ? qMax<qreal>(0, d->referenceSizeForHeaderInSection(this, section).height()) : 0;
}

ReusableView* CollectionView::cellForList(const IndexPath& path) {
    auto* ds = dataSource();
    return ds ? ds->cellForItemAtIndexPath(this, path) : nullptr;
}

QWidget* CollectionView::headerForList(int section) {
    auto* ds = dataSource();
    return ds ? ds->viewForSupplementaryElementOfKind(this, kSectionHeader, IndexPath{section, 0}) : nullptr;
}

bool CollectionView::shouldSelect(const IndexPath& path) {
    auto* d = delegate();
    return !d || d->shouldSelectItemAtIndexPath(this, path);
}

void CollectionView::didSelect(const IndexPath& path) {
    if (auto* d = delegate())
        d->didSelectItemAtIndexPath(this, path);
}

void CollectionView::willDisplay(ReusableView* view, const IndexPath& path) {
    if (auto* d = delegate())
        if (auto* cell = qobject_cast<CollectionViewCell*>(view))
            d->willDisplayCell(this, cell, path);
}

void CollectionView::didEndDisplaying(ReusableView* view, const IndexPath& path) {
    if (auto* d = delegate())
        if (auto* cell = qobject_cast<CollectionViewCell*>(view))
            d->didEndDisplayingCell(this, cell, path);
}

} // namespace pelnix::platform::ui
