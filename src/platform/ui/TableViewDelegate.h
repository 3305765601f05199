#pragma once

#include "IndexPath.h"

#include <QColor>
#include <QList>
#include <QString>
#include <functional>

class QWidget;

namespace pelnix::platform::ui {

class TableView;
class TableViewCell;

// An option revealed by swiping a row to the left.
struct RowAction {
    QString title;
    QColor color{199, 199, 204};
    std::function<void(const IndexPath&)> handler;
};

// How a table lays out and reacts. Every method is optional; a height below 0 means "the table's own".
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    virtual qreal heightForRowAtIndexPath(TableView* table, const IndexPath& path) {
        Q_UNUSED(table);
        Q_UNUSED(path);
        return -1;
    }
    virtual qreal heightForHeaderInSection(TableView* table, int section) {
        Q_UNUSED(table);
        Q_UNUSED(section);
        return -1;
    }
    // The table owns the view it is given.
    virtual QWidget* viewForHeaderInSection(TableView* table, int section) {
        Q_UNUSED(table);
        Q_UNUSED(section);
        return nullptr;
    }
    virtual bool shouldSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
        Q_UNUSED(table);
        Q_UNUSED(path);
        return true;
    }
    virtual void didSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
        Q_UNUSED(table);
        Q_UNUSED(path);
    }
    virtual void didDeselectRowAtIndexPath(TableView* table, const IndexPath& path) {
        Q_UNUSED(table);
        Q_UNUSED(path);
    }
    virtual void willDisplayCell(TableView* table, TableViewCell* cell, const IndexPath& path) {
        Q_UNUSED(table);
        Q_UNUSED(cell);
        Q_UNUSED(path);
    }
    virtual void didEndDisplayingCell(TableView* table, TableViewCell* cell, const IndexPath& path) {
        Q_UNUSED(table);
        Q_UNUSED(cell);
        Q_UNUSED(path);
    }
    virtual QList<RowAction> editActionsForRowAtIndexPath(TableView* table, const IndexPath& path) {
        Q_UNUSED(table);
        Q_UNUSED(path);
        return {};
    }
    // A row's swipe options opened or closed (by a swipe, a tap, the table or reuse); at most one row
    // is open at a time, and an opening row closes the open one first.
    virtual void didOpenRowActionsAtIndexPath(TableView* table, const IndexPath& path) {
        Q_UNUSED(table);
        Q_UNUSED(path);
    }
    virtual void didCloseRowActionsAtIndexPath(TableView* table, const IndexPath& path) {
        Q_UNUSED(table);
        Q_UNUSED(path);
    }
};

} // namespace pelnix::platform::ui
