#include "StaticTableDataSource.h"

#include "TableView.h"
#include "TableViewCell.h"

namespace pelnix::platform::ui {

namespace {
const char* const kKeepWhenHidden = "pelnix.keepWhenHidden";
}

StaticTableDataSource::~StaticTableDataSource() {
    for (const Section& section : m_sections)
        for (const Row& row : section.rows)
            delete row.cell.data();
}

int StaticTableDataSource::addSection(const QString& title) {
    m_sections << Section{title, {}};
    return int(m_sections.size()) - 1;
}

IndexPath StaticTableDataSource::addCell(int section, TableViewCell* cell, qreal height,
                                         std::function<void()> onSelect) {
    while (section >= m_sections.size())
        addSection();
    if (cell) {
        // Static cells are never pooled nor deleted by the table: they live here.
        cell->setReuseIdentifier(QString());
        cell->setProperty(kKeepWhenHidden, true);
    }
    m_sections[section].rows << Row{cell, height, false, std::move(onSelect)};
    return IndexPath{section, int(m_sections[section].rows.size()) - 1};
}

void StaticTableDataSource::setRowHidden(const IndexPath& staticPath, bool hidden) {
    if (staticPath.section < 0 || staticPath.section >= m_sections.size())
        return;
    auto& rows = m_sections[staticPath.section].rows;
    if (staticPath.row < 0 || staticPath.row >= rows.size())
        return;
    rows[staticPath.row].hidden = hidden;
    if (hidden && rows[staticPath.row].cell)
        rows[staticPath.row].cell->hide();
}

bool StaticTableDataSource::isRowHidden(const IndexPath& staticPath) const {
    if (staticPath.section < 0 || staticPath.section >= m_sections.size())
        return false;
    return m_sections[staticPath.section].rows.value(staticPath.row).hidden;
}

TableViewCell* StaticTableDataSource::cellAt(const IndexPath& staticPath) const {
    if (staticPath.section < 0 || staticPath.section >= m_sections.size())
        return nullptr;
    return m_sections[staticPath.section].rows.value(staticPath.row).cell;
}

IndexPath StaticTableDataSource::staticPath(const IndexPath& visiblePath) const {
    if (visiblePath.section < 0 || visiblePath.section >= m_sections.size())
        return visiblePath;
    int seen = -1;
    const auto& rows = m_sections[visiblePath.section].rows;
    for (int i = 0; i < rows.size(); ++i)
        if (!rows[i].hidden && ++seen == visiblePath.row)
            return IndexPath{visiblePath.section, i};
    return IndexPath{visiblePath.section, -1};
}

std::optional<IndexPath> StaticTableDataSource::visiblePath(const IndexPath& path) const {
    if (path.section < 0 || path.section >= m_sections.size() || isRowHidden(path))
        return std::nullopt;
    int row = 0;
    const auto& rows = m_sections[path.section].rows;
    if (path.row < 0 || path.row >= rows.size())
        return std::nullopt;
    for (int i = 0; i < path.row; ++i)
        if (!rows[i].hidden)
            ++row;
    return IndexPath{path.section, row};
}

const StaticTableDataSource::Row* StaticTableDataSource::row(const IndexPath& visiblePath) const {
    const IndexPath p = staticPath(visiblePath);
    if (p.row < 0 || p.section < 0 || p.section >= m_sections.size())
        return nullptr;
    return &m_sections[p.section].rows[p.row];
}

int StaticTableDataSource::numberOfSectionsInTableView(TableView*) {
    return int(m_sections.size());
}

int StaticTableDataSource::numberOfRowsInSection(TableView*, int section) {
    if (section < 0 || section >= m_sections.size())
        return 0;
    return int(std::count_if(m_sections[section].rows.begin(), m_sections[section].rows.end(),
                             [](const Row& r) { return !r.hidden; }));
}

TableViewCell* StaticTableDataSource::cellForRowAtIndexPath(TableView*, const IndexPath& path) {
    const Row* r = row(path);
    return r ? r->cell.data() : nullptr;
}

QString StaticTableDataSource::titleForHeaderInSection(TableView*, int section) {
    return section >= 0 && section < m_sections.size() ? m_sections[section].title : QString();
}

qreal StaticTableDataSource::heightForRowAtIndexPath(TableView*, const IndexPath& path) {
    const Row* r = row(path);
    return r ? r->height : -1;
}

void StaticTableDataSource::didSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
    const Row* r = row(path);
    if (table)
        table->deselectRow(path, true);
    if (r && r->onSelect)
        r->onSelect();
}

} // namespace pelnix::platform::ui
