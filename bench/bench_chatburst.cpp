// A burst of 1,000 messages from another user, sent by the stand-in service over the event stream into
// an open chat window that follows the bottom of its room: each message's time from the store's
// announcement to the first painted frame that shows its row above the input bar (median and 99th
// percentile), and that every message is shown exactly once, in the service's order. Beside it, in the
// same run, the same burst saved and announced with no window open. Two bursts: "posted", the other
// user posting one message after another through the service's API; "streamed", the service putting
// all of them on the stream at once, as fast as the event stream can carry them.

#include "BenchRun.h"
#include "CoreFixture.h"
#include "ModelManagerHooksDouble.h"
#include "SideBySideBaseline.h"

#include "core/model/ChatRoom.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "foundation/persistence/PLPersistence.h"
#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"
#include "platform/ui/Window.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <httplib.h>
#include <numeric>
#include <thread>

using namespace pelnix;
using platform::ui::IndexPath;

namespace {

const int kBurst = bench::sized(1000, 50);
constexpr int kEarlier = 40;
constexpr qint64 kBase = 1'700'000'000'000;
constexpr qint64 kBen = 42;
// What the set-up before a burst may take on a loaded machine; the waits end as soon as it is done.
constexpr int kSetUpTimeoutMs = 30000;
const char* const kBenToken = "ben-token";
const QString kRoom = QStringLiteral("room-1");

QMap<QString, double> g_seconds;
QMap<QString, double> g_figures;

QString burstText(int i) {
    return QStringLiteral("Message %1 of the burst, of ordinary length.").arg(i);
}

QJsonObject event(int i) {
    return QJsonObject{{"roomId", kRoom},
                       {"_id", QStringLiteral("m%1").arg(i)},
                       {"type", "message"},
                       {"date", double(kBase + i * 10)},
                       {"text", QStringLiteral("Message %1 of the burst, of ordinary length.").arg(i)},
                       {"sender", "42"},
                       {"senderObj", QJsonObject{{"userId", 42}, {"name", "Ben"}}}};
}

// The signed-in account with the room and its earlier messages stored, the stream ready to start.
struct World {
    test::CoreFixture fixture;
    test::ModelManagerHooksDouble hooks;
    World() {
        // Ben and the room on the service, so that Ben can post there as any client would.
        fixture.server().seed(QJsonObject{
            {"org", "acme"},
            {"users", QJsonArray{QJsonObject{
                          {"id", kBen}, {"email", "ben@acme.test"}, {"name", "Ben"}, {"token", kBenToken}}}},
            {"rooms", QJsonArray{QJsonObject{{"_id", kRoom},
                                             {"name", "Burst"},
                                             {"members", QJsonArray{fixture.userID(), kBen}},
                                             {"admin", kBen}}}}});
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
        room->setRoomId(kRoom);
        room->setName(QStringLiteral("Burst"));
        room->save();
        for (int i = 0; i < kEarlier; ++i) {
            QVariantMap json = event(-kEarlier + i).toVariantMap();
            json.insert(QStringLiteral("_id"), QStringLiteral("e%1").arg(i));
            room->updateMessageDict(json, false, {})->setState(1);
        }
        room->save();
    }
    ~World() {
        PLModelManager::destroySharedInstance();
        PLPersistence::cleanUp();
    }
    enum class Burst { Posted, Streamed };
    // From a thread of its own: Ben posts one message after another, as fast as the service takes them,
    // and the service streams each to the user; or the service streams them all at once.
    void sendBurst(Burst burst) {
        if (burst == Burst::Streamed) {
            std::thread streamer([this] {
                for (int i = 0; i < kBurst; ++i) {
                    QJsonObject message = event(i);
                    message.insert("_id", QStringLiteral("b%1").arg(i));
                    message.insert("date", double(QDateTime::currentMSecsSinceEpoch()));
                    message.insert("text", burstText(i));
                    fixture.server().injectEvent(fixture.userID(), message);
                }
            });
            streamer.detach();
            return;
        }
        const int port = fixture.server().port();
        std::thread sender([port] {
            httplib::Client client("127.0.0.1", port);
            const httplib::Headers headers{
                {"Authorization",
                 QStringLiteral("Tavrix %1:%2:echat").arg(kBen).arg(QLatin1String(kBenToken)).toStdString()}};
            for (int i = 0; i < kBurst; ++i) {
                const std::string text = QUrl::toPercentEncoding(burstText(i)).toStdString();
                client.Post(QStringLiteral("/rooms/%1/messages").arg(kRoom).toStdString(), headers,
                            "type=message&text=" + text, "application/x-www-form-urlencoded");
            }
        });
        sender.detach();
    }
};

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

// The burst message's number from its text, or -1.
int burstIndex(const Message::Ptr& message) {
    static const QRegularExpression pattern(QStringLiteral("^Message (\\d+) of the burst"));
    const auto match = message ? pattern.match(message->text()) : QRegularExpressionMatch();
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// Times each burst row's first painted frame in which it shows above the input bar.
class PaintWatcher : public QObject {
public:
    PaintWatcher(PLChatWindowViewController* chat, QElapsedTimer& clock)
        : painted(kBurst, -1), m_chat(chat), m_clock(clock) {
        chat->collectionView()->viewport()->installEventFilter(this);
    }
    std::vector<qint64> painted;
    int frames = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return false;
        const qint64 now = m_clock.nsecsElapsed();
        ++frames;
        auto* list = m_chat->collectionView();
        const double top = list->contentOffset().y();
        const double threshold = m_chat->bottomVisibleCellThresholdTopValue();
        for (const IndexPath& path : list->indexPathsForVisibleItems()) {
            const QRectF rect = list->rectForRow(path);
            if (rect.top() >= threshold || rect.bottom() <= top)
                continue;
            const int index = burstIndex(m_chat->rowList().at(path.item()).message());
            if (index >= 0 && painted[size_t(index)] < 0)
                painted[size_t(index)] = now;
        }
        return false;
    }

private:
    PLChatWindowViewController* m_chat;
    QElapsedTimer& m_clock;
};

// Runs the event loop, without spinning, until `done` or the time-out; whether `done` held.
bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(2);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// Waits until a burst can go into the open window: empty then, else what did not come about in time.
// The application's becoming active makes the window fetch what its room missed and show that by a
// reload, unannounced; a burst sent before that fetch is answered partly arrives through it instead
// of the stream. The fetch holds the store's event queue until its reply is applied.
QString waitUntilReadyForBurst(PLChatWindowViewController* chat, World& world) {
    if (!waitFor([&] { return chat->isVisible(); }, kSetUpTimeoutMs))
        return QStringLiteral("the chat window did not show");
    if (!waitFor([] { return QGuiApplication::applicationState() == Qt::ApplicationActive; },
                 kSetUpTimeoutMs))
        return QStringLiteral("the application did not become active");
    auto* queue = PLModelManager::sharedModelManager()->dataProcessingQueue();
    if (!waitFor([&] { return !queue->isSuspended(); }, kSetUpTimeoutMs))
        return QStringLiteral("the window's fetch of the messages its room missed did not end");
    if (!waitFor([&] { return world.fixture.server().openStreams(world.fixture.userID()) > 0; },
                 kSetUpTimeoutMs))
        return QStringLiteral("the event stream did not open");
    return {};
}

void burstIntoOpenWindow(benchmark::State& state, World::Burst burst, const QString& name) {
    std::vector<double> latencies;
    QString fault;
    for (auto _ : state) {
        state.PauseTiming();
        auto world = std::make_unique<World>();
        world->fixture.server().addFault({"/rooms/room-1/messages", "GET", 1, standin::StandinServer::FaultMode::Delay, 300});
        QElapsedTimer clock;
        clock.start();
        auto* center = platform::NotificationCenter::defaultCenter();
        std::vector<qint64> announced(kBurst, -1);
        int announcements = 0;
        // Registered before the window's own observer: when the store announced each message.
        const auto token = center->addObserver(
            QLatin1String(ChatRoomMessageAddedNotification), [&](const platform::Notification& n) {
                const int index = burstIndex(
                    Message::messageWithID(n.userInfo.value(QLatin1String(kMessageIDKey)).toString()));
                if (index >= 0 && announced[size_t(index)] < 0) {
                    announced[size_t(index)] = clock.nsecsElapsed();
                    ++announcements;
                }
            });
        platform::ui::Window window;
        window.resize(320, 568);
        auto* chat = new PLChatWindowViewController;
        chat->setChatRoom(ChatRoom::chatRoomWithID(kRoom));
        window.setRootViewController(chat);
        window.show();
        PaintWatcher watcher(chat, clock);
        PLModelManager::sharedModelManager()->checkAppSatusAndProceed();
        if (const QString why = waitUntilReadyForBurst(chat, *world); !why.isEmpty()) {
            center->removeObserver(token);
            fault = QStringLiteral("before the burst, %1 within %2 s").arg(why).arg(kSetUpTimeoutMs / 1000);
            break;
        }
        state.ResumeTiming();

        world->sendBurst(burst);
        // Until the last message of the burst is on screen.
        waitFor([&] { return announcements == kBurst && watcher.painted.back() >= 0; }, 120000);

        state.PauseTiming();
        center->removeObserver(token);
        int unpainted = 0;
        for (int i = 0; i < kBurst; ++i) {
            if (announced[size_t(i)] < 0 || watcher.painted[size_t(i)] < 0) {
                ++unpainted;
                continue;
            }
            latencies.push_back(double(watcher.painted[size_t(i)] - announced[size_t(i)]) / 1e6);
        }
        // Every message once, in the service's order.
        QList<int> shown;
        for (const auto& row : chat->rowList().rows())
            if (const int index = burstIndex(row.message()); index >= 0)
                shown << index;
        QList<int> expected(kBurst);
        std::iota(expected.begin(), expected.end(), 0);
        if (announcements != kBurst)
            fault = QStringLiteral("%1 of %2 messages announced").arg(announcements).arg(kBurst);
        else if (shown != expected)
            fault = QStringLiteral("the rows are not the messages in order, each once");
        else if (unpainted > 0)
            fault = QStringLiteral("%1 rows were never painted").arg(unpainted);
        std::printf("%d frames painted during the burst\n", watcher.frames);
        world.reset();
        state.ResumeTiming();
    }
    if (!fault.isEmpty())
        state.SkipWithError(qPrintable(fault));
    g_figures[name + QStringLiteral(" median")] = percentile(latencies, 0.5);
    g_figures[name + QStringLiteral(" p99")] = percentile(latencies, 0.99);
    g_figures[name + QStringLiteral(" max")] = percentile(latencies, 1.0);
    state.SetItemsProcessed(state.iterations() * kBurst);
}

void burstWithNoWindow(benchmark::State& state, World::Burst burst) {
    for (auto _ : state) {
        state.PauseTiming();
        auto world = std::make_unique<World>();
        // Announced as for an open window, with nobody drawing.
        PLModelManager::sharedModelManager()->setActiveRoomID(kRoom);
        int added = 0;
        const auto token = platform::NotificationCenter::defaultCenter()->addObserver(
            QLatin1String(ChatRoomMessageAddedNotification), [&](const platform::Notification&) { ++added; });
        PLModelManager::sharedModelManager()->checkAppSatusAndProceed();
        state.ResumeTiming();

        world->sendBurst(burst);
        waitFor([&] { return added >= kBurst; }, 120000);

        state.PauseTiming();
        platform::NotificationCenter::defaultCenter()->removeObserver(token);
        world.reset();
        if (added != kBurst) {
            bench::fail(state, "messages lost");
            break;
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kBurst);
}

void BM_PostedBurstWithNoWindow(benchmark::State& state) {
    burstWithNoWindow(state, World::Burst::Posted);
}
void BM_PostedBurstIntoOpenWindow(benchmark::State& state) {
    burstIntoOpenWindow(state, World::Burst::Posted, QStringLiteral("posted"));
}
void BM_StreamedBurstWithNoWindow(benchmark::State& state) {
    burstWithNoWindow(state, World::Burst::Streamed);
}
void BM_StreamedBurstIntoOpenWindow(benchmark::State& state) {
    burstIntoOpenWindow(state, World::Burst::Streamed, QStringLiteral("streamed"));
}

BENCHMARK(BM_PostedBurstWithNoWindow)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PostedBurstIntoOpenWindow)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StreamedBurstWithNoWindow)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StreamedBurstIntoOpenWindow)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    bench::BenchRun run(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::SideBySideReporter reporter(g_seconds);
    run.run(&reporter);
    std::printf("\n");
    for (const QString& name : {QStringLiteral("Posted"), QStringLiteral("Streamed")}) {
        const double window = g_seconds.value(QStringLiteral("BM_%1BurstIntoOpenWindow").arg(name));
        const double none = g_seconds.value(QStringLiteral("BM_%1BurstWithNoWindow").arg(name));
        const QString key = name.toLower();
        if (window > 0 && none > 0)
            std::printf(
                "%s burst of %d messages: announced to painted row median %.2f ms, 99th percentile %.2f ms, "
                "worst %.2f ms (target < 16 ms and < 50 ms); %.0f ms into an open window, %.0f ms with "
                "none (%.2f of it)\n",
                qPrintable(name), kBurst, g_figures.value(key + " median"), g_figures.value(key + " p99"),
                g_figures.value(key + " max"), window * 1000, none * 1000, window / none);
    }
    return run.finish();
}
