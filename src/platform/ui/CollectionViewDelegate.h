#pragma once

#include "IndexPath.h"

#include <QSizeF>

namespace pelnix::platform::ui {

class CollectionView;
class CollectionViewCell;

// Flow-layout sizes and reactions of a collection. Items span the full width: only the height of an
// item's size counts. A negative size means "the collection's own".
class CollectionViewDelegate {
public:
    virtual ~CollectionViewDelegate() = default;
    virtual QSizeF sizeForItemAtIndexPath(CollectionView* view, const IndexPath& path) {
        Q_UNUSED(view);
        Q_UNUSED(path);
        return {-1, -1};
    }
    virtual QSizeF referenceSizeForHeaderInSection(CollectionView* view, int section) {
        Q_UNUSED(view);
        Q_UNUSED(section);
        return {0, 0};
    }
    virtual bool shouldSelectItemAtIndexPath(CollectionView* view, const IndexPath& path) {
        Q_UNUSED(view);
        Q_UNUSED(path);
        return true;
    }
    virtual void didSelectItemAtIndexPath(CollectionView* view, const IndexPath& path) {
        Q_UNUSED(view);
        Q_UNUSED(path);
    }
    virtual void willDisplayCell(CollectionView* view, CollectionViewCell* cell, const IndexPath& path) {
        Q_UNUSED(view);
        Q_UNUSED(cell);
        Q_UNUSED(path);
    }
    virtual void didEndDisplayingCell(CollectionView* view, CollectionViewCell* cell, const IndexPath& path) {
        Q_UNUSED(view);
        Q_UNUSED(cell);
        Q_UNUSED(path);
    }
};

} // namespace pelnix::platform::ui
