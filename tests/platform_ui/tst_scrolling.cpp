#include "TestSandbox.h"
#include "platform/ui/Animator.h"
#include "platform/ui/CollectionView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace pelnix::platform::ui;

namespace {
// Sections of numbered rows; pairs every willDisplay with a didEndDisplaying.
class Rows : public QObject, public TableViewDataSource, public TableViewDelegate {
public:
    QList<int> counts;
    QHash<IndexPath, int> heights;
    int displayed = 0;
    int ended = 0;
    bool customHeaders = false;
    bool plainCells = false;

    int numberOfSectionsInTableView(TableView*) override { return int(counts.size()); }
    int numberOfRowsInSection(TableView*, int s) override { return counts.value(s); }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        TableViewCell* cell = plainCells ? nullptr : table->dequeueReusableCell("r");
        if (!cell)
            cell = new TableViewCell(TableViewCell::Style::Default,
                                     plainCells ? QString() : QStringLiteral("r"));
        cell->textLabel()->setText(QStringLiteral("%1.%2").arg(path.section).arg(path.row));
        return cell;
    }
    qreal heightForRowAtIndexPath(TableView*, const IndexPath& path) override {
        return heights.value(path, -1);
    }
    qreal heightForHeaderInSection(TableView*, int) override { return customHeaders ? 30 : 0; }
    QWidget* viewForHeaderInSection(TableView*, int section) override {
        return customHeaders ? new QLabel(QStringLiteral("Section %1").arg(section)) : nullptr;
    }
    void willDisplayCell(TableView*, TableViewCell*, const IndexPath&) override { ++displayed; }
    void didEndDisplayingCell(TableView*, TableViewCell*, const IndexPath&) override { ++ended; }
};

bool eachCellShowsItsPath(TableView& table) {
    for (const IndexPath& path : table.indexPathsForVisibleRows())
        if (table.cellForRowAtIndexPath(path)->textLabel()->text() !=
            QStringLiteral("%1.%2").arg(path.section).arg(path.row))
            return false;
    return true;
}
} // namespace

class TestScrolling : public QObject {
    Q_OBJECT
private slots:
    void init() { Animator::setInstant(true); }

    void offsetsInsetsAndRanges() {
        ScrollView view;
        view.resize(200, 300);
        view.show();
        auto* content = new QWidget;
        content->resize(200, 1000);
        view.setContentWidget(content);
        QCOMPARE(view.contentSize(), QSizeF(200, 1000));
        view.setContentInset(QMargins(0, 40, 0, 60));
        QCOMPARE(view.minimumContentOffset().y(), -40.0);
        QCOMPARE(view.maximumContentOffset().y(), 1000.0 + 60 - view.viewport()->height());

        QSignalSpy scrolled(&view, &ScrollView::didScroll);
        view.setContentOffset(QPointF(0, -40));
        QCOMPARE(content->y(), 40); // the top inset shows above the content
        QCOMPARE(scrolled.size(), 1);
        view.setContentOffset(QPointF(0, -40)); // no change, no callback
        QCOMPARE(scrolled.size(), 1);

        // Code may place the content past the end, as UIKit allows; the user's drag may not.
        view.setContentOffset(QPointF(0, 5000));
        QCOMPARE(view.contentOffset().y(), 5000.0);
        view.setContentOffset(QPointF(0, 0));
        QSignalSpy began(&view, &ScrollView::willBeginDragging);
        QSignalSpy ended(&view, &ScrollView::didEndDragging);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(100, 250));
        QTest::mouseMove(view.viewport(), QPoint(100, 150));
        QVERIFY(view.isDragging());
        QTest::mouseMove(view.viewport(), QPoint(100, -5000));
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(100, -5000));
        QCOMPARE(began.size(), 1);
        QCOMPARE(ended.size(), 1);
        QCOMPARE(view.contentOffset().y(), view.maximumContentOffset().y());
        QVERIFY(!view.isDragging());

        // The wheel goes through the scroll bar and lands in the same offset.
        view.verticalScrollBar()->setValue(100);
        QCOMPARE(view.contentOffset().y(), 100.0);
    }

    void scrollToRowPositionsRespectInsets() {
        TableView table;
        Rows rows;
        rows.counts = {100};
        table.setDataSource(&rows);
        table.resize(300, 440);
        table.show();
        table.setContentInset(QMargins(0, 20, 0, 30));
        const qreal h = table.viewport()->height();
        table.scrollToRowAtIndexPath(IndexPath::forRow(50), RowListView::ScrollPosition::Top, false);
        QCOMPARE(table.contentOffset().y(), 50 * 44.0 - 20);
        table.scrollToRowAtIndexPath(IndexPath::forRow(50), RowListView::ScrollPosition::Middle, false);
        QCOMPARE(table.contentOffset().y(), 50 * 44.0 + 22 - h / 2);
        table.scrollToRowAtIndexPath(IndexPath::forRow(50), RowListView::ScrollPosition::Bottom, false);
        QCOMPARE(table.contentOffset().y(), 51 * 44.0 - h + 30);
        // None moves only as far as needed, and not at all when the row is in view.
        const qreal before = table.contentOffset().y();
        table.scrollToRowAtIndexPath(IndexPath::forRow(48), RowListView::ScrollPosition::None, false);
        QCOMPARE(table.contentOffset().y(), before);
        // Near the ends the offset stays within the scrollable range.
        table.scrollToRowAtIndexPath(IndexPath::forRow(99), RowListView::ScrollPosition::Top, false);
        QCOMPARE(table.contentOffset(), table.maximumContentOffset());
        table.scrollToRowAtIndexPath(IndexPath::forRow(0), RowListView::ScrollPosition::Bottom, false);
        QCOMPARE(table.contentOffset(), table.minimumContentOffset());
        // Unknown rows are ignored.
        table.scrollToRowAtIndexPath(IndexPath{3, 0}, RowListView::ScrollPosition::Top, false);
        QCOMPARE(table.contentOffset(), table.minimumContentOffset());
        QVERIFY(eachCellShowsItsPath(table));
    }

    void variableHeightsAndHitTesting() {
        TableView table;
        Rows rows;
        rows.counts = {5, 5};
        rows.customHeaders = true;
        rows.heights[IndexPath{0, 1}] = 100;
        rows.heights[IndexPath{0, 2}] = 0; // collapsed: takes no room and gets no cell
        table.setDataSource(&rows);
        table.setDelegate(&rows);
        table.resize(300, 800);
        table.show();
        QCOMPARE(table.rectForRow(IndexPath{0, 1}), QRectF(0, 30 + 44, table.viewport()->width(), 100));
        QCOMPARE(table.rectForRow(IndexPath{0, 3}).top(), 30 + 44 + 100.0);
        QVERIFY(!table.cellForRowAtIndexPath(IndexPath{0, 2}));
        QCOMPARE(table.indexPathAt(QPointF(10, 30 + 44 + 99)), std::optional(IndexPath{0, 1}));
        QCOMPARE(table.indexPathAt(QPointF(10, 30 + 44 + 100)), std::optional(IndexPath{0, 3}));
        QVERIFY(!table.indexPathAt(QPointF(10, 5))); // the header is no row
        QCOMPARE(table.rectForHeader(1).top(), 30 + 44 * 3 + 100.0 + 0);
        QCOMPARE(qobject_cast<QLabel*>(table.headerViewAt(1))->text(), QStringLiteral("Section 1"));
        QVERIFY(!table.indexPathAt(QPointF(10, 1e6)));
    }

    void displayCallbacksPairUpAndPlainCellsAreNotLeaked() {
        TableView table;
        Rows rows;
        rows.counts = {500};
        rows.plainCells = true; // no identifier: made anew each time, so they must go when hidden
        table.setDataSource(&rows);
        table.setDelegate(&rows);
        table.resize(300, 440);
        table.show();
        for (int y = 0; y < 500 * 44; y += 300)
            table.setContentOffset(QPointF(0, y));
        QCOMPARE(rows.displayed - rows.ended, int(table.indexPathsForVisibleRows().size()));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(table.viewport()->findChildren<TableViewCell*>().size(),
                 table.indexPathsForVisibleRows().size());
        QVERIFY(eachCellShowsItsPath(table));
    }

    void sectionBatchesAndCrossSectionMoves() {
        TableView table;
        Rows rows;
        rows.counts = {3, 3, 3};
        table.setDataSource(&rows);
        table.resize(300, 800);
        table.show();
        TableViewCell* moved = table.cellForRowAtIndexPath(IndexPath{2, 0});
        QVERIFY(moved);

        // Section 1 goes, a section is inserted at the front; old (2,0) moves to the new (0,0).
        table.beginUpdates();
        rows.counts = {1, 3, 2};
        table.deleteSections({1});
        table.insertSections({0});
        table.moveRow(IndexPath{2, 0}, IndexPath{0, 0});
        table.endUpdates();
        QCOMPARE(table.numberOfSections(), 3);
        QCOMPARE(table.cellForRowAtIndexPath(IndexPath{0, 0}), moved);
        // The moved cell keeps its old text: a move is not a reload.
        QCOMPARE(moved->textLabel()->text(), QStringLiteral("2.0"));
        QCOMPARE(table.cellForRowAtIndexPath(IndexPath{1, 0})->textLabel()->text(), QStringLiteral("0.0"));

        // A reloaded section asks its cells again; the other sections keep theirs.
        TableViewCell* untouched = table.cellForRowAtIndexPath(IndexPath{1, 2});
        QSignalSpy applied(&table, &RowListView::batchApplied);
        table.reloadSections({2});
        QCOMPARE(applied.size(), 1);
        QCOMPARE(table.cellForRowAtIndexPath(IndexPath{1, 2}), untouched);
        QCOMPARE(table.cellForRowAtIndexPath(IndexPath{2, 1})->textLabel()->text(), QStringLiteral("2.1"));
        QCOMPARE(table.numberOfRows(2), 2);

        // Out-of-range deletions are not trusted either.
        table.deleteRows({IndexPath{0, 9}});
        QVERIFY(eachCellShowsItsPath(table));
    }

    void aDataSourceThatGoesAwayIsDropped() {
        TableView table;
        auto* rows = new Rows;
        rows->counts = {10};
        table.setDataSource(rows);
        table.resize(300, 300);
        table.show();
        QVERIFY(!table.indexPathsForVisibleRows().isEmpty());
        delete rows;
        QVERIFY(!table.dataSource());
        table.reloadData();
        QCOMPARE(table.numberOfSections(), 0);
        QVERIFY(table.indexPathsForVisibleRows().isEmpty());
    }

    void collectionSelectionAndHeaderReuse() {
        struct Items : CollectionViewDataSource, CollectionViewDelegate {
            int count = 30;
            int headersMade = 0;
            QList<IndexPath> selected;
            int numberOfSectionsInCollectionView(CollectionView*) override { return 3; }
            int numberOfItemsInSection(CollectionView*, int) override { return count; }
            CollectionViewCell* cellForItemAtIndexPath(CollectionView* view, const IndexPath& path) override {
                return view->dequeueReusableCell("c", path);
            }
            ReusableView* viewForSupplementaryElementOfKind(CollectionView* view, const QString& kind,
                                                            const IndexPath& path) override {
                return view->dequeueReusableSupplementaryView(kind, "h", path);
            }
            QSizeF referenceSizeForHeaderInSection(CollectionView*, int) override { return {0, 20}; }
            void didSelectItemAtIndexPath(CollectionView*, const IndexPath& path) override {
                selected << path;
            }
        } items;
        CollectionView view;
        view.registerCell("c", [] { return new CollectionViewCell; });
        view.registerSupplementaryView(CollectionView::kSectionHeader, "h", [&items] {
            ++items.headersMade;
            return new ReusableView;
        });
        view.setDataSource(&items);
        view.setDelegate(&items);
        view.resize(300, 400);
        view.show();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(50, 20 + 50 + 10));
        QCOMPARE(items.selected, QList<IndexPath>{IndexPath::forItem(1)});
        // Headers scroll with their section (no pinning) and are reused across reloads.
        view.setContentOffset(QPointF(0, 100));
        QCOMPARE(view.headerViewAt(0)->y(), -100);
        view.reloadData();
        view.reloadData();
        QCOMPARE(items.headersMade, 1);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestScrolling t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_scrolling.moc"
