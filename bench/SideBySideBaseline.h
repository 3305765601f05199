#pragma once

// What the benchmarks that print a rate beside a raw SQLite baseline share: the reporter that keeps
// each run's time, and the raw insert of message rows into the store's own Message table.

#include <QMap>
#include <QString>
#include <QVariantMap>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace pelnix::bench {

// The console reporter, also keeping each run's real time per iteration (seconds) by name.
class SideBySideReporter : public benchmark::ConsoleReporter {
public:
    explicit SideBySideReporter(QMap<QString, double>& seconds) : m_seconds(seconds) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            m_seconds[QString::fromStdString(r.benchmark_name()).section('/', 0, 0)] =
                r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }

private:
    QMap<QString, double>& m_seconds;
};

// Message rows from stream events ("_id", "type", "date", "text"), one commit each, straight into
// the store file with the store's durability.
class RawMessageInserter {
public:
    explicit RawMessageInserter(const QString& storePath) {
        sqlite3_open(storePath.toUtf8().constData(), &m_db);
        sqlite3_exec(m_db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(m_db,
                           "INSERT INTO Message (pk, messageId, typeString, type, date, actualDate, text, "
                           "updateCount, latestAction) VALUES (?, ?, ?, 2, ?, ?, ?, 1, 'init')",
                           -1, &m_insert, nullptr);
    }
    ~RawMessageInserter() {
        sqlite3_finalize(m_insert);
        sqlite3_close(m_db);
    }
    RawMessageInserter(const RawMessageInserter&) = delete;
    RawMessageInserter& operator=(const RawMessageInserter&) = delete;

    void insert(qint64 pk, const QVariantMap& e) {
        sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr);
        const QByteArray id = e.value("_id").toString().toUtf8();
        const QByteArray type = e.value("type").toString().toUtf8();
        const QByteArray text = e.value("text").toString().toUtf8();
        const qint64 date = qint64(e.value("date").toDouble());
        sqlite3_bind_int64(m_insert, 1, pk);
        sqlite3_bind_text(m_insert, 2, id.constData(), int(id.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(m_insert, 3, type.constData(), int(type.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(m_insert, 4, date);
        sqlite3_bind_int64(m_insert, 5, date);
        sqlite3_bind_text(m_insert, 6, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        sqlite3_step(m_insert);
        sqlite3_reset(m_insert);
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_insert = nullptr;
};

} // namespace pelnix::bench
