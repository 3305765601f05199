// The object store against raw SQLite prepared statements doing the same work in the same run.
#include "BenchRun.h"
#include "TestSandbox.h"
#include "platform/store/ObjectContext.h"
#include "platform/store/ObjectStore.h"

#include <QCoreApplication>
#include <QMap>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>

using namespace pelnix::platform;
namespace bench = pelnix::bench;

namespace {
const int kRows = bench::sized(10000, 500);
const int kPageSource = bench::sized(100000, 2000);
QMap<QString, double> g_seconds; // per iteration, by benchmark name

std::shared_ptr<const ObjectModel> messageModel() {
    static auto model = [] {
        auto m = std::make_shared<ObjectModel>();
        m->entity<ManagedObject>("Message")
            .attribute("messageId", AttributeType::String, {}, true)
            .attribute("text", AttributeType::String)
            .attribute("date", AttributeType::Int64, 0, true)
            .attribute("state", AttributeType::Int16, 0)
            .attribute("type", AttributeType::Int16, 1);
        m->finish();
        return std::shared_ptr<const ObjectModel>(m);
    }();
    return model;
}

struct Sandbox {
    pelnix::test::TestSandbox dir;
    QString path() const { return dir.path("bench.sqlite"); }
};

sqlite3* openRaw(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
    sqlite3_exec(
        db,
        "CREATE TABLE IF NOT EXISTS Message (pk INTEGER PRIMARY KEY, messageId TEXT, text TEXT, "
        "date INTEGER NOT NULL DEFAULT 0, state INTEGER NOT NULL DEFAULT 0, type INTEGER NOT NULL DEFAULT 1);"
        "CREATE INDEX IF NOT EXISTS Message_date ON Message(date);"
        "CREATE INDEX IF NOT EXISTS Message_messageId ON Message(messageId);",
        nullptr, nullptr, nullptr);
    return db;
}

const QString kText = QStringLiteral("A message of ordinary length, about sixty characters long...");

void record(benchmark::State& state, const char* name) {
    state.SetItemsProcessed(state.iterations() * kRows);
    Q_UNUSED(name)
}

void insertRaw(benchmark::State& state, bool perRow) {
    for (auto _ : state) {
        state.PauseTiming();
        Sandbox sb;
        sqlite3* db = openRaw(sb.path());
        sqlite3_stmt* ins = nullptr;
        sqlite3_prepare_v2(
            db, "INSERT INTO Message (pk, messageId, text, date, state, type) VALUES (?,?,?,?,?,?)", -1, &ins,
            nullptr);
        const QByteArray text = kText.toUtf8();
        state.ResumeTiming();
        if (!perRow)
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (int i = 0; i < kRows; ++i) {
            if (perRow)
                sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            const QByteArray id = QByteArray::number(i);
            sqlite3_bind_int64(ins, 1, i + 1);
            sqlite3_bind_text(ins, 2, id.constData(), int(id.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 3, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(ins, 4, 1'700'000'000'000LL + i);
            sqlite3_bind_int64(ins, 5, 0);
            sqlite3_bind_int64(ins, 6, 1);
            sqlite3_step(ins);
            sqlite3_reset(ins);
            if (perRow)
                sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        }
        if (!perRow)
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        state.PauseTiming();
        sqlite3_finalize(ins);
        sqlite3_close(db);
        state.ResumeTiming();
    }
}

void insertStore(benchmark::State& state, bool perRow) {
    for (auto _ : state) {
        state.PauseTiming();
        Sandbox sb;
        auto store = ObjectStore::open(messageModel(), sb.path());
        auto context = store->newContext();
        state.ResumeTiming();
        for (int i = 0; i < kRows; ++i) {
            auto m = context->insertObject("Message");
            m->setValue("messageId", QString::number(i));
            m->setValue("text", kText);
            m->setValue("date", 1'700'000'000'000LL + i);
            if (perRow)
                context->save();
        }
        if (!perRow)
            context->save();
        state.PauseTiming();
        context.reset();
        store->close();
        state.ResumeTiming();
    }
}

void BM_RawInsertPerRowTransaction(benchmark::State& s) {
    insertRaw(s, true);
    record(s, "raw");
}
void BM_StoreInsertSavePerRow(benchmark::State& s) {
    insertStore(s, true);
    record(s, "store");
}
void BM_RawInsertOneTransaction(benchmark::State& s) {
    insertRaw(s, false);
    record(s, "raw");
}
void BM_StoreInsertOneSave(benchmark::State& s) {
    insertStore(s, false);
    record(s, "store");
}

// A 100,000-row entity shared by the two page benchmarks.
Sandbox* g_pageSandbox = nullptr;
void fillPageSource() {
    if (g_pageSandbox)
        return;
    g_pageSandbox = new Sandbox;
    auto store = ObjectStore::open(messageModel(), g_pageSandbox->path());
    auto context = store->newContext();
    for (int i = 0; i < kPageSource; ++i) {
        auto m = context->insertObject("Message");
        m->setValue("messageId", QString::number(i));
        m->setValue("text", kText);
        m->setValue("date", 1'700'000'000'000LL + (i * 7919LL) % kPageSource);
    }
    context->save();
    store->close();
}

void BM_RawNewest50(benchmark::State& state) {
    fillPageSource();
    sqlite3* db = openRaw(g_pageSandbox->path());
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(
        db, "SELECT pk, messageId, text, date, state, type FROM Message ORDER BY date DESC, pk DESC LIMIT ?",
        -1, &q, nullptr);
    for (auto _ : state) {
        sqlite3_bind_int(q, 1, 50);
        int rows = 0;
        while (sqlite3_step(q) == SQLITE_ROW) {
            // Read every column into Qt values, as any caller would.
            QString id = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(q, 1)));
            QString text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(q, 2)));
            benchmark::DoNotOptimize(id);
            benchmark::DoNotOptimize(text);
            benchmark::DoNotOptimize(sqlite3_column_int64(q, 3) + sqlite3_column_int(q, 4) +
                                     sqlite3_column_int(q, 5));
            ++rows;
        }
        sqlite3_reset(q);
        if (rows != 50) {
            bench::fail(state, "short page");
            break;
        }
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
}

void BM_StoreNewest50(benchmark::State& state) {
    fillPageSource();
    auto store = ObjectStore::open(messageModel(), g_pageSandbox->path());
    auto context = store->newContext();
    FetchRequest request;
    request.entityName = "Message";
    request.sortDescriptors = SortDescriptor::parseTerm("date:NO", true);
    request.fetchLimit = 50;
    for (auto _ : state) {
        auto page = context->executeFetchRequest(request);
        if (!page || page->size() != 50) {
            bench::fail(state, "short page");
            break;
        }
        benchmark::DoNotOptimize(page);
        state.PauseTiming();
        page.reset();
        context->reset(); // every page builds its objects afresh
        state.ResumeTiming();
    }
    context.reset();
    store->close();
}

BENCHMARK(BM_RawInsertPerRowTransaction)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_StoreInsertSavePerRow)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_RawInsertOneTransaction)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(5));
BENCHMARK(BM_StoreInsertOneSave)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(5));
BENCHMARK(BM_RawNewest50)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreNewest50)->Unit(benchmark::kMicrosecond);

// Keeps each run's real time per iteration so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            g_seconds[QString::fromStdString(r.benchmark_name())] =
                r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
};

double ratio(const char* raw, const char* store) {
    double r = 0, s = 0;
    for (auto it = g_seconds.cbegin(); it != g_seconds.cend(); ++it) {
        if (it.key().startsWith(QLatin1String(raw)))
            r = it.value();
        if (it.key().startsWith(QLatin1String(store)))
            s = it.value();
    }
    return s > 0 ? r / s : 0;
}
} // namespace

int main(int argc, char** argv) {
    bench::BenchRun run(argc, argv);
    QCoreApplication app(argc, argv);
    RatioReporter reporter;
    run.run(&reporter);
    std::printf("\nSpeed relative to raw SQLite (1.0 = as fast; target >= 0.5):\n");
    std::printf("  insert, one save per row : %.2f\n",
                ratio("BM_RawInsertPerRow", "BM_StoreInsertSavePerRow"));
    std::printf("  insert, one save         : %.2f\n", ratio("BM_RawInsertOne", "BM_StoreInsertOneSave"));
    std::printf("  newest 50 of 100,000     : %.2f\n", ratio("BM_RawNewest50", "BM_StoreNewest50"));
    delete g_pageSandbox;
    return run.finish();
}
