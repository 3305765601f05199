// Scrolling a chat-like list offscreen: 10,000 rows of mixed one-line and ten-line texts whose heights
// come from measuring the text at the list's width, plus the same padding on both sides. The library's
// table (cells only for visible rows, reused; heights asked once per reload) beside a QListView over
// the same rows with word wrap and the same per-item sizes (measured once per row, as the table's). Both
// lists show the same texts in the same content height over the whole width (no scroll bar takes room
// in either); the program stops before measuring when the heights differ. Each frame moves the list,
// paints it into an image and runs one turn of the event loop. Reports frames per second and the
// memory the list added (peak resident set during the scroll minus before the list existed).

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
#include <vector>

using namespace pelnix::platform::ui;
using namespace pelnix::bench;
namespace bench = pelnix::bench;

namespace {
const int kRows = bench::sized(10000, 300);
// Around each text, on both sides: the table cell's margin across, and padding down.
constexpr int kPadding = 16;

// Every third row is a ten-line message, the others one line; texts differ row by row.
QString messageText(int row) {
    if (row % 3 != 0)
        return QStringLiteral("Message %1: on my way, see you at the station").arg(row);
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines << QStringLiteral("Line %1 of message %2 with the agenda").arg(i + 1).arg(row);
    return lines.join(QLatin1Char('\n'));
}

// The height of a row of a list `listWidth` wide: its text measured with wrapping inside the padding,
// and the padding.
int measuredHeight(const QFont& font, int listWidth, const QString& text) {
    const QRect bounds = QFontMetrics(font).boundingRect(QRect(0, 0, listWidth - 2 * kPadding, 100000),
                                                         Qt::TextWordWrap | Qt::AlignLeft, text);
    return bounds.height() + kPadding;
}

class MessageRows : public TableViewDataSource, public TableViewDelegate {
public:
    explicit MessageRows(const QFont& font) : m_font(font) {}
    int numberOfRowsInSection(TableView*, int) override { return kRows; }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        TableViewCell* cell = table->dequeueReusableCell(QStringLiteral("message"));
        if (!cell) {
            cell = new TableViewCell(TableViewCell::Style::Default, QStringLiteral("message"));
            cell->textLabel()->setWordWrap(true);
            cell->textLabel()->setFont(m_font);
        }
        cell->textLabel()->setText(messageText(path.row));
        return cell;
    }
    qreal heightForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        return measuredHeight(m_font, table->viewport()->width(), messageText(path.row));
    }

private:
    QFont m_font;
};

// The rows for the list view: the same texts, each row the table's height at the list's width, measured
// the first time the list asks for it.
class MessageModel : public QAbstractListModel {
public:
    explicit MessageModel(int listWidth) : m_listWidth(listWidth), m_heights(kRows, 0) {}
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kRows; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole)
            return messageText(index.row());
        if (role == Qt::SizeHintRole) {
            int& height = m_heights[index.row()];
            if (height == 0)
                height = measuredHeight(QFont(), m_listWidth, messageText(index.row()));
            return QSize(m_listWidth, height);
        }
        return {};
    }

private:
    int m_listWidth;
    mutable std::vector<int> m_heights;
};

void setUpList(QListView& list, MessageModel& model) {
    list.setModel(&model);
    list.setWordWrap(true);
    list.setUniformItemSizes(false);
    list.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Like the table's, the whole width is the list's: no frame or scroll bar takes room from the texts.
    list.setFrameShape(QFrame::NoFrame);
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list.resize(kScreen);
    list.show();
}

int contentHeight(TableView& table) {
    return int(table.contentSize().height());
}

int contentHeight(QListView& list) {
    return list.verticalScrollBar()->maximum() + list.viewport()->height();
}

// Fonts, glyph caches and the backing store are made once, before any list is measured. Both lists
// must do the same work: the same content height over the same width, or nothing is measured.
void warmUp() {
    QFont font;
    MessageRows rows(font);
    TableView table;
    table.setDataSource(&rows);
    table.setDelegate(&rows);
    table.resize(kScreen);
    table.show();
    MessageModel model(kScreen.width());
    QListView list;
    setUpList(list, model);
    paintAtOffsets(
        table, [&](int y) { table.setContentOffset(QPointF(0, y)); }, list,
        [&](int y) { list.verticalScrollBar()->setValue(y); });
    if (table.viewport()->width() != list.viewport()->width() || contentHeight(table) != contentHeight(list))
        qFatal(
            "The lists differ: the table is %d wide with %d pixels of content, the list view %d wide with %d",
            table.viewport()->width(), contentHeight(table), list.viewport()->width(), contentHeight(list));
}

} // namespace

static void BM_TableViewChatScroll(benchmark::State& state) {
    Animator::setInstant(true);
    const OwnMemory before = OwnMemory::now();
    MessageRows rows{QFont()};
    TableView table;
    table.setDataSource(&rows);
    table.setDelegate(&rows);
    table.resize(kScreen);
    table.show();
    QCoreApplication::processEvents();
    const int content = contentHeight(table);
    scrollFrames(
        state, table, content, [&](int y) { table.setContentOffset(QPointF(0, y)); }, before);
    state.counters["cells"] = double(table.findChildren<TableViewCell*>().size());
    state.counters["content_px"] = content;
}
BENCHMARK(BM_TableViewChatScroll)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));

static void BM_PlainListViewChatScroll(benchmark::State& state) {
    const OwnMemory before = OwnMemory::now();
    MessageModel model(kScreen.width());
    QListView list;
    setUpList(list, model);
    QCoreApplication::processEvents();
    const int content = contentHeight(list);
    scrollFrames(
        state, list, content, [&](int y) { list.verticalScrollBar()->setValue(y); }, before);
    state.counters["content_px"] = content;
}
BENCHMARK(BM_PlainListViewChatScroll)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));

int main(int argc, char** argv) {
    return runScrollBenchmarks(argc, argv, warmUp);
}
