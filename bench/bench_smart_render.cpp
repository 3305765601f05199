// Rendering smart messages: 1,000 poll messages through the poll stylesheet, from message JSON to
// HTML, in transform workers a page of messages per round trip (as the chat window asks for them),
// the page shared among the workers; beside one round trip per message, beside pages on one worker, beside
// the same transforms in this process (stylesheet compiled once, no time bound that holds inside one XPath
// evaluation), and beside xsltproc transforming the same 1,000 XML inputs in one process.
#include "BenchRun.h"
#include "TestSandbox.h"
#include "smart/PLXSLTStylesheet.h"
#include "smart/SmartMessageRenderer.h"
#include "smart/SmartRenderQueue.h"
#include "smart/XSLTWorkerPool.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <benchmark/benchmark.h>

#include <cstdio>

using namespace pelnix;

namespace {

const int kMessages = bench::sized(1000, 50);
double g_oursPerMessageUs = 0;
double g_oneByOnePerMessageUs = 0;
double g_oneWorkerPerMessageUs = 0;
double g_inProcessPerMessageUs = 0;
double g_xsltprocPerMessageUs = 0;
double g_documentPerMessageUs = 0;

QString pollStylesheetPath() {
    return QStringLiteral(PELNIX_SOURCE_DIR "/standin/fixtures/smart/poll.xsl");
}

QString pollStylesheet() {
    QFile file(pollStylesheetPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Polls of a realistic size: a title, a question, four options with markup-like and non-ASCII text.
const QStringList& messages() {
    static const QStringList list = [] {
        QStringList out;
        for (int i = 0; i < kMessages; ++i) {
            QJsonArray options;
            for (int o = 0; o < 4; ++o)
                options.append(
                    QJsonObject{{"id", QString::number(o + 1)},
                                {"text", QStringLiteral("Option %1 <b>für</b> Zoë & co #%2").arg(o).arg(i)},
                                {"votes", (i * 7 + o * 3) % 11}});
            const QJsonObject message{
                {"type", "poll"},
                {"xslt", "poll"},
                {"formid", QStringLiteral("form-%1").arg(i)},
                {"content", QJsonObject{{"title", QStringLiteral("Lunch on day %1").arg(i)},
                                        {"question", "Where shall we eat? Café, bistro or the canteen?"},
                                        {"options", options}}}};
            out.append(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
        }
        return out;
    }();
    return list;
}

const QVariantMap kHeaders{
    {"roomId", "r1"}, {"roomName", "Lunch club"}, {"messageId", "m1"}, {"senderName", "Ann"}};

const QList<SmartMessageRenderer::MessageParts>& parts() {
    static const QList<SmartMessageRenderer::MessageParts> list = [] {
        QList<SmartMessageRenderer::MessageParts> out;
        for (const QString& json : messages())
            out.append({json, kHeaders});
        return out;
    }();
    return list;
}

// Through the transform workers, `page` messages per round trip.
void renderInPages(benchmark::State& state, qsizetype page) {
    const QString xslt = pollStylesheet();
    if (!SmartMessageRenderer::compiledStyleSheet("poll", xslt)) {
        state.SkipWithError("poll stylesheet missing");
        return;
    }
    qint64 bytes = 0;
    for (auto _ : state) {
        for (qsizetype at = 0; at < parts().size(); at += page) {
            const QStringList html = SmartMessageRenderer::renderBatch("poll", xslt, parts().mid(at, page));
            for (const QString& one : html) {
                if (one.isEmpty()) {
                    state.SkipWithError("a poll did not render");
                    return;
                }
                bytes += one.size();
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
    benchmark::DoNotOptimize(bytes);
}

void BM_RenderSmartMessages(benchmark::State& state) {
    renderInPages(state, SmartRenderQueue::kBatchSize);
}

void BM_RenderOneByOne(benchmark::State& state) {
    renderInPages(state, 1);
}

// Pages on one worker: what the batching saves without the workers' sharing a page.
void BM_RenderInPagesOnOneWorker(benchmark::State& state) {
    XSLTWorkerPool& workers = XSLTWorkerPool::shared();
    const int cap = workers.maxWorkers();
    workers.setMaxWorkers(1);
    renderInPages(state, SmartRenderQueue::kBatchSize);
    workers.setMaxWorkers(cap);
}

// The same transforms in this process: the baseline without the worker's round trips.
void BM_RenderInProcess(benchmark::State& state) {
    const auto style = SmartMessageRenderer::compiledStyleSheet("poll", pollStylesheet());
    if (!style) {
        state.SkipWithError("poll stylesheet missing");
        return;
    }
    qint64 bytes = 0;
    for (auto _ : state) {
        for (const QString& json : messages()) {
            const auto html = style->transform(SmartMessageRenderer::messageDocument(json, kHeaders));
            bytes += html ? html->size() : 0;
        }
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
    benchmark::DoNotOptimize(bytes);
}

// The JSON -> XML half alone, to see where the time goes.
void BM_MessageDocumentsOnly(benchmark::State& state) {
    for (auto _ : state) {
        for (const QString& json : messages())
            benchmark::DoNotOptimize(SmartMessageRenderer::messageDocument(json, kHeaders));
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
}

void BM_XsltprocSameInputs(benchmark::State& state) {
    const QString xsltproc = QStandardPaths::findExecutable("xsltproc");
    if (xsltproc.isEmpty()) {
        bench::skip(state, "xsltproc not installed");
        return;
    }
    pelnix::test::TestSandbox sandbox;
    // One xsltproc run over the same documents we transform; it writes every result to its output.
    QStringList arguments{pollStylesheetPath()};
    for (int i = 0; i < kMessages; ++i) {
        const QString path = sandbox.path(QStringLiteral("m%1.xml").arg(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot write inputs");
            return;
        }
        file.write(SmartMessageRenderer::messageDocument(messages().at(i), kHeaders).toXMLData());
        arguments.append(path);
    }
    for (auto _ : state) {
        QProcess process;
        process.start(xsltproc, arguments);
        if (!process.waitForFinished(120000) || process.exitCode() != 0) {
            state.SkipWithError("xsltproc failed");
            return;
        }
        benchmark::DoNotOptimize(process.readAllStandardOutput());
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
}

class PerMessageReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0)
                continue;
            const double perMessageUs = run.real_accumulated_time / double(run.iterations) / kMessages * 1e6;
            if (run.benchmark_name().rfind("BM_RenderSmartMessages", 0) == 0)
                g_oursPerMessageUs = perMessageUs;
            else if (run.benchmark_name().rfind("BM_RenderOneByOne", 0) == 0)
                g_oneByOnePerMessageUs = perMessageUs;
            else if (run.benchmark_name().rfind("BM_RenderInPagesOnOneWorker", 0) == 0)
                g_oneWorkerPerMessageUs = perMessageUs;
            else if (run.benchmark_name().rfind("BM_RenderInProcess", 0) == 0)
                g_inProcessPerMessageUs = perMessageUs;
            else if (run.benchmark_name().rfind("BM_MessageDocumentsOnly", 0) == 0)
                g_documentPerMessageUs = perMessageUs;
            else if (run.benchmark_name().rfind("BM_XsltprocSameInputs", 0) == 0)
                g_xsltprocPerMessageUs = perMessageUs;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

BENCHMARK(BM_RenderSmartMessages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderOneByOne)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderInPagesOnOneWorker)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderInProcess)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MessageDocumentsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XsltprocSameInputs)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));

int main(int argc, char** argv) {
    bench::BenchRun run(argc, argv);
    QCoreApplication app(argc, argv);
    PerMessageReporter reporter;
    run.run(&reporter);
    std::printf("\nPer smart message (%d polls, JSON -> XML -> XSLT -> HTML; up to %d workers):\n", kMessages,
                XSLTWorkerPool::shared().maxWorkers());
    std::printf("  ours, in workers, %2d per round trip : %8.1f us\n", int(SmartRenderQueue::kBatchSize),
                g_oursPerMessageUs);
    std::printf("  in workers, one per round trip     : %8.1f us\n", g_oneByOnePerMessageUs);
    std::printf("  on one worker, %2d per round trip   : %8.1f us\n", int(SmartRenderQueue::kBatchSize),
                g_oneWorkerPerMessageUs);
    std::printf("  in this process, no worker         : %8.1f us\n", g_inProcessPerMessageUs);
    std::printf("    of which JSON -> XML             : %8.1f us\n", g_documentPerMessageUs);
    if (g_inProcessPerMessageUs > 0)
        std::printf("  ratio ours / in this process       : %8.2f\n",
                    g_oursPerMessageUs / g_inProcessPerMessageUs);
    if (g_xsltprocPerMessageUs > 0) {
        std::printf("  xsltproc, XML -> HTML (one run)    : %8.1f us (reads and writes files)\n",
                    g_xsltprocPerMessageUs);
        std::printf("  ratio ours / xsltproc              : %8.2f\n",
                    g_oursPerMessageUs / g_xsltprocPerMessageUs);
    }
    return run.finish();
}
