// Scrolling a chat-like list offscreen: 10,000 rows of mixed one-line and ten-line texts whose heights
// come from measuring the text at the list's width. The library's table (cells only for visible rows,
// reused; heights asked once per reload) beside a QListView over the same rows with word wrap and
// per-item sizes. Each frame moves the list, paints it into an image and runs one turn of the event
// loop. Reports frames per second and the memory the list added (peak resident set during the scroll
// minus before the list existed).

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

namespace {
constexpr int kRows = 10000;
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

// The height of a row: its text measured with wrapping at the label's width.
int measuredHeight(const QFont& font, int width, const QString& text) {
    const QRect bounds =
        QFontMetrics(font).boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap | Qt::AlignLeft, text);
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
        return measuredHeight(m_font, table->viewport()->width() - 2 * kPadding, messageText(path.row));
    }

private:
    QFont m_font;
};

class MessageModel : public QAbstractListModel {
public:
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kRows; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole)
            return messageText(index.row());
        return {};
    }
};

void setUpList(QListView& list, MessageModel& model) {
    list.setModel(&model);
    list.setWordWrap(true);
    list.setUniformItemSizes(false);
    list.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list.resize(kScreen);
    list.show();
}

// Fonts, glyph caches and the backing store are made once, before any list is measured.
void warmUp() {
    QFont font;
    MessageRows rows(font);
    TableView table;
    table.setDataSource(&rows);
    table.setDelegate(&rows);
    table.resize(kScreen);
    table.show();
    MessageModel model;
    QListView list;
    setUpList(list, model);
    paintAtOffsets(
        table, [&](int y) { table.setContentOffset(QPointF(0, y)); }, list,
        [&](int y) { list.verticalScrollBar()->setValue(y); });
}

} // namespace

static void BM_TableViewChatScroll(benchmark::State& state) {
    Animator::setInstant(true);
    const long before = residentKb();
    MessageRows rows{QFont()};
    TableView table;
    table.setDataSource(&rows);
    table.setDelegate(&rows);
    table.resize(kScreen);
    table.show();
    QCoreApplication::processEvents();
    const int content = int(table.contentSize().height());
    scrollFrames(
        state, table, content, [&](int y) { table.setContentOffset(QPointF(0, y)); }, before);
    state.counters["cells"] = double(table.findChildren<TableViewCell*>().size());
    state.counters["content_px"] = content;
}
BENCHMARK(BM_TableViewChatScroll)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_PlainListViewChatScroll(benchmark::State& state) {
    const long before = residentKb();
    MessageModel model;
    QListView list;
    setUpList(list, model);
    QCoreApplication::processEvents();
    const int content = list.verticalScrollBar()->maximum() + list.viewport()->height();
    scrollFrames(
        state, list, content, [&](int y) { list.verticalScrollBar()->setValue(y); }, before);
    state.counters["content_px"] = content;
}
BENCHMARK(BM_PlainListViewChatScroll)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    return runScrollBenchmarks(argc, argv, warmUp);
}
