#pragma once

#include "IndexPath.h"
#include "ReusableView.h"
#include "ScrollView.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace pelnix::platform::ui {

class SectionIndexBar;

// The row engine under tables and collections: sections of full-width rows of varying height, each
// section with an optional header, built for long lists. Only the rows in view have a cell; a cell
// that leaves the view returns to the reuse pool of its identifier and is handed out again by
// dequeueReusableView(). Row heights are asked once per reload or batch update, not per scroll step; a
// batch that only appends rows asks the new rows alone, so that a list growing at its end one row at a
// time costs the same whatever its length (invalidateLayout() asks every row again).
//
// Batch updates follow UIKit: deletes and reloads name rows as they were before the batch, inserts and
// move destinations name rows as they are after it; cells of surviving rows follow their rows. A batch
// whose counts disagree with the data source is logged and answered with a full reload.
//
// A pooled view that stays shown in the pool (ReusableView::staysShownInPool) is moved out of sight
// and disabled instead of hidden, unless it holds the focus; the pool's waiting views are hidden once
// the list has not moved for kRestMs.
class RowListView : public ScrollView {
    Q_OBJECT
public:
    enum class ScrollPosition { None, Top, Middle, Bottom };
    using Factory = std::function<ReusableView*()>;
    static constexpr int kRestMs = 250;

    explicit RowListView(QWidget* parent = nullptr);
    ~RowListView() override;

    void reloadData();
    int numberOfSections() const { return int(m_sections.size()); }
    int numberOfRows(int section) const;

    // A view from the pool of `identifier` (prepared for reuse), else a new one from the registered
    // factory, else null.
    void registerReuseFactory(const QString& identifier, Factory factory);
    ReusableView* dequeueReusableView(const QString& identifier);
    int pooledViewCount(const QString& identifier) const;

    QRectF rectForRow(const IndexPath& path) const;
    QRectF rectForHeader(int section) const;
    std::optional<IndexPath> indexPathAt(const QPointF& contentPoint) const;
    QList<IndexPath> indexPathsForVisibleRows() const;
    QList<ReusableView*> visibleViews() const;
    // The cell of a row in view, else null.
    ReusableView* viewAt(const IndexPath& path) const;
    QWidget* headerViewAt(int section) const;
    void scrollToRow(const IndexPath& path, ScrollPosition position, bool animated);
    void scrollToTop(bool animated);
    void scrollToBottom(bool animated);

    std::optional<IndexPath> selectedIndexPath() const { return m_selected; }
    // Selects without calling the delegate, as UIKit's selectRow does.
    void selectRow(const IndexPath& path, bool animated, ScrollPosition position = ScrollPosition::None);
    void deselectRow(const IndexPath& path, bool animated);
    bool allowsSelection() const { return m_allowsSelection; }
    void setAllowsSelection(bool allows) { m_allowsSelection = allows; }

    // A view over the first section (search bar and the like), owned by the list.
    void setListHeaderView(QWidget* view);
    QWidget* listHeaderView() const { return m_listHeader; }
    void setStickyHeaders(bool sticky) { m_sticky = sticky; }

    void beginUpdates();
    void endUpdates();
    void performBatchUpdates(const std::function<void()>& updates, std::function<void(bool)> completion = {});
    void insertRows(const QList<IndexPath>& paths);
    void deleteRows(const QList<IndexPath>& paths);
    void reloadRows(const QList<IndexPath>& paths);
    void moveRow(const IndexPath& from, const IndexPath& to);
    void insertSections(const QList<int>& sections);
    void deleteSections(const QList<int>& sections);
    void reloadSections(const QList<int>& sections);
    // Asks every height again (after a change of what sizes depend on).
    void invalidateLayout();
    // Rows that change height by themselves (a page measured in a cell): whether the list follows
    // its bottom (it is at its bottom), and, for a list that does not, `change` (heights only, the
    // rows stay) run keeping the user's place: the first row in view stays where it is on screen, so
    // rows above it that grow or shrink do not move what the user reads.
    virtual bool followsBottom() const;
    virtual void keepingPlace(const std::function<void()>& change);
    // The first row with some of it in view.
    std::optional<IndexPath> firstRowInView() const;

signals:
    void batchApplied();

protected:
    // Runs `change` and then lays the rows out once, where they end: a change that moves the rows and
    // then the offset back would otherwise lay out, in between, rows the user never sees, handing the
    // views of rows in view back to the pool and making them again.
    void layingOutOnceAfter(const std::function<void()>& change);
    virtual int sectionCountForList() { return 1; }
    virtual int rowCountForList(int section) = 0;
    virtual qreal rowHeightForList(const IndexPath& path) = 0;
    virtual qreal headerHeightForList(int section) {
        Q_UNUSED(section);
        return 0;
    }
    virtual ReusableView* cellForList(const IndexPath& path) = 0;
    virtual QWidget* headerForList(int section) {
        Q_UNUSED(section);
        return nullptr;
    }
    virtual QStringList indexTitlesForList() { return {}; }
    virtual int sectionForIndexTitle(const QString& title, int index) {
        Q_UNUSED(title);
        return index;
    }
    virtual bool shouldSelect(const IndexPath& path) {
        Q_UNUSED(path);
        return true;
    }
    virtual void didSelect(const IndexPath& path) { Q_UNUSED(path); }
    virtual void didDeselect(const IndexPath& path) { Q_UNUSED(path); }
    virtual void willDisplay(ReusableView* view, const IndexPath& path) {
        Q_UNUSED(view);
        Q_UNUSED(path);
    }
    virtual void didEndDisplaying(ReusableView* view, const IndexPath& path) {
        Q_UNUSED(view);
        Q_UNUSED(path);
    }
    virtual void rowSwiped(const IndexPath& path, qreal dx) {
        Q_UNUSED(path);
        Q_UNUSED(dx);
    }

    void layoutContent() override;
    void tapped(const QPointF& viewportPoint) override;
    void swiped(const QPointF& viewportPoint, qreal dx) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Mirrored: the rows and the section index change sides.
    void changeEvent(QEvent* event) override;

private:
    struct Section {
        qreal top = 0;
        qreal headerHeight = 0;
        std::vector<qreal> rowTops; // row count + 1 entries, relative to the end of the header
        qreal bottom() const { return top + headerHeight + rowTops.back(); }
    };
    struct Batch {
        QList<IndexPath> inserted, deleted, reloaded;
        QList<std::pair<IndexPath, IndexPath>> moved;
        QList<int> insertedSections, deletedSections, reloadedSections;
        bool empty() const {
            return inserted.isEmpty() && deleted.isEmpty() && reloaded.isEmpty() && moved.isEmpty() &&
                   insertedSections.isEmpty() && deletedSections.isEmpty() && reloadedSections.isEmpty();
        }
    };

    void rebuildGeometry();
    // The batch only adds rows at the ends of their sections (and the width is unchanged).
    bool appendsRowsOnly(const Batch& batch) const;
    // The geometry of appended rows alone: the other rows keep the heights they have.
    void extendGeometry();
    void enqueue(ReusableView* view, const IndexPath& path);
    // A view that stays shown in the pool waits there out of sight and disabled, until the list rests.
    void park(ReusableView* view);
    // Back from waiting: enabled again when the pool disabled it.
    void unpark(ReusableView* view);
    void hideParked();
    void clearVisible();
    void applyBatch();
    bool mapBatch(std::map<IndexPath, IndexPath>& survivors);
    void layoutHeaders(const QRectF& visible);
    void layoutIndexBar();
    qreal contentTop() const;

    std::vector<Section> m_sections;
    std::map<IndexPath, ReusableView*> m_visible;
    std::map<int, QPointer<QWidget>> m_headers;
    QHash<QString, QList<ReusableView*>> m_pool;
    QHash<QString, Factory> m_factories;
    // Pooled views waiting shown, and whether the pool disabled each; hidden once m_restTimer ends.
    QList<std::pair<QPointer<ReusableView>, bool>> m_parked;
    QTimer* m_restTimer = nullptr;
    std::optional<IndexPath> m_selected;
    QPointer<QWidget> m_listHeader;
    SectionIndexBar* m_indexBar = nullptr;
    Batch m_batch;
    int m_updateDepth = 0;
    int m_lastWidth = -1;
    bool m_loaded = false;
    bool m_inLayout = false;
    int m_layoutHolds = 0;
    bool m_layoutHeld = false;
    bool m_sticky = true;
    bool m_allowsSelection = true;
};

} // namespace pelnix::platform::ui
