#pragma once

#include "IndexPath.h"

#include <QString>
#include <QStringList>

namespace pelnix::platform::ui {

class TableView;
class TableViewCell;

// What a table shows. Implemented by screens (usually their controller, which must outlive the table
// or be a QObject: a QObject data source that goes away is dropped by the table).
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView* table) {
        Q_UNUSED(table);
        return 1;
    }
    virtual int numberOfRowsInSection(TableView* table, int section) = 0;
    // Usually table->dequeueReusableCell(identifier), or a new cell with that identifier.
    virtual TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) = 0;
    virtual QString titleForHeaderInSection(TableView* table, int section) {
        Q_UNUSED(table);
        Q_UNUSED(section);
        return {};
    }
    virtual QStringList sectionIndexTitlesForTableView(TableView* table) {
        Q_UNUSED(table);
        return {};
    }
    virtual int sectionForSectionIndexTitle(TableView* table, const QString& title, int index) {
        Q_UNUSED(table);
        Q_UNUSED(title);
        return index;
    }
};

} // namespace pelnix::platform::ui
