#pragma once

#include "CollectionStripDataSource.h"
#include "ReusableView.h"
#include "ScrollView.h"
#include "WeakDelegate.h"

#include <QHash>
#include <map>
#include <vector>

namespace pelnix::platform::ui {

// A one-row horizontal collection (thumbnails, options, chips): items of their own widths side by side
// with a spacing, scrolled sideways by drag or wheel. Only items in view have a view; one
// that leaves the view goes back to the pool of its identifier and is handed out again by
// dequeueReusableView().
class CollectionStrip : public ScrollView {
    Q_OBJECT
public:
    explicit CollectionStrip(QWidget* parent = nullptr);
    ~CollectionStrip() override;

    CollectionStripDataSource* dataSource() const { return m_dataSource.get(); }
    void setDataSource(CollectionStripDataSource* dataSource);
    qreal itemWidth() const { return m_itemWidth; }
    void setItemWidth(qreal width);
    qreal spacing() const { return m_spacing; }
    void setSpacing(qreal spacing);

    void reloadData();
    int numberOfItems() const { return int(m_lefts.empty() ? 0 : m_lefts.size() - 1); }
    ReusableView* dequeueReusableView(const QString& identifier);
    QRectF rectForItem(int index) const;
    // The item at a point in content coordinates, or -1.
    int indexAt(const QPointF& contentPoint) const;
    QList<int> indexesForVisibleItems() const;
    ReusableView* viewAt(int index) const;
    void scrollToItem(int index, bool animated);

protected:
    void layoutContent() override;
    void tapped(const QPointF& viewportPoint) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void enqueue(ReusableView* view);

    WeakDelegate<CollectionStripDataSource> m_dataSource;
    qreal m_itemWidth = 80;
    qreal m_spacing = 8;
    std::vector<qreal> m_lefts; // item count + 1 entries; the last is the content width + spacing
    std::map<int, ReusableView*> m_visible;
    QHash<QString, QList<ReusableView*>> m_pool;
    bool m_inLayout = false;
};

} // namespace pelnix::platform::ui
