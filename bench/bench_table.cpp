// Scrolling 10,000 two-line rows from top to bottom offscreen: the library's table (cells only for
// visible rows, reused) beside a plain QListView over the same rows. Each frame moves the list, paints
// it into an image and runs one turn of the event loop. Reports frames per second and the memory the list
// added (resident set, peak during the scroll minus before the list existed).

#include "ScrollBenchmark.h"

#include "platform/ui/Animator.h"
#include "platform/ui/TableView.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <benchmark/benchmark.h>

using namespace pelnix::platform::ui;
using namespace pelnix::bench;
namespace bench = pelnix::bench;

namespace {
const int kRows = bench::sized(10000, 300);
constexpr int kRowHeight = 56;

class TwoLineRows : public TableViewDataSource, public TableViewDelegate {
public:
    int numberOfRowsInSection(TableView*, int) override { return kRows; }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        TableViewCell* cell = table->dequeueReusableCell(QStringLiteral("row"));
        if (!cell)
            cell = new TableViewCell(TableViewCell::Style::Subtitle, QStringLiteral("row"));
        cell->textLabel()->setText(QStringLiteral("Conversation %1").arg(path.row));
        cell->detailTextLabel()->setText(QStringLiteral("Last message of conversation %1").arg(path.row));
        return cell;
    }
    qreal heightForRowAtIndexPath(TableView*, const IndexPath&) override { return kRowHeight; }
};

// The same rows for the list view: two lines of text, the same height.
class TwoLineModel : public QAbstractListModel {
public:
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kRows; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole)
            return QStringLiteral("Conversation %1\nLast message of conversation %1").arg(index.row());
        if (role == Qt::SizeHintRole)
            return QSize(kScreen.width(), kRowHeight);
        return {};
    }
};

// Fonts, glyph caches and the backing store are made once, before any list is measured.
void warmUp() {
    TwoLineRows rows;
    TableView table;
    table.setDataSource(&rows);
    table.setDelegate(&rows);
    table.resize(kScreen);
    table.show();
    TwoLineModel model;
    QListView list;
    list.setModel(&model);
    list.resize(kScreen);
    list.show();
    paintAtOffsets(
        table, [&](int y) { table.setContentOffset(QPointF(0, y)); }, list,
        [&](int y) { list.verticalScrollBar()->setValue(y / kRowHeight); });
}

} // namespace

static void BM_TableViewScroll(benchmark::State& state) {
    Animator::setInstant(true);
    const OwnMemory before = OwnMemory::now();
    TwoLineRows rows;
    TableView table;
    table.setDataSource(&rows);
    table.setDelegate(&rows);
    table.resize(kScreen);
    table.show();
    QCoreApplication::processEvents();
    scrollFrames(
        state, table, kRows * kRowHeight, [&](int y) { table.setContentOffset(QPointF(0, y)); }, before);
    state.counters["cells"] = double(table.findChildren<TableViewCell*>().size());
}
BENCHMARK(BM_TableViewScroll)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));

static void BM_PlainListViewScroll(benchmark::State& state) {
    const OwnMemory before = OwnMemory::now();
    TwoLineModel model;
    QListView list;
    list.setModel(&model);
    list.setUniformItemSizes(true);
    list.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list.resize(kScreen);
    list.show();
    QCoreApplication::processEvents();
    const int content = list.verticalScrollBar()->maximum() + list.viewport()->height();
    scrollFrames(
        state, list, content, [&](int y) { list.verticalScrollBar()->setValue(y); }, before);
}
BENCHMARK(BM_PlainListViewScroll)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));

int main(int argc, char** argv) {
    return runScrollBenchmarks(argc, argv, warmUp);
}
