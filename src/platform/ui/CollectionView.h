#pragma once

#include "CollectionViewCell.h"
#include "CollectionViewDataSource.h"
#include "CollectionViewDelegate.h"
#include "RowListView.h"

#include <QPointer>

namespace pelnix::platform::ui {

// A collection of full-width items on the row engine (the chat window's layout): registered cell and
// header identifiers, reuse, batch updates with completion, scroll-to and scroll callbacks. Headers
// scroll with their section.
class CollectionView : public RowListView {
    Q_OBJECT
public:
    static inline const QString kSectionHeader = QStringLiteral("UICollectionElementKindSectionHeader");

    explicit CollectionView(QWidget* parent = nullptr);

    void setDataSource(CollectionViewDataSource* dataSource);
    void setDelegate(CollectionViewDelegate* delegate);
    CollectionViewDataSource* dataSource() const;
    CollectionViewDelegate* delegate() const;
    void setItemHeight(qreal height) { m_itemHeight = height; }

    void registerCell(const QString& identifier, std::function<CollectionViewCell*()> factory);
    void registerSupplementaryView(const QString& kind, const QString& identifier,
                                   std::function<ReusableView*()> factory);
    // Always answers for a registered identifier.
    CollectionViewCell* dequeueReusableCell(const QString& identifier, const IndexPath& path);
    ReusableView* dequeueReusableSupplementaryView(const QString& kind, const QString& identifier,
                                                   const IndexPath& path);

    int numberOfItemsInSection(int section) const { return numberOfRows(section); }
    CollectionViewCell* cellForItemAtIndexPath(const IndexPath& path) const;
    QList<CollectionViewCell*> visibleCells() const;
    QList<IndexPath> indexPathsForVisibleItems() const { return indexPathsForVisibleRows(); }
    void scrollToItemAtIndexPath(const IndexPath& path, ScrollPosition position, bool animated) {
        scrollToRow(path, position, animated);
    }
    void insertItems(const QList<IndexPath>& paths) { insertRows(paths); }
    void deleteItems(const QList<IndexPath>& paths) { deleteRows(paths); }
    void reloadItems(const QList<IndexPath>& paths) { reloadRows(paths); }
    void moveItem(const IndexPath& from, const IndexPath& to) { moveRow(from, to); }

protected:
    int sectionCountForList() override;
    int rowCountForList(int section) override;
    qreal rowHeightForList(const IndexPath& path) override;
    qreal headerHeightForList(int section) override;
    ReusableView* cellForList(const IndexPath& path) override;
    QWidget* headerForList(int section) override;
    bool shouldSelect(const IndexPath& path) override;
    void didSelect(const IndexPath& path) override;
    void willDisplay(ReusableView* view, const IndexPath& path) override;
    void didEndDisplaying(ReusableView* view, const IndexPath& path) override;

private:
    CollectionViewDataSource* m_dataSource = nullptr;
    CollectionViewDelegate* m_delegate = nullptr;
    QPointer<QObject> m_dataSourceObject;
    QPointer<QObject> m_delegateObject;
    bool m_dataSourceIsObject = false;
    bool m_delegateIsObject = false;
    qreal m_itemHeight = 50;
};

} // namespace pelnix::platform::ui
