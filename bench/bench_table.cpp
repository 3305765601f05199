// Scrolling 10,000 two-line rows from top to bottom offscreen: the library's table (cells only for
// visible rows, reused) beside a plain QListView over the same rows. Each frame moves the list, paints
// it into an image and runs one turn of the event loop. Reports frames per second and the memory the list
// added (resident set, peak during the scroll minus before the list existed).

#include "platform/ui/Animator.h"
#include "platform/ui/TableView.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <benchmark/benchmark.h>

using namespace pelnix::platform::ui;

namespace {
constexpr int kRows = 10000;
constexpr int kRowHeight = 56;
constexpr int kStep = 120; // pixels per frame: a brisk fling
const QSize kScreen(375, 667);

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

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
    QImage frame(kScreen, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 20000; y += 500) {
        table.setContentOffset(QPointF(0, y));
        list.verticalScrollBar()->setValue(y / kRowHeight);
        QPainter painter(&frame);
        table.render(&painter);
        list.render(&painter);
    }
}

template <typename Scroll>
void scrollFrames(benchmark::State& state, QWidget& view, int contentHeight, Scroll scrollTo, long before) {
    QImage frame(kScreen, QImage::Format_ARGB32_Premultiplied);
    long peak = residentKb();
    qint64 frames = 0;
    for (auto _ : state) {
        for (int y = 0; y <= contentHeight - kScreen.height(); y += kStep) {
            scrollTo(y);
            {
                QPainter painter(&frame);
                view.render(&painter);
            }
            // One turn of the event loop per frame, as an application has.
            QCoreApplication::processEvents();
            ++frames;
            if (frames % 256 == 0)
                peak = qMax(peak, residentKb());
        }
        scrollTo(0);
    }
    state.counters["fps"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.counters["frames"] = double(frames);
    state.counters["added_kb"] = double(qMax(0L, peak - before));
}
} // namespace

static void BM_TableViewScroll(benchmark::State& state) {
    Animator::setInstant(true);
    const long before = residentKb();
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
BENCHMARK(BM_TableViewScroll)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_PlainListViewScroll(benchmark::State& state) {
    const long before = residentKb();
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
BENCHMARK(BM_PlainListViewScroll)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    warmUp();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
