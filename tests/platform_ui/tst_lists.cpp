#include "TestSandbox.h"
#include "platform/ui/Animator.h"
#include "platform/ui/CollectionView.h"
#include "platform/ui/SectionIndexBar.h"
#include "platform/ui/StaticTableDataSource.h"
#include "platform/ui/TableView.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QTest>

using namespace pelnix::platform::ui;

namespace {
// Rows of text in sections; counts the cells it makes and what the table asks.
class Model : public QObject, public TableViewDataSource, public TableViewDelegate {
public:
    QList<QStringList> sections;
    QStringList titles;
    int created = 0;
    int cellRequests = 0;
    QList<IndexPath> selected;
    QList<IndexPath> actionTaps;

    explicit Model(TableView* table) {
        table->registerCell("row", [this] {
            ++created;
            return new TableViewCell(TableViewCell::Style::Subtitle, "row");
        });
    }
    int numberOfSectionsInTableView(TableView*) override { return int(sections.size()); }
    int numberOfRowsInSection(TableView*, int s) override { return int(sections.value(s).size()); }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        ++cellRequests;
        TableViewCell* cell = table->dequeueReusableCell("row");
        cell->textLabel()->setText(sections[path.section][path.row]);
        cell->detailTextLabel()->setText("second line");
        return cell;
    }
    QString titleForHeaderInSection(TableView*, int s) override { return titles.value(s); }
    QStringList sectionIndexTitlesForTableView(TableView*) override { return titles; }
    void didSelectRowAtIndexPath(TableView*, const IndexPath& path) override { selected << path; }
    QList<RowAction> editActionsForRowAtIndexPath(TableView*, const IndexPath&) override {
        return {RowAction{"Delete", Qt::red, [this](const IndexPath& p) { actionTaps << p; }}};
    }
};

// Counts the hide and show events of the widgets it watches.
class VisibilityEvents : public QObject {
public:
    int hides = 0;
    int shows = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        hides += event->type() == QEvent::Hide ? 1 : 0;
        shows += event->type() == QEvent::Show ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};

QStringList rows(int count, const QString& prefix = "Row ") {
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << prefix + QString::number(i);
    return out;
}

// Every cell in view shows the model's text for its own row.
bool cellsMatchModel(TableView& table, const Model& model) {
    for (const IndexPath& path : table.indexPathsForVisibleRows()) {
        const QString shown = table.cellForRowAtIndexPath(path)->textLabel()->text();
        if (shown != model.sections[path.section][path.row]) {
            qWarning() << "row" << path.section << path.row << "shows" << shown;
            return false;
        }
    }
    return !table.indexPathsForVisibleRows().isEmpty();
}
} // namespace

class TestLists : public QObject {
    Q_OBJECT
private slots:
    void init() { Animator::setInstant(true); }

    void longTableMakesCellsOnlyForVisibleRowsAndReusesThem() {
        TableView table;
        Model model(&table);
        model.sections = {rows(10000)};
        table.setDataSource(&model);
        table.setDelegate(&model);
        table.resize(375, 660);
        table.show();
        const int visible = int(table.indexPathsForVisibleRows().size());
        QCOMPARE(visible, 15); // 660 / 44
        QCOMPARE(model.created, visible);
        QCOMPARE(table.contentSize().height(), 10000 * 44.0);

        // Scroll top to bottom in uneven steps: never more cells than fit, always the right rows.
        const qreal bottom = table.maximumContentOffset().y();
        for (qreal y = 0; y < bottom; y += 97) {
            table.setContentOffset(QPointF(0, y));
            QVERIFY(cellsMatchModel(table, model));
        }
        table.scrollToBottom(false);
        QVERIFY(cellsMatchModel(table, model));
        QVERIFY(table.indexPathsForVisibleRows().contains(IndexPath::forRow(9999)));
        QVERIFY2(model.created <= visible + 1, qPrintable(QString::number(model.created)));
        QVERIFY(model.cellRequests > 9999);

        // Off-screen cells wait in the pool rather than being destroyed.
        table.resize(375, 300);
        QVERIFY(table.pooledViewCount("row") > 0);
        QCOMPARE(table.findChildren<TableViewCell*>().size(), model.created);
    }

    void batchUpdatesKeepTheRightRows() {
        TableView table;
        Model model(&table);
        model.sections = {rows(20)};
        table.setDataSource(&model);
        table.resize(375, 44 * 12);
        table.show();
        TableViewCell* cellOf5 = table.cellForRowAtIndexPath(IndexPath::forRow(5));
        TableViewCell* cellOf9 = table.cellForRowAtIndexPath(IndexPath::forRow(9));
        table.selectRow(IndexPath::forRow(9), false);

        // Delete rows 1 and 3, insert a new first row, move old row 7 to the end of the visible part,
        // reload old row 4: indexes of deletes and reloads are old, inserts and moves are new.
        bool completed = false;
        table.performBatchUpdates(
            [&] {
                QStringList& r = model.sections[0];
                const QString seven = r[7];
                r.removeAt(7);
                r.removeAt(3);
                r.removeAt(1);
                r.insert(0, "New");
                r[3] = "Row 4 reloaded"; // old row 4 is now at 3
                r.insert(10, seven);
                table.deleteRows({IndexPath::forRow(1), IndexPath::forRow(3)});
                table.insertRows({IndexPath::forRow(0)});
                table.moveRow(IndexPath::forRow(7), IndexPath::forRow(10));
                table.reloadRows({IndexPath::forRow(4)});
            },
            [&](bool) { completed = true; });
        QVERIFY(completed);
        QVERIFY(cellsMatchModel(table, model));
        QCOMPARE(model.sections[0][4], QStringLiteral("Row 5"));
        QCOMPARE(table.cellForRowAtIndexPath(IndexPath::forRow(4)), cellOf5); // cells follow their rows
        QCOMPARE(table.cellForRowAtIndexPath(IndexPath::forRow(7)), cellOf9);
        QCOMPARE(table.indexPathForSelectedRow(), std::optional(IndexPath::forRow(7)));
        QCOMPARE(table.cellForRowAtIndexPath(IndexPath::forRow(3))->textLabel()->text(),
                 QStringLiteral("Row 4 reloaded"));

        // Deleting the selected row clears the selection.
        model.sections[0].removeAt(7);
        table.deleteRows({IndexPath::forRow(7)});
        QVERIFY(!table.indexPathForSelectedRow());
        QVERIFY(cellsMatchModel(table, model));

        // An update that disagrees with the data source is not trusted: the list reloads whole.
        model.sections[0].removeFirst();
        table.insertRows({IndexPath::forRow(2)});
        QVERIFY(cellsMatchModel(table, model));
        QCOMPARE(table.numberOfRows(0), int(model.sections[0].size()));
    }

    void sectionsHeadersAndIndex() {
        TableView table;
        Model model(&table);
        for (char c = 'A'; c <= 'Z'; ++c) {
            model.titles << QString(QChar(c));
            model.sections << rows(5, QString(QChar(c)) + " ");
        }
        table.setDataSource(&model);
        table.setDelegate(&model);
        table.resize(375, 500);
        table.show();
        QCOMPARE(table.contentSize().height(), 26 * (28 + 5 * 44.0));
        auto* header = qobject_cast<QLabel*>(table.headerViewAt(0)->findChild<QLabel*>("headerTitle"));
        QCOMPARE(header->text(), QStringLiteral("A"));

        // The section index jumps to the section's header.
        auto* index = table.viewport()->findChild<SectionIndexBar*>();
        QVERIFY(index && index->isVisible());
        QCOMPARE(index->titles().size(), 26);
        emit index->picked(12, "M");
        QCOMPARE(table.contentOffset().y(), table.rectForHeader(12).top());
        QVERIFY(cellsMatchModel(table, model));

        // The header of the section at the top stays pinned while its rows scroll under it.
        table.setContentOffset(QPointF(0, table.rectForRow(IndexPath{3, 2}).top()));
        QWidget* pinned = table.headerViewAt(3);
        QVERIFY(pinned);
        QCOMPARE(pinned->y(), 0);

        // The index stands at the rows' trailing edge, away from the headers' titles, and the rows
        // leave it room; mirrored, both change sides, and the headers keep the full width.
        const auto row = [&table] { return table.cellForRowAtIndexPath(IndexPath{3, 2}); };
        const int w = table.viewport()->width();
        const int h = table.viewport()->height();
        QCOMPARE(index->geometry(), QRect(w - SectionIndexBar::kWidth, 0, SectionIndexBar::kWidth, h));
        QCOMPARE(row()->geometry().left(), 0);
        QCOMPARE(row()->geometry().right(), index->geometry().left() - 1);
        table.setLayoutDirection(Qt::RightToLeft);
        QCOMPARE(index->geometry(), QRect(0, 0, SectionIndexBar::kWidth, h));
        QCOMPARE(row()->geometry().left(), SectionIndexBar::kWidth);
        QCOMPARE(row()->geometry().right(), w - 1);
        QCOMPARE(pinned->geometry(), QRect(0, 0, w, 28));
        auto* title = pinned->findChild<QLabel*>("headerTitle");
        QCOMPARE(QStyle::visualAlignment(title->layoutDirection(), title->alignment()) &
                     (Qt::AlignLeft | Qt::AlignRight),
                 Qt::AlignRight);
    }

    void tapsSelectAndSwipeRevealsOptions() {
        TableView table;
        Model model(&table);
        model.sections = {rows(30)};
        table.setDataSource(&model);
        table.setDelegate(&model);
        table.resize(375, 400);
        table.show();
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, QPoint(100, 44 * 2 + 10));
        QCOMPARE(model.selected, QList<IndexPath>{IndexPath::forRow(2)});
        QCOMPARE(table.indexPathForSelectedRow(), std::optional(IndexPath::forRow(2)));
        QVERIFY(table.cellForRowAtIndexPath(IndexPath::forRow(2))->isSelected());
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, QPoint(100, 44 * 4 + 10));
        QVERIFY(!table.cellForRowAtIndexPath(IndexPath::forRow(2))->isSelected());

        // Drag row 3 to the left: its options appear; tapping one reports the row where it is now.
        QTest::mousePress(table.viewport(), Qt::LeftButton, {}, QPoint(300, 44 * 3 + 20));
        QTest::mouseMove(table.viewport(), QPoint(150, 44 * 3 + 22));
        QTest::mouseRelease(table.viewport(), Qt::LeftButton, {}, QPoint(150, 44 * 3 + 22));
        TableViewCell* cell = table.cellForRowAtIndexPath(IndexPath::forRow(3));
        QVERIFY(cell->areActionsRevealed());
        model.sections[0].insert(0, "Above");
        table.insertRows({IndexPath::forRow(0)});
        table.revealRowActions(IndexPath::forRow(4));
        table.cellForRowAtIndexPath(IndexPath::forRow(4))->tapAction(0);
        QCOMPARE(model.actionTaps, QList<IndexPath>{IndexPath::forRow(4)});
        QVERIFY(!cell->areActionsRevealed());
    }

    void staticTableHidesRowsWithoutRebuilding() {
        TableView table;
        StaticTableDataSource source;
        const int section = source.addSection("Settings");
        QStringList picked;
        for (const QString& name : QStringList{"Profile", "Notifications", "Passcode", "Logout"}) {
            auto* cell = new TableViewCell;
            cell->textLabel()->setText(name);
            source.addCell(section, cell, -1, [&picked, name] { picked << name; });
        }
        source.setRowHidden(IndexPath::forRow(2), true);
        table.setDataSource(&source);
        table.setDelegate(&source);
        table.resize(375, 400);
        table.show();
        QCOMPARE(table.numberOfRows(0), 3);
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, QPoint(100, 28 + 44 * 2 + 10));
        QCOMPARE(picked, QStringList{"Logout"});
        QVERIFY(!table.indexPathForSelectedRow());

        source.setRowHidden(IndexPath::forRow(2), false);
        table.reloadData();
        QCOMPARE(table.numberOfRows(0), 4);
        QCOMPARE(table.cellForRowAtIndexPath(IndexPath::forRow(2))->textLabel()->text(),
                 QStringLiteral("Passcode"));
        // Static cells survive reloads: they belong to the data source.
        QCOMPARE(source.cellAt(IndexPath::forRow(0))->textLabel()->text(), QStringLiteral("Profile"));
    }

    // Rows above the screen change height and the offset moves by as much, in one batch or through
    // keepingPlace: the rows in view keep their cells, never asked for again (a page in a cell would
    // load anew), at the bottom of the list as well as away from it.
    void rowsInViewKeepTheirCellsWhileRowsAboveChangeHeight_data() {
        QTest::addColumn<bool>("throughKeepingPlace");
        QTest::addColumn<bool>("atBottom");
        QTest::newRow("batch, at the bottom") << false << true;
        QTest::newRow("batch, away from the bottom") << false << false;
        QTest::newRow("keeping place, at the bottom") << true << true;
        QTest::newRow("keeping place, away from the bottom") << true << false;
    }
    void rowsInViewKeepTheirCellsWhileRowsAboveChangeHeight() {
        QFETCH(bool, throughKeepingPlace);
        QFETCH(bool, atBottom);
        struct Items : CollectionViewDataSource, CollectionViewDelegate {
            QList<qreal> heights = QList<qreal>(60, 100);
            int asked = 0;
            int numberOfItemsInSection(CollectionView*, int) override { return int(heights.size()); }
            CollectionViewCell* cellForItemAtIndexPath(CollectionView* view, const IndexPath& path) override {
                ++asked;
                return view->dequeueReusableCell("row", path);
            }
            QSizeF sizeForItemAtIndexPath(CollectionView*, const IndexPath& path) override {
                return {0, heights.value(path.item())};
            }
        } items;
        CollectionView view;
        view.registerCell("row", [] { return new CollectionViewCell; });
        view.setDataSource(&items);
        view.setDelegate(&items);
        view.resize(320, 480);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        if (atBottom)
            view.scrollToBottom(false);
        else
            view.setContentOffset(QPointF(0, 3000));
        const QList<CollectionViewCell*> before = view.visibleCells();
        QVERIFY(!before.isEmpty());
        const int asked = items.asked;
        const qreal offset = view.contentOffset().y();
        const auto collapseAbove = [&] {
            // Ten rows well above the screen collapse, and the list follows them up.
            for (int i = 5; i < 15; ++i)
                items.heights[i] = 0;
            view.invalidateLayout();
            view.setContentOffset(QPointF(0, offset - 1000));
        };
        if (throughKeepingPlace)
            view.keepingPlace([&] {
                for (int i = 5; i < 15; ++i)
                    items.heights[i] = 0;
                view.invalidateLayout();
            });
        else
            view.performBatchUpdates(collapseAbove);
        QCOMPARE(view.contentOffset().y(), offset - 1000);
        QCOMPARE(items.asked, asked);
        QCOMPARE(view.visibleCells(), before);
    }

    // A cell that stays shown in the pool is neither hidden nor shown again while the list moves: it
    // waits above the viewport, disabled, for its next row; once the list rests it is hidden and
    // enabled. A cell that holds the focus as it leaves, and one that does not stay shown, are hidden
    // at once; a cell its screen disabled stays disabled.
    void aCellThatStaysShownWaitsOutOfSightWhileTheListMoves() {
        struct Items : CollectionViewDataSource, CollectionViewDelegate {
            int numberOfItemsInSection(CollectionView*, int) override { return 200; }
            CollectionViewCell* cellForItemAtIndexPath(CollectionView* view, const IndexPath& path) override {
                auto* cell = view->dequeueReusableCell(path.item() % 2 ? "page" : "text", path);
                cell->setObjectName(QString::number(path.item()));
                cell->setEnabled(path.item() != 21);
                return cell;
            }
            QSizeF sizeForItemAtIndexPath(CollectionView*, const IndexPath&) override { return {0, 100}; }
        } items;
        VisibilityEvents pages;
        VisibilityEvents texts;
        int pagesMade = 0;
        CollectionView view;
        view.registerCell("page", [&pages, &pagesMade] {
            ++pagesMade;
            auto* cell = new CollectionViewCell;
            cell->setStaysShownInPool(true);
            cell->installEventFilter(&pages);
            return cell;
        });
        view.registerCell("text", [&texts] {
            auto* cell = new CollectionViewCell;
            cell->installEventFilter(&texts);
            return cell;
        });
        view.setDataSource(&items);
        view.setDelegate(&items);
        view.resize(320, 480);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const auto pooled = [&view](const QString& identifier) {
            QList<CollectionViewCell*> out;
            for (auto* cell : view.findChildren<CollectionViewCell*>())
                if (cell->reuseIdentifier() == identifier && !view.visibleCells().contains(cell))
                    out << cell;
            return out;
        };
        pages.shows = texts.shows = 0;
        const int pagesBefore = pagesMade;

        for (int y = 0; y <= 3000; y += 120)
            view.setContentOffset(QPointF(0, y));
        QCOMPARE(pages.hides, 0);
        // Only cells made for the scroll show for the first time.
        QCOMPARE(pages.shows, pagesMade - pagesBefore);
        QVERIFY(texts.hides > 0);
        QVERIFY(!pooled("page").isEmpty());
        for (auto* cell : pooled("page")) {
            QVERIFY(cell->isVisible());
            QVERIFY(!cell->isEnabled());
            QVERIFY(!cell->geometry().intersects(view.viewport()->rect()));
        }
        for (auto* cell : view.visibleCells())
            QCOMPARE(cell->isEnabled(), cell->objectName() != QLatin1String("21"));

        QTRY_VERIFY(pooled("page").first()->isHidden());
        for (auto* cell : pooled("page")) {
            QVERIFY(cell->isHidden());
            QVERIFY(cell->isEnabled());
        }

        // A cell that holds the focus as its row leaves is hidden at once, and the focus leaves it.
        view.setContentOffset(QPointF(0, 3100));
        auto* focused = view.cellForItemAtIndexPath(IndexPath::forItem(31));
        QVERIFY(focused && focused->staysShownInPool());
        QApplication::setActiveWindow(&view);
        QVERIFY(QTest::qWaitForWindowActive(&view));
        focused->setFocusPolicy(Qt::StrongFocus);
        focused->setFocus();
        QVERIFY(focused->hasFocus());
        view.setContentOffset(QPointF(0, 3200));
        QVERIFY(!view.visibleCells().contains(focused));
        QVERIFY(focused->isHidden());
        QVERIFY(!focused->hasFocus());
    }

    void collectionGrowsAtTheBottomWithHeader() {
        struct Items : CollectionViewDataSource, CollectionViewDelegate {
            QStringList items = rows(50, "Message ");
            int created = 0;
            int numberOfItemsInSection(CollectionView*, int) override { return int(items.size()); }
            CollectionViewCell* cellForItemAtIndexPath(CollectionView* view, const IndexPath& path) override {
                auto* cell = view->dequeueReusableCell("bubble", path);
                cell->setObjectName(items[path.item()]);
                return cell;
            }
            ReusableView* viewForSupplementaryElementOfKind(CollectionView* view, const QString& kind,
                                                            const IndexPath& path) override {
                return view->dequeueReusableSupplementaryView(kind, "loadMore", path);
            }
            QSizeF sizeForItemAtIndexPath(CollectionView*, const IndexPath& path) override {
                return {0, path.item() % 2 ? 80.0 : 40.0};
            }
            QSizeF referenceSizeForHeaderInSection(CollectionView*, int) override { return {0, 30}; }
        } items;
        CollectionView view;
        view.registerCell("bubble", [&items] {
            ++items.created;
            return new CollectionViewCell;
        });
        view.registerSupplementaryView(CollectionView::kSectionHeader, "loadMore",
                                       [] { return new ReusableView; });
        view.setDataSource(&items);
        view.setDelegate(&items);
        view.resize(320, 480);
        view.show();
        QVERIFY(view.headerViewAt(0));
        QCOMPARE(view.contentSize().height(), 30 + 25 * 40.0 + 25 * 80.0);

        bool done = false;
        view.performBatchUpdates(
            [&] {
                items.items << "Newest";
                view.insertItems({IndexPath::forItem(50)});
            },
            [&](bool finished) { done = finished; });
        QVERIFY(done);
        view.scrollToBottom(false);
        QCOMPARE(view.cellForItemAtIndexPath(IndexPath::forItem(50))->objectName(), QStringLiteral("Newest"));
        QVERIFY(items.created <= 12);
        const auto visible = view.indexPathsForVisibleItems();
        for (const IndexPath& path : visible)
            QCOMPARE(view.cellForItemAtIndexPath(path)->objectName(), items.items[path.item()]);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestLists t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_lists.moc"
