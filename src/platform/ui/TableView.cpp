#include "TableView.h"

#include "LibraryFont.h"

#include <QLabel>
#include <QVBoxLayout>

namespace pelnix::platform::ui {

namespace {
const QString kDefaultHeaderIdentifier = QStringLiteral("pelnix.tableHeader");

// The plain header: the section title on a light band.
class TitleHeaderView : public ReusableView {
public:
    TitleHeaderView() : ReusableView(kDefaultHeaderIdentifier) {
        setBackgroundColor(QColor(247, 247, 247));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(15, 0, 15, 0);
        label = new QLabel(this);
        label->setObjectName(QStringLiteral("headerTitle"));
        label->setTextFormat(Qt::PlainText);
        // In the library's face, never the host program's.
        label->setFont(libraryFont(14, true));
        layout->addWidget(label);
    }
    QLabel* label;
};
} // namespace

TableView::TableView(QWidget* parent) : RowListView(parent) {
    setObjectName(QStringLiteral("tableView"));
    registerReuseFactory(kDefaultHeaderIdentifier, [] { return new TitleHeaderView; });
}

void TableView::setDataSource(TableViewDataSource* dataSource) {
    m_dataSource = dataSource;
    m_dataSourceObject = dynamic_cast<QObject*>(dataSource);
    m_dataSourceIsObject = m_dataSourceObject;
}

void TableView::setDelegate(TableViewDelegate* delegate) {
    m_delegate = delegate;
    m_delegateObject = dynamic_cast<QObject*>(delegate);
    m_delegateIsObject = m_delegateObject;
}

TableViewDataSource* TableView::dataSource() const {
    return m_dataSourceIsObject && !m_dataSourceObject ? nullptr : m_dataSource;
}

TableViewDelegate* TableView::delegate() const {
    return m_delegateIsObject && !m_delegateObject ? nullptr : m_delegate;
}

void TableView::registerCell(const QString& identifier, std::function<TableViewCell*()> factory) {
    registerReuseFactory(identifier, [factory]() -> ReusableView* { return factory ? factory() : nullptr; });
}

TableViewCell* TableView::dequeueReusableCell(const QString& identifier) {
    return qobject_cast<TableViewCell*>(dequeueReusableView(identifier));
}

TableViewCell* TableView::cellForRowAtIndexPath(const IndexPath& path) const {
    return qobject_cast<TableViewCell*>(viewAt(path));
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const {
    for (const IndexPath& path : indexPathsForVisibleRows())
        if (viewAt(path) == cell)
            return path;
    return std::nullopt;
}

QList<TableViewCell*> TableView::visibleCells() const {
    QList<TableViewCell*> out;
    for (ReusableView* view : visibleViews())
        if (auto* cell = qobject_cast<TableViewCell*>(view))
            out << cell;
    return out;
}

int TableView::sectionCountForList() {
    auto* ds = dataSource();
    return ds ? ds->numberOfSectionsInTableView(this) : 0;
}

int TableView::rowCountForList(int section) {
    auto* ds = dataSource();
    return ds ? ds->numberOfRowsInSection(this, section) : 0;
}

qreal TableView::rowHeightForList(const IndexPath& path) {
    auto* d = delegate();
    const qreal h = d ? d->heightForRowAtIndexPath(this, path) : -1;
    return h >= 0 ? h : m_rowHeight;
}

qreal TableView::headerHeightForList(int section) {
    if (auto* d = delegate()) {
        const qreal h = d->heightForHeaderInSection(this, section);
        if (h >= 0)
            return h;
    }
    auto* ds = dataSource();
    return ds && !ds->titleForHeaderInSection(this, section).isEmpty() ? m_headerHeight : 0;
}

ReusableView* TableView::cellForList(const IndexPath& path) {
    auto* ds = dataSource();
    TableViewCell* cell = ds ? ds->cellForRowAtIndexPath(this, path) : nullptr;
    if (cell) {
        watchRowActions(cell);
        // Whatever the cell's own reuse code did: a row comes into view closed.
        cell->resetRowActions();
        cell->setSeparatorVisible(m_separators);
    }
    return cell;
}

QWidget* TableView::headerForList(int section) {
    if (auto* d = delegate())
        if (QWidget* custom = d->viewForHeaderInSection(this, section))
            return custom;
    auto* ds = dataSource();
    const QString title = ds ? ds->titleForHeaderInSection(this, section) : QString();
    if (title.isEmpty())
        return nullptr;
    auto* header = static_cast<TitleHeaderView*>(dequeueReusableView(kDefaultHeaderIdentifier));
    header->label->setText(title);
    return header;
}

QStringList TableView::indexTitlesForList() {
    auto* ds = dataSource();
    return ds ? ds->sectionIndexTitlesForTableView(this) : QStringList{};
}

int TableView::sectionForIndexTitle(const QString& title, int index) {
    auto* ds = dataSource();
    return ds ? ds->sectionForSectionIndexTitle(this, title, index) : index;
}

bool TableView::shouldSelect(const IndexPath& path) {
    auto* d = delegate();
    return !d || d->shouldSelectRowAtIndexPath(this, path);
}

void TableView::didSelect(const IndexPath& path) {
    if (auto* d = delegate())
        d->didSelectRowAtIndexPath(this, path);
}

void TableView::didDeselect(const IndexPath& path) {
    if (auto* d = delegate())
        d->didDeselectRowAtIndexPath(this, path);
}

void TableView::willDisplay(ReusableView* view, const IndexPath& path) {
    auto* cell = qobject_cast<TableViewCell*>(view);
    if (!cell)
        return;
    if (auto* d = delegate()) {
        d->willDisplayCell(this, cell, path);
    }
}

void TableView::didEndDisplaying(ReusableView* view, const IndexPath& path) {
    auto* cell = qobject_cast<TableViewCell*>(view);
    if (!cell)
        return;
    cell->revealActions(false);
    if (auto* d = delegate())
        d->didEndDisplayingCell(this, cell, path);
}

void TableView::watchRowActions(TableViewCell* cell) {
    if (cell->property("pelnix.rowActionsWatched").toBool())
        return;
    cell->setProperty("pelnix.rowActionsWatched", true);
    QPointer<TableViewCell> guard(cell);
    connect(cell, &TableViewCell::rowActionsStateChanged, this, [this, guard](bool open) {
        if (guard)
            rowActionsStateChanged(guard, open);
    });
}

void TableView::rowActionsStateChanged(TableViewCell* cell, bool open) {
    if (open) {
        if (m_openCell && m_openCell != cell)
            m_openCell->revealActions(false);
        const auto path = indexPathForCell(cell);
        if (!path)
            return;
        m_openCell = cell;
        m_openPath = *path;
        if (auto* d = delegate())
            d->didOpenRowActionsAtIndexPath(this, *path);
        return;
    }
    if (m_openCell != cell)
        return;
    // A cell leaving the view is no longer among the visible ones: fall back to where it was opened.
    const IndexPath path = indexPathForCell(cell).value_or(m_openPath);
    m_openCell = nullptr;
    if (auto* d = delegate())
        d->didCloseRowActionsAtIndexPath(this, path);
}

std::optional<IndexPath> TableView::indexPathForOpenRow() const {
    if (!m_openCell)
        return std::nullopt;
    return indexPathForCell(m_openCell).value_or(m_openPath);
}

bool TableView::revealRowActions(const IndexPath& path, bool animated) {
    TableViewCell* cell = cellForRowAtIndexPath(path);
    auto* d = delegate();
    if (!cell || !d)
        return false;
    const QList<RowAction> actions = d->editActionsForRowAtIndexPath(this, path);
    if (actions.isEmpty())
        return false;
    if (cell->areActionsRevealed())
        return true;
    hideRowActions(animated);
    watchRowActions(cell);
    QPointer<TableViewCell> guard(cell);
    cell->setRowActions(actions, [this, guard, actions](int index) {
        // The row may have moved since the options were revealed: ask where it is now.
        if (!guard)
            return;
        const auto now = indexPathForCell(guard);
        if (now && actions[index].handler)
            actions[index].handler(*now);
    });
    cell->revealActions(true, animated);
    return true;
}

void TableView::hideRowActions(bool animated) {
    for (TableViewCell* cell : visibleCells())
        cell->revealActions(false, animated);
}

void TableView::rowSwiped(const IndexPath& path, qreal dx) {
    const bool towardsEnd = layoutDirection() == Qt::RightToLeft ? dx > 0 : dx < 0;
    if (towardsEnd)
        revealRowActions(path, true);
    else
        hideRowActions(true);
}

void TableView::tapped(const QPointF& viewportPoint) {
    // A tap anywhere closes revealed options first, as on the phone.
    for (TableViewCell* cell : visibleCells()) {
        if (cell->areActionsRevealed()) {
            cell->revealActions(false, true);
            return;
        }
    }
    RowListView::tapped(viewportPoint);
}

} // namespace pelnix::platform::ui
