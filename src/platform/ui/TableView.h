#pragma once

#include "RowListView.h"
#include "TableViewCell.h"
#include "TableViewDataSource.h"
#include "TableViewDelegate.h"

#include <QPointer>

namespace pelnix::platform::ui {

// A table on the row engine: sections with title or custom headers (pinned while their section is in
// view), a section index, selection, swipe-to-reveal row options, separators.
class TableView : public RowListView {
    Q_OBJECT
public:
    static constexpr qreal kDefaultRowHeight = 44;
    static constexpr qreal kDefaultHeaderHeight = 28;

    explicit TableView(QWidget* parent = nullptr);

    void setDataSource(TableViewDataSource* dataSource);
    void setDelegate(TableViewDelegate* delegate);
    TableViewDataSource* dataSource() const;
    TableViewDelegate* delegate() const;

    qreal rowHeight() const { return m_rowHeight; }
    void setRowHeight(qreal height) { m_rowHeight = height; }
    qreal sectionHeaderHeight() const { return m_headerHeight; }
    void setSectionHeaderHeight(qreal height) { m_headerHeight = height; }
    bool showsSeparators() const { return m_separators; }
    void setShowsSeparators(bool shows) { m_separators = shows; }
    void setTableHeaderView(QWidget* view) { setListHeaderView(view); }

    void registerCell(const QString& identifier, std::function<TableViewCell*()> factory);
    TableViewCell* dequeueReusableCell(const QString& identifier);
    TableViewCell* cellForRowAtIndexPath(const IndexPath& path) const;
    std::optional<IndexPath> indexPathForCell(const TableViewCell* cell) const;
    QList<TableViewCell*> visibleCells() const;
    std::optional<IndexPath> indexPathForSelectedRow() const { return selectedIndexPath(); }
    void scrollToRowAtIndexPath(const IndexPath& path, ScrollPosition position, bool animated) {
        scrollToRow(path, position, animated);
    }

    // Swipe options of a row in view: reveals them (hiding any other revealed row).
    bool revealRowActions(const IndexPath& path, bool animated = false);
    void hideRowActions(bool animated = false);
    // The row whose options are open, if any.
    std::optional<IndexPath> indexPathForOpenRow() const;

protected:
    int sectionCountForList() override;
    int rowCountForList(int section) override;
    qreal rowHeightForList(const IndexPath& path) override;
    qreal headerHeightForList(int section) override;
    ReusableView* cellForList(const IndexPath& path) override;
    QWidget* headerForList(int section) override;
    QStringList indexTitlesForList() override;
    int sectionForIndexTitle(const QString& title, int index) override;
    bool shouldSelect(const IndexPath& path) override;
    void didSelect(const IndexPath& path) override;
    void didDeselect(const IndexPath& path) override;
    void willDisplay(ReusableView* view, const IndexPath& path) override;
    void didEndDisplaying(ReusableView* view, const IndexPath& path) override;
    void rowSwiped(const IndexPath& path, qreal dx) override;
    void tapped(const QPointF& viewportPoint) override;

private:
    void watchRowActions(TableViewCell* cell);
    void rowActionsStateChanged(TableViewCell* cell, bool open);

    TableViewDataSource* m_dataSource = nullptr;
    TableViewDelegate* m_delegate = nullptr;
    QPointer<QObject> m_dataSourceObject;
    QPointer<QObject> m_delegateObject;
    bool m_dataSourceIsObject = false;
    bool m_delegateIsObject = false;
    qreal m_rowHeight = kDefaultRowHeight;
    qreal m_headerHeight = kDefaultHeaderHeight;
    bool m_separators = true;
    QPointer<TableViewCell> m_openCell;
    IndexPath m_openPath;
};

} // namespace pelnix::platform::ui
