#pragma once

#include "IndexPath.h"

#include <QSizeF>
#include <QString>

class QWidget;

namespace pelnix::platform::ui {

class CollectionView;
class CollectionViewCell;
class ReusableView;

// What a collection shows: items in sections, and supplementary views (the section header).
class CollectionViewDataSource {
public:
    virtual ~CollectionViewDataSource() = default;
    virtual int numberOfSectionsInCollectionView(CollectionView* view) {
        Q_UNUSED(view);
        return 1;
    }
    virtual int numberOfItemsInSection(CollectionView* view, int section) = 0;
    virtual CollectionViewCell* cellForItemAtIndexPath(CollectionView* view, const IndexPath& path) = 0;
    // kind is "UICollectionElementKindSectionHeader" for headers.
    virtual ReusableView* viewForSupplementaryElementOfKind(CollectionView* view, const QString& kind,
                                                            const IndexPath& path) {
        Q_UNUSED(view);
        Q_UNUSED(kind);
        Q_UNUSED(path);
        return nullptr;
    }
};

} // namespace pelnix::platform::ui
