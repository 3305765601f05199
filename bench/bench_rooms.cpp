// The room and message model against raw SQLite doing the same work, in the same run: stream
// events through the real dispatch (one save per event, on the event queue), and the rooms list.
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

constexpr int kEvents = 10000;
constexpr int kRooms = 1000;
constexpr int kMessagesPerRoom = 100;
QMap<QString, double> g_seconds; // per iteration, by benchmark name

// A store in a sandbox with the signed-in account (user 7).
struct World {
    test::TestSandbox sandbox;
    World() {
        PelnixDataModel::registerDeclaration();
        PLManagedObject::initializeDatabase();
        auto account = CurrentUserInfo::PS_createEntity();
        auto me = User::PS_createEntity();
        me->setUserID(7);
        account->setUser(me);
        account->save();
    }
    ~World() { PLPersistence::cleanUp(); }
    QString storePath() const { return PLPersistence::PS_defaultStore()->path(); }
};

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

void BM_DispatchEventsSavePerEvent(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto world = std::make_unique<World>();
        auto room = ChatRoom::PS_createEntity();
        room->setRoomId("room-1");
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
        if (Message::PS_countOfEntities() != kEvents)
            state.SkipWithError("events lost");
        queue.async([] { PLPersistence::PS_clearContextForCurrentThread(); });
        waitFor(queue);
        room.reset();
        world.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_RawInsertSameRowsPerTransaction(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto world = std::make_unique<World>();
        QList<QVariantMap> events;
        for (int i = 0; i < kEvents; ++i)
            events << event(i);
        auto raw = std::make_unique<bench::RawMessageInserter>(world->storePath());
        state.ResumeTiming();

        for (int i = 0; i < kEvents; ++i)
            raw->insert(1'000'000 + i, events[i]);

        state.PauseTiming();
        raw.reset();
        world.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
}

// 1,000 rooms of 100 messages each, a tenth of them unread, counts and latest messages settled as
// the rooms screen leaves them.
World* g_listWorld = nullptr;

void fillRoomList() {
    if (g_listWorld)
        return;
    g_listWorld = new World();
    qint64 date = 1'700'000'000'000;
    for (int r = 0; r < kRooms; ++r) {
        auto room = ChatRoom::PS_createEntity();
        room->setRoomId(QStringLiteral("room-%1").arg(r));
        room->setName(QStringLiteral("Room %1").arg(r));
        room->setStatus(r % 50 == 0 ? 1 : 0);
        for (int m = 0; m < kMessagesPerRoom; ++m) {
            auto message = Message::PS_createEntity();
            message->setMessageId(QStringLiteral("m-%1-%2").arg(r).arg(m));
            message->setText(QStringLiteral("Message %1 in room %2 of ordinary length.").arg(m).arg(r));
            message->setDate(date + qint64(m) * kRooms + r);
            message->setValue("state", qint16(m % 10 == 0 ? 0 : 1));
            message->setUpdateCount(m % 10 == 0 ? 1 : 0);
            room->addMessagesObject(message);
            room->updateLatestMessage(message);
        }
    }
    PLPersistence::PS_defaultContext()->save();
    for (const auto& room : ChatRoom::PS_findAll())
        room->unreadMessagesCount();
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
    fillRoomList();
    auto context = PLPersistence::PS_defaultContext();
    for (auto _ : state) {
        QList<RoomRow> rows;
        for (const auto& room : ChatRoom::allChatRooms()) {
            auto latest = room->latestMessage();
            rows.append({room->name(), latest ? latest->text() : QString(), latest ? latest->date() : 0,
                         room->unreadMessagesCount()});
        }
        if (rows.size() != kRooms - kRooms / 50 || rows.first().unread != 10)
            state.SkipWithError("wrong rooms list");
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
    fillRoomList();
    sqlite3* db = nullptr;
    sqlite3_open(g_listWorld->storePath().toUtf8().constData(), &db);
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
        if (rows.size() != kRooms - kRooms / 50 || rows.first().unread != 10)
            state.SkipWithError("wrong rooms list");
        benchmark::DoNotOptimize(rows);
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
}

BENCHMARK(BM_DispatchEventsSavePerEvent)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RawInsertSameRowsPerTransaction)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RawRoomsList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreRoomsListWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreRoomsListCold)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    bench::SideBySideReporter reporter(g_seconds);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto seconds = [](const char* name) { return g_seconds.value(QLatin1String(name)); };
    if (seconds("BM_DispatchEventsSavePerEvent") > 0 && seconds("BM_RawInsertSameRowsPerTransaction") > 0)
        std::printf("\n%d message events, one save each: dispatch %.0f events/s, raw inserts %.0f rows/s\n",
                    kEvents, kEvents / seconds("BM_DispatchEventsSavePerEvent"),
                    kEvents / seconds("BM_RawInsertSameRowsPerTransaction"));
    if (seconds("BM_RawRoomsList") > 0)
        std::printf("Rooms list, %d rooms / %d messages: raw SQL %.2f ms; store warm %.2f ms (%.1fx), "
                    "cold %.2f ms (%.1fx); target < 25 ms and <= 4x\n",
                    kRooms, kRooms * kMessagesPerRoom, seconds("BM_RawRoomsList") * 1e3,
                    seconds("BM_StoreRoomsListWarm") * 1e3,
                    seconds("BM_StoreRoomsListWarm") / seconds("BM_RawRoomsList"),
                    seconds("BM_StoreRoomsListCold") * 1e3,
                    seconds("BM_StoreRoomsListCold") / seconds("BM_RawRoomsList"));
    delete g_listWorld;
    benchmark::Shutdown();
    return 0;
}
