// The event stream end to end: message events stored by the stand-in service and streamed to the
// model manager, from the stream's start to the last event saved and announced, beside raw SQLite
// writing the same message rows and the same room update, one transaction per event, in the same run.
#include "BenchRun.h"
#include "CoreFixture.h"
#include "ModelManagerHooksDouble.h"
#include "SideBySideBaseline.h"

#include "core/model/ChatRoom.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/PelnixDataModel.h"
#include "foundation/persistence/PLPersistence.h"
#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMap>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>

using namespace pelnix;

namespace {

// PELNIX_BENCH_EVENTS overrides the event count (a short run under callgrind).
const int kEvents = qEnvironmentVariableIsSet("PELNIX_BENCH_EVENTS")
                        ? qEnvironmentVariableIntValue("PELNIX_BENCH_EVENTS")
                        : bench::sized(20000, 300);
constexpr qint64 kBase = 1'700'000'000'000;
QMap<QString, double> g_seconds;

QJsonObject event(int i) {
    return QJsonObject{
        {"roomId", "room-1"},
        {"_id", QStringLiteral("m%1").arg(i)},
        {"type", "message"},
        {"date", double(kBase + i)},
        {"text", QStringLiteral("Message %1 of ordinary length, about sixty characters.").arg(i)},
        {"sender", "42"},
        {"senderObj", QJsonObject{{"userId", 42}, {"name", "Ben"}}}};
}

// The signed-in account with everything stored, the room open, and the stand-in holding the events.
struct World {
    test::CoreFixture fixture;
    test::ModelManagerHooksDouble hooks;
    World() {
        PLModelManager::sharedModelManager()->initialize();
        CurrentUserInfo::initializeCurrentUserForSDKWithID(qint32(fixture.userID()), fixture.email(),
                                                           fixture.token());
        auto account = CurrentUserInfo::currentUserInfo();
        account->setStyleSheetsUpdated(true);
        account->setFormJSONsUpdated(true);
        account->setRoomsFetched(true);
        account->setPrivateEventTime(kBase);
        account->save();
        auto room = ChatRoom::PS_createEntity();
        room->setRoomId("room-1");
        room->save();
        PLModelManager::sharedModelManager()->setActiveRoomID("room-1");
    }
    ~World() {
        PLModelManager::destroySharedInstance();
        PLPersistence::cleanUp();
    }
};

void BM_StreamedEventsSavedAndNotified(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto world = std::make_unique<World>();
        for (int i = 0; i < kEvents; ++i)
            world->fixture.server().injectEvent(world->fixture.userID(), event(i));
        int added = 0;
        QEventLoop loop;
        const auto token = platform::NotificationCenter::defaultCenter()->addObserver(
            QLatin1String(ChatRoomMessageAddedNotification), [&](const platform::Notification&) {
                if (++added == kEvents)
                    loop.quit();
            });
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        state.ResumeTiming();

        PLModelManager::sharedModelManager()->checkAppSatusAndProceed();
        loop.exec();

        state.PauseTiming();
        platform::NotificationCenter::defaultCenter()->removeObserver(token);
        if (added != kEvents || Message::PS_countOfEntities() != kEvents) {
            bench::fail(state, "events lost");
            break;
        }
        world.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_RawInsertSameRowsPerCommit(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        test::TestSandbox sandbox;
        PelnixDataModel::registerDeclaration();
        PLManagedObject::initializeDatabase();
        const QByteArray path = PLPersistence::PS_defaultStore()->path().toUtf8();
        QList<QVariantMap> events;
        for (int i = 0; i < kEvents; ++i)
            events << event(i).toVariantMap();
        auto raw = std::make_unique<bench::RawEventWriter>(QString::fromUtf8(path), QStringLiteral("room-1"));
        state.ResumeTiming();

        for (int i = 0; i < kEvents; ++i)
            raw->write(events[i]);

        state.PauseTiming();
        raw.reset();
        PLPersistence::cleanUp();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
}

BENCHMARK(BM_StreamedEventsSavedAndNotified)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RawInsertSameRowsPerCommit)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    bench::BenchRun run(argc, argv);
    QCoreApplication app(argc, argv);
    bench::SideBySideReporter reporter(g_seconds);
    run.run(&reporter);
    const double streamed = g_seconds.value(QStringLiteral("BM_StreamedEventsSavedAndNotified"));
    const double raw = g_seconds.value(QStringLiteral("BM_RawInsertSameRowsPerCommit"));
    if (streamed > 0 && raw > 0)
        std::printf(
            "\n%d message events streamed: %.0f events/s saved and announced; raw writes of the same rows "
            "and room update %.0f events/s (%.2f of raw); target >= 0.5 of raw\n",
            kEvents, kEvents / streamed, kEvents / raw, raw / streamed);
    return run.finish();
}
