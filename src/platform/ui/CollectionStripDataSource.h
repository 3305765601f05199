#pragma once

#include <QtGlobal>

namespace pelnix::platform::ui {

class CollectionStrip;
class ReusableView;

// What a horizontal strip shows and how it reacts. Widths below 0 mean the strip's item width.
class CollectionStripDataSource {
public:
    virtual ~CollectionStripDataSource() = default;
    virtual int numberOfItemsInStrip(CollectionStrip* strip) = 0;
    // A view for the item, from the strip's reuse pool when it has one; the strip owns it.
    virtual ReusableView* viewForItem(CollectionStrip* strip, int index) = 0;
    virtual qreal widthForItem(CollectionStrip* strip, int index) {
        (void)strip;
        (void)index;
        return -1;
    }
    virtual void didSelectItem(CollectionStrip* strip, int index) {
        (void)strip;
        (void)index;
    }
};

} // namespace pelnix::platform::ui
