#pragma once

#include "TableViewDataSource.h"
#include "TableViewDelegate.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

namespace pelnix::platform::ui {

class TableViewCell;

// A static table: cells built once by the screen, in sections with titles; rows can be hidden
// without rebuilding anything. Index paths handed to the table count visible rows only.
class StaticTableDataSource : public QObject, public TableViewDataSource, public TableViewDelegate {
    Q_OBJECT
public:
    explicit StaticTableDataSource(QObject* parent = nullptr) : QObject(parent) {}
    ~StaticTableDataSource() override;

    int addSection(const QString& title = {});
    // Adds `cell` (owned here) to `section`; returns its static index path.
    IndexPath addCell(int section, TableViewCell* cell, qreal height = -1,
                      std::function<void()> onSelect = {});
    void setRowHidden(const IndexPath& staticPath, bool hidden);
    bool isRowHidden(const IndexPath& staticPath) const;
    TableViewCell* cellAt(const IndexPath& staticPath) const;
    // The static path of a visible row path, and back.
    IndexPath staticPath(const IndexPath& visiblePath) const;
    std::optional<IndexPath> visiblePath(const IndexPath& staticPath) const;

    int numberOfSectionsInTableView(TableView* table) override;
    int numberOfRowsInSection(TableView* table, int section) override;
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override;
    QString titleForHeaderInSection(TableView* table, int section) override;
    qreal heightForRowAtIndexPath(TableView* table, const IndexPath& path) override;
    void didSelectRowAtIndexPath(TableView* table, const IndexPath& path) override;

private:
    struct Row {
        QPointer<TableViewCell> cell;
        qreal height;
        bool hidden;
        std::function<void()> onSelect;
    };
    struct Section {
        QString title;
        QList<Row> rows;
    };
    const Row* row(const IndexPath& visiblePath) const;

    QList<Section> m_sections;
};

} // namespace pelnix::platform::ui
