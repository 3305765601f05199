#pragma once

// What the benchmarks that print a rate beside a raw SQLite baseline share: the reporter that keeps
// each run's time, and the raw writing of stream events into the store's own tables.

#include <QMap>
#include <QString>
#include <QVariantMap>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace pelnix::bench {

// The console reporter, also keeping each run's real time per iteration (seconds) by name. Of a
// benchmark run several times, it keeps the median: a moment of a busy machine then moves neither
// side of a comparison.
class SideBySideReporter : public benchmark::ConsoleReporter {
public:
    explicit SideBySideReporter(QMap<QString, double>& seconds) : m_seconds(seconds) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs) {
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median")
                continue;
            m_seconds[QString::fromStdString(r.run_name.function_name)] =
                r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }

private:
    QMap<QString, double>& m_seconds;
};

// What storing one stream event writes, in raw SQL straight into the store file with the store's
// durability: the message row with every column the store writes, and the room's update (latest
// message, activity, unread count), in one transaction per event.
class RawEventWriter {
public:
    RawEventWriter(const QString& storePath, const QString& roomId) {
        sqlite3_open(storePath.toUtf8().constData(), &m_db);
        sqlite3_exec(m_db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
        // The room and the sender exist beforehand, as they do for the store.
        m_room = key("SELECT pk FROM ChatRoom WHERE roomId = ?1", roomId);
        if (m_room == 0) {
            m_room = m_nextKey++;
            run("INSERT INTO ChatRoom (pk, roomId, tempUnreadMessageCount) VALUES (?1, ?2, 0)", m_room,
                roomId);
        }
        m_sender = m_nextKey++;
        run("INSERT INTO User (pk, userID, profileName) VALUES (?1, 8, 'Bob')", m_sender);
        sqlite3_prepare_v2(
            m_db,
            "INSERT INTO Message (pk, messageId, formId, typeString, type, state, date, actualDate, "
            "text, htmlText, xsltName, latestAction, replyCount, updateCount, displayCellHeight, "
            "displayName, bulkJoinedUserNames, detailsLinkVisibility, assetUrl, expired, room, "
            "senderUser, fromUser) VALUES (?1, ?2, NULL, ?3, 2, 0, ?4, ?4, ?5, NULL, NULL, 'init', "
            "0, 1, 0, NULL, NULL, '', NULL, 0, ?6, ?7, NULL)",
            -1, &m_insert, nullptr);
        sqlite3_prepare_v2(
            m_db,
            "UPDATE ChatRoom SET activityDate = ?1, latestMessageId = ?2, tempUnreadMessageCount "
            "= tempUnreadMessageCount + 1 WHERE pk = ?3",
            -1, &m_update, nullptr);
    }
    ~RawEventWriter() {
        sqlite3_finalize(m_insert);
        sqlite3_finalize(m_update);
        sqlite3_close(m_db);
    }
    RawEventWriter(const RawEventWriter&) = delete;
    RawEventWriter& operator=(const RawEventWriter&) = delete;

    void write(const QVariantMap& e) {
        sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr);
        const QByteArray id = e.value("_id").toString().toUtf8();
        const QByteArray type = e.value("type").toString().toUtf8();
        const QByteArray text = e.value("text").toString().toUtf8();
        const qint64 date = qint64(e.value("date").toDouble());
        sqlite3_bind_int64(m_insert, 1, m_nextKey++);
        sqlite3_bind_text(m_insert, 2, id.constData(), int(id.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(m_insert, 3, type.constData(), int(type.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(m_insert, 4, date);
        sqlite3_bind_text(m_insert, 5, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(m_insert, 6, m_room);
        sqlite3_bind_int64(m_insert, 7, m_sender);
        sqlite3_step(m_insert);
        sqlite3_reset(m_insert);
        sqlite3_bind_int64(m_update, 1, date);
        sqlite3_bind_text(m_update, 2, id.constData(), int(id.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(m_update, 3, m_room);
        sqlite3_step(m_update);
        sqlite3_reset(m_update);
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }

private:
    qint64 key(const char* sql, const QString& text) {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr);
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(s, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        const qint64 k = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
        sqlite3_finalize(s);
        return k;
    }
    void run(const char* sql, qint64 k, const QString& text = {}) {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr);
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_int64(s, 1, k);
        if (sqlite3_bind_parameter_count(s) >= 2)
            sqlite3_bind_text(s, 2, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        sqlite3_step(s);
        sqlite3_finalize(s);
    }

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_insert = nullptr;
    sqlite3_stmt* m_update = nullptr;
    qint64 m_nextKey = 1'000'000'000;
    qint64 m_room = 0;
    qint64 m_sender = 0;
};

} // namespace pelnix::bench
