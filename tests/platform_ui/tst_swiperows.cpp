#include "platform/ui/Animator.h"
#include "platform/ui/TableView.h"

#include <QLabel>
#include <QTest>

using namespace pelnix::platform::ui;

namespace {
// A cell whose own reuse code resets its text only, as screens often write it.
class ForgetfulCell : public TableViewCell {
public:
    ForgetfulCell() : TableViewCell(Style::Default, "row") {}
    void prepareForReuse() override { textLabel()->clear(); }
};

class SwipeModel : public QObject, public TableViewDataSource, public TableViewDelegate {
public:
    int rowCount = 200;
    QStringList events;

    int numberOfRowsInSection(TableView*, int) override { return rowCount; }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        auto* cell = table->dequeueReusableCell("row");
        if (!cell)
            cell = new ForgetfulCell;
        cell->textLabel()->setText(QString::number(path.row));
        return cell;
    }
    QList<RowAction> editActionsForRowAtIndexPath(TableView*, const IndexPath&) override {
        return {RowAction{"Clear", Qt::red, {}}, RowAction{"Leave", Qt::gray, {}}};
    }
    void didOpenRowActionsAtIndexPath(TableView*, const IndexPath& path) override {
        events << QStringLiteral("open %1").arg(path.row);
    }
    void didCloseRowActionsAtIndexPath(TableView*, const IndexPath& path) override {
        events << QStringLiteral("close %1").arg(path.row);
    }
};
// A table of 200 rows with ten in view.
struct SwipeStage {
    TableView table;
    SwipeModel model;
    SwipeStage() {
        table.setDataSource(&model);
        table.setDelegate(&model);
        table.resize(375, 440);
        table.show();
    }
};
} // namespace

class TestSwipeRows : public QObject {
    Q_OBJECT
private slots:
    void init() { Animator::setInstant(true); }

    void openAndCloseAreReportedAndOneRowIsOpenAtATime() {
        SwipeStage stage;
        TableView& table = stage.table;
        SwipeModel& model = stage.model;
        QVERIFY(table.revealRowActions(IndexPath::forRow(3)));
        QVERIFY(table.revealRowActions(IndexPath::forRow(5)));
        QCOMPARE(table.indexPathForOpenRow(), std::optional(IndexPath::forRow(5)));
        QVERIFY(!table.cellForRowAtIndexPath(IndexPath::forRow(3))->areActionsRevealed());
        // A tap anywhere closes the open row and selects nothing.
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, QPoint(100, 10));
        QCOMPARE(model.events, (QStringList{"open 3", "close 3", "open 5", "close 5"}));
        QVERIFY(!table.indexPathForOpenRow());
        QVERIFY(!table.indexPathForSelectedRow());
    }

    void reusedCellNeverShowsThePreviousRowsOpenOptions() {
        SwipeStage stage;
        TableView& table = stage.table;
        SwipeModel& model = stage.model;
        QVERIFY(table.revealRowActions(IndexPath::forRow(0)));
        TableViewCell* opened = table.cellForRowAtIndexPath(IndexPath::forRow(0));
        QVERIFY(opened->areActionsRevealed());

        // Scroll row 0 away: its cell goes back to the pool and serves a row further down.
        table.setContentOffset(QPointF(0, 44 * 20));
        const auto rows = table.indexPathsForVisibleRows();
        QVERIFY(!rows.contains(IndexPath::forRow(0)));
        const auto reuse = std::find_if(rows.begin(), rows.end(), [&](const IndexPath& p) {
            return table.cellForRowAtIndexPath(p) == opened;
        });
        QVERIFY2(reuse != rows.end(), "the opened cell was not reused");
        QVERIFY(!opened->areActionsRevealed());
        QVERIFY(opened->rowActions().isEmpty());
        QVERIFY(!opened->findChild<QWidget*>("rowActions"));
        QCOMPARE(opened->contentView()->x(), 0);
        QCOMPARE(model.events, (QStringList{"open 0", "close 0"}));
        QVERIFY(!table.indexPathForOpenRow());
    }

    void springSettlesOnItsEndAfterOvershooting() {
        QCOMPARE(Animator::springProgress(0, 0.7, 0.7), 0.0);
        QCOMPARE(Animator::springProgress(1, 0.7, 0.7), 1.0);
        qreal peak = 0;
        for (int i = 1; i < 100; ++i)
            peak = qMax(peak, Animator::springProgress(i / 100.0, 0.7, 0.7));
        QVERIFY(peak > 1.0);  // a damping below 1 overshoots
        QVERIFY(peak < 1.05); // ... a little
        // Critical damping never overshoots.
        for (int i = 1; i < 100; ++i)
            QVERIFY(Animator::springProgress(i / 100.0, 1.0, 0.0) <= 1.0);
        const QEasingCurve curve = Animator::easing(Animator::Curve::Spring);
        QCOMPARE(curve.valueForProgress(1.0), 1.0);
        QCOMPARE(curve.valueForProgress(0.3), Animator::springProgress(0.3, 0.7, 0.7));
    }
};

QTEST_MAIN(TestSwipeRows)
#include "tst_swiperows.moc"
