// The room and message model against raw SQLite doing the same work, in the same run: stream
// events through the real dispatch (one save per event, on the event queue), the rooms list with
// every row's unread count, and a room of 100,000 messages: its first page (20 unread, and 1,000
// unread, which the first page reaches back to), an older page and its unread count.
#include "BenchRun.h"
#include "HeapMeter.h"
#include "SideBySideBaseline.h"
#include "TestSandbox.h"
#include "core/model/Asset.h"
#include "core/model/Challenge.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/DeletedMessage.h"
#include "core/model/Message.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/RoomModelServices.h"
#include "core/model/User.h"
#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QMap>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>

using namespace pelnix;

namespace {

// PELNIX_BENCH_EVENTS overrides the event count (a short run under callgrind).
const int kEvents = qEnvironmentVariableIsSet("PELNIX_BENCH_EVENTS")
                        ? qEnvironmentVariableIntValue("PELNIX_BENCH_EVENTS")
                        : bench::sized(10000, 200);
const int kRooms = bench::sized(1000, 50);
constexpr int kMessagesPerRoom = 100;
const int kBigRoom = bench::sized(100000, 3000);
constexpr int kPage = 20;
constexpr int kFewUnread = 20;
constexpr int kManyUnread = 1000;
QMap<QString, double> g_seconds; // per iteration, by benchmark name
QMap<QString, double> g_peakKiB; // heap at the peak of one call, by benchmark name

// A store in a sandbox with the signed-in account (user 7).
struct World {
    test::TestSandbox sandbox;
    World() {
        PelnixDataModel::registerDeclaration();
        PLManagedObject::initializeDatabase();
        RoomModelServices::shared().numberOfMessagesLoadedOnce = [] { return quint64(kPage); };
        auto account = CurrentUserInfo::PS_createEntity();
        auto me = User::PS_createEntity();
        me->setUserID(7);
        account->setUser(me);
        account->save();
    }
    ~World() { PLPersistence::cleanUp(); }
    QString storePath() const { return PLPersistence::PS_defaultStore()->path(); }
};

// One world at a time: the persistence stack has one store.
std::unique_ptr<World> g_world;
QString g_worldKind;

World& world(const QString& kind, const std::function<void()>& fill) {
    if (g_worldKind != kind) {
        g_world.reset();
        g_world = std::make_unique<World>();
        g_worldKind = kind;
        fill();
    }
    return *g_world;
}

QVariantMap event(int i) {
    return QVariantMap{
        {"roomId", "room-1"},
        {"_id", QStringLiteral("m%1").arg(i)},
        {"type", "message"},
        {"date", 1'700'000'000'000.0 + i},
        {"text", QStringLiteral("Message %1 of ordinary length, about sixty characters.").arg(i)},
        {"sender", "8"},
        {"senderObj", QVariantMap{{"userId", 8}, {"name", "Bob"}}}};
}

void waitFor(platform::SerialQueue& queue) {
    auto marker = queue.postMarker();
    while (!marker->load())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// ---- Stream events through the dispatch

void BM_DispatchEventsSavePerEvent(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        g_world.reset();
        g_worldKind.clear();
        auto w = std::make_unique<World>();
        auto room = ChatRoom::PS_createEntity();
        room->setRoomId("room-1");
        room->setTempUnreadMessageCount(0);
        room->save();
        QList<QVariantMap> events;
        for (int i = 0; i < kEvents; ++i)
            events << event(i);
        platform::SerialQueue queue(QStringLiteral("Event Precessing"));
        state.ResumeTiming();

        for (const auto& e : events)
            queue.async([e] { ChatRoom::updateRoomWithMessageDict(e); });
        waitFor(queue);

        state.PauseTiming();
        const bool allSaved = Message::PS_countOfEntities() == kEvents;
        queue.async([] { PLPersistence::PS_clearContextForCurrentThread(); });
        waitFor(queue);
        room.reset();
        w.reset();
        if (!allSaved) {
            bench::fail(state, "events lost");
            break;
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_RawInsertSameRowsPerTransaction(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        g_world.reset();
        g_worldKind.clear();
        auto w = std::make_unique<World>();
        QList<QVariantMap> events;
        for (int i = 0; i < kEvents; ++i)
            events << event(i);
        auto raw = std::make_unique<bench::RawEventWriter>(w->storePath(), QStringLiteral("room-1"));
        state.ResumeTiming();

        for (int i = 0; i < kEvents; ++i)
            raw->write(events[i]);

        state.PauseTiming();
        raw.reset();
        w.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
}

// ---- The rooms list: 1,000 rooms of 100 messages each, a tenth of them unread, counts and latest
// messages settled as the rooms screen leaves them.

void fillRoomList() {
    qint64 date = 1'700'000'000'000;
    for (int r = 0; r < kRooms; ++r) {
        auto room = ChatRoom::PS_createEntity();
        room->setRoomId(QStringLiteral("room-%1").arg(r));
        room->setName(QStringLiteral("Room %1").arg(r));
        room->setStatus(r % 50 == 0 ? 1 : 0);
        room->setTempUnreadMessageCount(0);
        for (int m = 0; m < kMessagesPerRoom; ++m) {
            auto message = Message::PS_createEntity();
            message->setMessageId(QStringLiteral("m-%1-%2").arg(r).arg(m));
            message->setText(QStringLiteral("Message %1 in room %2 of ordinary length.").arg(m).arg(r));
            message->setDate(date + qint64(m) * kRooms + r);
            message->setValue("state", qint16(m % 10 == 0 ? 0 : 1));
            message->setValue("updateCount", qint16(m % 10 == 0 ? 1 : 0));
            room->addMessagesObject(message);
            room->updateLatestMessage(message);
        }
        room->setTempUnreadMessageCount(kMessagesPerRoom / 10);
    }
    PLPersistence::PS_defaultContext()->save();
    PLPersistence::PS_defaultContext()->reset();
}

struct RoomRow {
    QString name;
    QString text;
    qint64 date = 0;
    qint64 unread = 0;
};

void storeRoomsList(benchmark::State& state, bool cold) {
    world(QStringLiteral("list"), fillRoomList);
    auto context = PLPersistence::PS_defaultContext();
    for (auto _ : state) {
        QList<RoomRow> rows;
        for (const auto& room : ChatRoom::allChatRoomsWithLatestMessages()) {
            auto latest = room->latestMessage();
            rows.append({room->name(), latest ? latest->text() : QString(), latest ? latest->date() : 0,
                         room->unreadMessagesCount()});
        }
        if (rows.size() != kRooms - kRooms / 50 || rows.first().unread != 10) {
            bench::fail(state, "wrong rooms list");
            break;
        }
        benchmark::DoNotOptimize(rows);
        if (cold) {
            state.PauseTiming();
            rows.clear();
            context->reset();
            state.ResumeTiming();
        }
    }
}

void BM_StoreRoomsListCold(benchmark::State& state) {
    storeRoomsList(state, true);
}

void BM_StoreRoomsListWarm(benchmark::State& state) {
    storeRoomsList(state, false);
}

void BM_RawRoomsList(benchmark::State& state) {
    const World& w = world(QStringLiteral("list"), fillRoomList);
    sqlite3* db = nullptr;
    sqlite3_open(w.storePath().toUtf8().constData(), &db);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT r.name, m.text, m.date, r.tempUnreadMessageCount FROM ChatRoom r "
                       "LEFT JOIN Message m ON m.messageId = r.latestMessageId "
                       "WHERE r.status != 1 ORDER BY r.activityDate DESC",
                       -1, &q, nullptr);
    for (auto _ : state) {
        QList<RoomRow> rows;
        while (sqlite3_step(q) == SQLITE_ROW)
            rows.append({QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(q, 0))),
                         QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(q, 1))),
                         sqlite3_column_int64(q, 2), sqlite3_column_int64(q, 3)});
        sqlite3_reset(q);
        if (rows.size() != kRooms - kRooms / 50 || rows.first().unread != 10) {
            bench::fail(state, "wrong rooms list");
            break;
        }
        benchmark::DoNotOptimize(rows);
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
}

// ---- A room of 100,000 messages: "big" with the last 20 unread, "flood" with the last 1,000.

constexpr qint64 kBigBase = 1'600'000'000'000;

void fillBigRooms() {
    auto context = PLPersistence::PS_defaultContext();
    for (const auto& [roomId, unread] : {std::pair{"big", kFewUnread}, {"flood", kManyUnread}}) {
        auto room = ChatRoom::PS_createEntity();
        room->setRoomId(QString::fromLatin1(roomId));
        room->setTempUnreadMessageCount(0);
        room->save();
        const qint64 roomKey = room->primaryKey();
        for (int m = 0; m < kBigRoom; ++m) {
            auto message = Message::PS_createEntity();
            message->setMessageId(QStringLiteral("%1-%2").arg(QLatin1String(roomId)).arg(m));
            message->setText(QStringLiteral("Message %1 of ordinary length, about sixty characters.").arg(m));
            message->setTypeString(QStringLiteral("message"));
            message->setLatestAction(QStringLiteral("init"));
            // Two messages a second: some share their date, as real rooms do.
            message->setDate(kBigBase + qint64(m / 2) * 1000);
            message->setActualDate(message->date());
            const bool isUnread = m >= kBigRoom - unread;
            message->setValue("state", qint16(isUnread ? 0 : 1));
            message->setValue("updateCount", qint16(isUnread ? 1 : 0));
            message->setRoom(room);
            if (m % 5000 == 4999) {
                context->save();
                context->reset(); // a bounded fill
                room = ChatRoom::cast(context->existingObject(ChatRoom::entityName(), roomKey));
            }
        }
        room->setTempUnreadMessageCount(unread);
        context->save();
        context->reset();
    }
}

World& bigWorld() {
    return world(QStringLiteral("big"), fillBigRooms);
}

std::shared_ptr<ChatRoom> bigRoom(const char* roomId) {
    bigWorld();
    return ChatRoom::chatRoomWithID(QString::fromLatin1(roomId));
}

// Runs one page call per iteration; the first call's heap peak is kept.
void storePage(benchmark::State& state, const char* name, const char* roomId, qint64 time, int expectedSize) {
    auto room = bigRoom(roomId);
    auto context = PLPersistence::PS_defaultContext();
    bool measured = false;
    for (auto _ : state) {
        int size = -1;
        if (!measured)
            bench::HeapMeter::start();
        room->messagesBeforeTime(time, [&](const QList<std::shared_ptr<Message>>& page, bool, qint64) {
            size = int(page.size());
        });
        if (!measured) {
            g_peakKiB[QString::fromLatin1(name)] = double(bench::HeapMeter::peakSinceStart()) / 1024.0;
            measured = true;
        }
        if (size != expectedSize) {
            bench::fail(state, "wrong page");
            break;
        }
        // Each call opens the conversation afresh.
        state.PauseTiming();
        context->reset();
        room = ChatRoom::chatRoomWithID(QString::fromLatin1(roomId));
        state.ResumeTiming();
    }
}

// The raw reading of the same pages: the same indexed queries, every column of the same rows.
class RawPages {
public:
    explicit RawPages(const QString& path) {
        sqlite3_open(path.toUtf8().constData(), &m_db);
        QStringList columns{QStringLiteral("pk")};
        const auto* entity = PLPersistence::PS_defaultStore()->model()->entityNamed(Message::entityName());
        for (int s = 0; s < entity->slotCount(); ++s)
            columns << QLatin1Char('"') + entity->columnForSlot(s) + QLatin1Char('"');
        m_dateColumn = int(columns.indexOf(QStringLiteral("\"date\"")));
        const QString select =
            QStringLiteral("SELECT %1 FROM Message ").arg(columns.join(QStringLiteral(", ")));
        m_newest = prepare(select + "WHERE room = ?1 ORDER BY date DESC, pk DESC LIMIT ?2");
        m_newestBefore =
            prepare(select + "WHERE room = ?1 AND date < ?3 ORDER BY date DESC, pk DESC LIMIT ?2");
        m_atOrAfter =
            prepare("SELECT pk FROM Message WHERE room = ?1 AND date >= ?2 ORDER BY date, pk LIMIT 1");
        m_unreadBefore = prepare(
            "SELECT pk FROM Message WHERE room = ?1 AND state = 0 AND date < ?2 ORDER BY date, pk LIMIT 1");
        m_firstUnread =
            prepare("SELECT date FROM Message WHERE room = ?1 AND state = 0 ORDER BY date, pk LIMIT 1");
        m_countFrom = prepare("SELECT count(*) FROM Message WHERE room = ?1 AND date >= ?2");
        m_storedCount = prepare("SELECT tempUnreadMessageCount FROM ChatRoom WHERE pk = ?1");
        m_unreadSum = prepare("SELECT sum(updateCount) FROM Message WHERE room = ?1 AND state = 0");
    }
    ~RawPages() {
        for (auto* s : {m_newest, m_newestBefore, m_atOrAfter, m_unreadBefore, m_firstUnread, m_countFrom,
                        m_storedCount, m_unreadSum})
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }
    RawPages(const RawPages&) = delete;
    RawPages& operator=(const RawPages&) = delete;

    using Row = std::vector<QVariant>;
    // The first page: the newest page, widened back to the first unread message.
    QList<Row> firstPage(qint64 room) {
        QList<Row> page = rows(m_newest, room, kPage, 0);
        const qint64 oldest = page.isEmpty() ? 0 : page.first().at(m_dateColumn).toLongLong();
        if (exists(m_unreadBefore, room, oldest)) {
            const qint64 firstUnread = scalar(m_firstUnread, room, 0);
            const qint64 size = std::max<qint64>(kPage, scalar(m_countFrom, room, firstUnread));
            page = rows(m_newest, room, size, 0);
        }
        return page;
    }
    QList<Row> pageBefore(qint64 room, qint64 time) {
        if (!exists(m_atOrAfter, room, time))
            return {};
        return rows(m_newestBefore, room, kPage, time);
    }
    qint64 storedCount(qint64 room) { return scalar(m_storedCount, room, 0); }
    qint64 unreadSum(qint64 room) { return scalar(m_unreadSum, room, 0); }

private:
    sqlite3_stmt* prepare(const QString& sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK)
            std::fprintf(stderr, "raw pages: %s\n", sqlite3_errmsg(m_db));
        return s;
    }
    static void bind(sqlite3_stmt* s, qint64 room, qint64 second, qint64 third = 0) {
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, room);
        if (sqlite3_bind_parameter_count(s) >= 2)
            sqlite3_bind_int64(s, 2, second);
        if (sqlite3_bind_parameter_count(s) >= 3)
            sqlite3_bind_int64(s, 3, third);
    }
    static QVariant value(sqlite3_stmt* s, int c) {
        switch (sqlite3_column_type(s, c)) {
        case SQLITE_INTEGER:
            return QVariant(qlonglong(sqlite3_column_int64(s, c)));
        case SQLITE_TEXT:
            return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, c)),
                                              sqlite3_column_bytes(s, c)));
        default:
            return {};
        }
    }
    QList<Row> rows(sqlite3_stmt* s, qint64 room, qint64 limit, qint64 time) {
        bind(s, room, limit, time);
        QList<Row> out;
        while (sqlite3_step(s) == SQLITE_ROW) {
            Row row(size_t(sqlite3_column_count(s)));
            for (int c = 0; c < sqlite3_column_count(s); ++c)
                row[size_t(c)] = value(s, c);
            out << std::move(row);
        }
        std::reverse(out.begin(), out.end());
        return out;
    }
    static bool exists(sqlite3_stmt* s, qint64 room, qint64 time) {
        bind(s, room, time);
        return sqlite3_step(s) == SQLITE_ROW;
    }
    static qint64 scalar(sqlite3_stmt* s, qint64 room, qint64 second) {
        bind(s, room, second);
        return sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    }

    sqlite3* m_db = nullptr;
    int m_dateColumn = 0;
    sqlite3_stmt* m_newest = nullptr;
    sqlite3_stmt* m_newestBefore = nullptr;
    sqlite3_stmt* m_atOrAfter = nullptr;
    sqlite3_stmt* m_unreadBefore = nullptr;
    sqlite3_stmt* m_firstUnread = nullptr;
    sqlite3_stmt* m_countFrom = nullptr;
    sqlite3_stmt* m_storedCount = nullptr;
    sqlite3_stmt* m_unreadSum = nullptr;
};

void rawPage(benchmark::State& state, const char* roomId, qint64 time, int expectedSize) {
    const qint64 room = bigRoom(roomId)->primaryKey();
    RawPages raw(bigWorld().storePath());
    for (auto _ : state) {
        const auto page = time == 0 ? raw.firstPage(room) : raw.pageBefore(room, time);
        if (page.size() != expectedSize) {
            bench::fail(state, "wrong page");
            break;
        }
        benchmark::DoNotOptimize(page);
    }
}

// Messages 50,000 and 50,001 share a date: the page before it ends at message 49,999.
const qint64 kMiddle = kBigBase + qint64(kBigRoom / 4) * 1000;

void BM_StoreFirstPage(benchmark::State& state) {
    storePage(state, "BM_StoreFirstPage", "big", 0, kPage);
}
void BM_RawFirstPage(benchmark::State& state) {
    rawPage(state, "big", 0, kPage);
}
void BM_StoreFirstPageManyUnread(benchmark::State& state) {
    storePage(state, "BM_StoreFirstPageManyUnread", "flood", 0, kManyUnread);
}
void BM_RawFirstPageManyUnread(benchmark::State& state) {
    rawPage(state, "flood", 0, kManyUnread);
}
void BM_StoreOlderPage(benchmark::State& state) {
    storePage(state, "BM_StoreOlderPage", "big", kMiddle, kPage);
}
void BM_RawOlderPage(benchmark::State& state) {
    rawPage(state, "big", kMiddle, kPage);
}

// The unread count as the rooms list reads it: stored, and the first read of a count not known yet
// (-1), which counts the room and stores the result.
void storeUnreadCount(benchmark::State& state, bool counted) {
    auto room = bigRoom("big");
    for (auto _ : state) {
        if (!counted) {
            // Each read is the first one after the count became unknown: counted once, and stored.
            state.PauseTiming();
            room->setTempUnreadMessageCount(-1);
            room->save();
            state.ResumeTiming();
        }
        if (room->unreadMessagesCount() != kFewUnread) {
            bench::fail(state, "wrong count");
            break;
        }
    }
    room->setTempUnreadMessageCount(kFewUnread);
    room->save();
}
void BM_StoreUnreadCount(benchmark::State& state) {
    storeUnreadCount(state, true);
}
void BM_StoreUnreadCountUncounted(benchmark::State& state) {
    storeUnreadCount(state, false);
}
// The same first read on the main thread of a host, where the event queue counts: the main thread
// only asks for the count and reads the room as holding no unread messages meanwhile.
void BM_MainFirstReadUncounted(benchmark::State& state) {
    auto room = bigRoom("big");
    platform::SerialQueue queue(QStringLiteral("Event Precessing"));
    auto& services = RoomModelServices::shared();
    const auto saved = services;
    services.isDataProcessingThread = [&queue] { return queue.isCurrent(); };
    services.addToDataProcessingQueue = [&queue](std::function<void()> block) {
        queue.async(std::move(block));
    };
    for (auto _ : state) {
        state.PauseTiming();
        room->setTempUnreadMessageCount(-1);
        room->save();
        state.ResumeTiming();
        if (room->unreadMessagesCount() != 0) {
            bench::fail(state, "counted on the main thread");
            break;
        }
        state.PauseTiming();
        waitFor(queue);
        room->refreshObject();
        if (room->unreadMessagesCount() != kFewUnread) {
            bench::fail(state, "the queue's count is wrong");
            break;
        }
        state.ResumeTiming();
    }
    waitFor(queue);
    services = saved;
}
void BM_RawUnreadCount(benchmark::State& state) {
    const qint64 room = bigRoom("big")->primaryKey();
    RawPages raw(bigWorld().storePath());
    for (auto _ : state) {
        if (raw.storedCount(room) != kFewUnread) {
            bench::fail(state, "wrong count");
            break;
        }
    }
}
void BM_RawUnreadSum(benchmark::State& state) {
    const qint64 room = bigRoom("big")->primaryKey();
    RawPages raw(bigWorld().storePath());
    for (auto _ : state) {
        if (raw.unreadSum(room) != kFewUnread) {
            bench::fail(state, "wrong count");
            break;
        }
    }
}

// The badge's total: from the rooms' stored counts, beside the sum over every unread message that it
// was before (the raw SQL of the same sum).
void BM_StoreTotalUnread(benchmark::State& state) {
    world(QStringLiteral("list"), fillRoomList);
    const qint64 expected = qint64(kRooms - kRooms / 50) * (kMessagesPerRoom / 10);
    for (auto _ : state) {
        if (ChatRoom::totalUnreadMessagesCount() != expected) {
            bench::fail(state, "wrong total");
            break;
        }
    }
}
void BM_RawTotalUnreadOverMessages(benchmark::State& state) {
    const World& w = world(QStringLiteral("list"), fillRoomList);
    sqlite3* db = nullptr;
    sqlite3_open(w.storePath().toUtf8().constData(), &db);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT sum(m.updateCount) FROM Message m JOIN ChatRoom r ON m.room = r.pk "
                       "WHERE m.state = 0 AND r.status != 1",
                       -1, &q, nullptr);
    for (auto _ : state) {
        sqlite3_step(q);
        benchmark::DoNotOptimize(sqlite3_column_int64(q, 0));
        sqlite3_reset(q);
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
}

BENCHMARK(BM_DispatchEventsSavePerEvent)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RawInsertSameRowsPerTransaction)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RawRoomsList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreRoomsListWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreRoomsListCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawFirstPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreFirstPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawFirstPageManyUnread)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreFirstPageManyUnread)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawOlderPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreOlderPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawUnreadCount)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreUnreadCount)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawUnreadSum)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreUnreadCountUncounted)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MainFirstReadUncounted)->Unit(benchmark::kMicrosecond)->Iterations(bench::iterations(50));
BENCHMARK(BM_RawTotalUnreadOverMessages)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreTotalUnread)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    bench::BenchRun run(argc, argv);
    QCoreApplication app(argc, argv);
    bench::SideBySideReporter reporter(g_seconds);
    run.run(&reporter);
    auto seconds = [](const char* name) { return g_seconds.value(QLatin1String(name)); };
    if (seconds("BM_DispatchEventsSavePerEvent") > 0 && seconds("BM_RawInsertSameRowsPerTransaction") > 0)
        std::printf("\n%d message events, one save each: dispatch %.0f events/s, raw %.0f events/s "
                    "(%.2f of raw); target >= 0.5 of raw\n",
                    kEvents, kEvents / seconds("BM_DispatchEventsSavePerEvent"),
                    kEvents / seconds("BM_RawInsertSameRowsPerTransaction"),
                    seconds("BM_RawInsertSameRowsPerTransaction") / seconds("BM_DispatchEventsSavePerEvent"));
    if (seconds("BM_RawRoomsList") > 0)
        std::printf("Rooms list, %d rooms / %d messages, unread count read per row: raw SQL %.2f ms; store "
                    "warm %.2f ms (%.1fx), cold %.2f ms (%.1fx); target < 5 ms and <= 2x\n",
                    kRooms, kRooms * kMessagesPerRoom, seconds("BM_RawRoomsList") * 1e3,
                    seconds("BM_StoreRoomsListWarm") * 1e3,
                    seconds("BM_StoreRoomsListWarm") / seconds("BM_RawRoomsList"),
                    seconds("BM_StoreRoomsListCold") * 1e3,
                    seconds("BM_StoreRoomsListCold") / seconds("BM_RawRoomsList"));
    const auto pageLine = [&](const char* what, const char* store, const char* raw) {
        if (seconds(store) > 0 && seconds(raw) > 0)
            std::printf("%s: store %.3f ms, peak heap %.2f MiB; raw SQL %.3f ms (%.2f of raw)\n", what,
                        seconds(store) * 1e3, g_peakKiB.value(QLatin1String(store)) / 1024.0,
                        seconds(raw) * 1e3, seconds(raw) / seconds(store));
    };
    std::printf("Room of %d messages, page of %d (target: first page < 5 ms, < 2 MiB, >= 0.5 of raw):\n",
                kBigRoom, kPage);
    pageLine("  first page, 20 unread", "BM_StoreFirstPage", "BM_RawFirstPage");
    pageLine("  first page, 1,000 unread (the page reaches back to them)", "BM_StoreFirstPageManyUnread",
             "BM_RawFirstPageManyUnread");
    pageLine("  an older page", "BM_StoreOlderPage", "BM_RawOlderPage");
    if (seconds("BM_StoreUnreadCount") > 0)
        std::printf("Unread count per call (target < 1 ms): stored %.2f us (raw column %.2f us); first read "
                    "of a count not known yet: counted on the event queue %.2f us (raw indexed sum %.2f us), "
                    "on the main thread while the queue counts %.2f us\n",
                    seconds("BM_StoreUnreadCount") * 1e6, seconds("BM_RawUnreadCount") * 1e6,
                    seconds("BM_StoreUnreadCountUncounted") * 1e6, seconds("BM_RawUnreadSum") * 1e6,
                    seconds("BM_MainFirstReadUncounted") * 1e6);
    if (seconds("BM_StoreTotalUnread") > 0)
        std::printf("Total unread, %d rooms / %d messages: from the stored counts %.3f ms, raw sum over the "
                    "unread messages %.3f ms; target < 1 ms\n",
                    kRooms, kRooms * kMessagesPerRoom, seconds("BM_StoreTotalUnread") * 1e3,
                    seconds("BM_RawTotalUnreadOverMessages") * 1e3);
    g_world.reset();
    return run.finish();
}
