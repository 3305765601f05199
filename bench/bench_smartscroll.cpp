// The chat window on a room of 200 smart messages (polls rendered by the stand-in's stylesheet, shown
// in the browser engine), scrolled end to end, beside the same window on a room of 200 text messages
// in the same run, the two rooms in turns (5 in a full run, each room once per turn, the text room
// first in odd turns), each turn in a window of its own:
//   fps      frames per second of the scroll (move, paint, one turn of the event loop), smart against
//            text, turn by turn; the target is at least half of the text room's rate in the median of
//            the turns' ratios. A full run counts a missed target as a failed check (its exit code says
//            so); a short run (10 messages, one turn: a few frames on a busy machine) prints the ratio
//            and whether it met the target, and fails nothing by it. Then the same scroll where each
//            frame waits until every page on screen has rendered, so that the rendering counts;
//   memory   the proportional set of every process of the program, the browser engine's included,
//            read from /proc (peak over the scroll); the target is under 500 MB (476.8 MiB) of it; the
//            processes' own memory (RssAnon) and their mapped files' pages (RssFile) beside it;
//   pages    the web pages alive against the rows on screen (pages are reused with the cells), the
//            page loads against the number of messages, and the row heights changed while scrolling
//            (none: heights come from the store).

#include "BenchRun.h"
#include "ScrollBenchmark.h"
#include "SmartRoomSeed.h"
#include "TestSandbox.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/StyleSheetXSLT.h"
#include "core/model/User.h"
#include "foundation/persistence/PLPersistence.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/Sandbox.h"
#include "platform/ui/Animator.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Window.h"
#include "smart/SmartMessageRenderer.h"
#include "standin/SmartFixtures.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>

using namespace pelnix;
using namespace pelnix::bench;

namespace {

const int kMessages = bench::sized(200, 10);
const int kTurns = bench::sized(5, 1);
// At least half of the text room's rate.
constexpr double kRateTarget = 0.5;
constexpr qint32 kMe = 7;
constexpr qint32 kBob = 8;
constexpr qint64 kStart = 1'700'000'000'000;
// The memory target: 500 MB of every process's proportional set.
constexpr double kTargetMiB = 500e6 / kBytesPerMiB;
QMap<QString, double> g_figures;

using standin::SmartFixtures::fixture;

void waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

QString pollJSON(int i) {
    QJsonArray options;
    const char* places[] = {"Café Zoë", "The dock", "Pizza place"};
    for (int k = 0; k < 3; ++k)
        options.append(QJsonObject{
            {"id", QString::number(k + 1)}, {"text", QLatin1String(places[k])}, {"votes", (i + k) % 4}});
    const QJsonObject poll{{"type", "primary"},
                           {"xslt", "poll"},
                           {"formid", QStringLiteral("BENCH-%1").arg(i)},
                           {"displayname", "Poll"},
                           {"latestAction", "init"},
                           {"content", QJsonObject{{"title", QStringLiteral("Lunch %1").arg(i)},
                                                   {"question", "Where shall we go?"},
                                                   {"options", options}}}};
    return QString::fromUtf8(QJsonDocument(poll).toJson(QJsonDocument::Compact));
}

// The store with the signed-in account, the poll stylesheet, and the two rooms.
class World {
public:
    World() {
        platform::Sandbox::setRoot(m_sandbox.root());
        PLModelManager::sharedModelManager()->initialize();
        CurrentUserInfo::initializeCurrentUserForSDKWithID(kMe, QStringLiteral("me@acme.test"),
                                                           QStringLiteral("t"));
        CurrentUserInfo::currentUserInfo()->user()->setProfileName(QStringLiteral("Ann"));
        m_bob = User::PS_createEntity();
        m_bob->setUserID(kBob);
        m_bob->setProfileName(QStringLiteral("Bob"));
        auto sheet = StyleSheetXSLT::PS_createEntity();
        sheet->setName(QStringLiteral("poll"));
        sheet->setCategory(QStringLiteral("form"));
        sheet->setData(QString::fromUtf8(fixture(QStringLiteral("poll.xsl"))));
        fill(QStringLiteral("smart"), true);
        fill(QStringLiteral("text"), false);
        PLPersistence::PS_defaultContext()->save();
    }
    ~World() {
        PLModelManager::destroySharedInstance();
        PLPersistence::cleanUp();
    }

    // The height a poll page takes, measured once in a cell as the chat window would, and stored on
    // every poll: each message has been shown once before.
    void storeMeasuredHeights() {
        platform::ui::Window window;
        window.resize(kScreen);
        auto* cell = new PLSmartMessageCell(&window);
        cell->setGeometry(0, 0, kScreen.width(), 200);
        window.show();
        bool measured = false;
        cell->setWebViewLoadCompletionHandler([&measured](bool) { measured = true; });
        auto room = ChatRoom::chatRoomWithID(QStringLiteral("smart"));
        const auto messages = room->allMessages();
        cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(messages.first()));
        waitUntil([&measured] { return measured; }, 30000);
        const qint16 height = messages.first()->displayCellHeight();
        for (const auto& message : messages)
            message->setDisplayCellHeight(height);
        PLPersistence::PS_defaultContext()->save();
        g_figures["poll_row_height"] = height;
    }

private:
    void fill(const QString& roomId, bool smart) {
        // Smart messages are rendered at import, as the library does with each one it receives.
        bench::seedRoom(roomId, kMessages, kStart, m_bob, smart, [](const Message::Ptr& message, int i) {
            message->setText(pollJSON(i));
            message->setXsltName(QStringLiteral("poll"));
            message->setFormId(QStringLiteral("BENCH-%1").arg(i));
            message->setDisplayName(QStringLiteral("Poll"));
            message->setLatestAction(QStringLiteral("init"));
        });
    }

    test::TestSandbox m_sandbox;
    User::Ptr m_bob;
};

World* g_world = nullptr;
RatesInTurns g_rates;

struct OpenWindow {
    platform::ui::Window window;
    PLChatWindowViewController* chat = nullptr;
    explicit OpenWindow(const QString& roomId) {
        window.resize(kScreen);
        chat = new PLChatWindowViewController;
        chat->setChatRoom(ChatRoom::chatRoomWithID(roomId));
        window.setRootViewController(chat);
        window.show();
    }
};

int pagesAlive(QWidget* root) {
    return int(root->findChildren<platform::ui::WebView*>().size());
}

// Every smart message row on screen shows its rendered page.
bool pagesOnScreenShown(PLChatWindowCollectionView* list) {
    for (auto* cell : list->visibleCells())
        if (auto* page = qobject_cast<PLSmartMessageCell*>(cell); page && !page->isPageShown())
            return false;
    return true;
}

void scrollRoom(benchmark::State& state, const QString& roomId, bool smart, bool rendered = false) {
    platform::ui::Animator::setInstant(true);
    PLAppConfigurations::currentConfiguration()->setProperty("numberOfMessagesLoadedOnce",
                                                             quint64(kMessages));
    OpenWindow open(roomId);
    auto* list = open.chat->collectionView();
    if (open.chat->rowList().count() < kMessages)
        state.SkipWithError("not every message was loaded");
    // The pages on screen at the start are loaded before the clock starts, as on opening the room.
    if (smart)
        waitUntil([list] { return pagesOnScreenShown(list); }, 30000);
    QCoreApplication::processEvents();
    const OwnMemory before = OwnMemory::now();
    int mostOnScreen = 0;
    int loads = 0;
    int heightChanges = 0;
    int notRendered = 0;
    QList<QMetaObject::Connection> watched;
    const auto watchPages = [&] {
        for (auto* page : list->findChildren<platform::ui::WebView*>())
            if (!page->property("benchWatched").toBool()) {
                page->setProperty("benchWatched", true);
                watched << QObject::connect(page, &platform::ui::WebView::didStartLoad,
                                            [&loads] { ++loads; });
            }
    };
    const QSizeF contentBefore = list->contentSize();
    TreeMemory peak = TreeMemory::now();
    // Reading /proc of every process is not part of a frame: its time is left out of the rate.
    qint64 samplingNs = 0;
    const auto sample = [&peak, &samplingNs] {
        QElapsedTimer reading;
        reading.start();
        peak.keepPeak(TreeMemory::now());
        samplingNs += reading.nsecsElapsed();
    };
    const int content = int(list->contentSize().height());
    qint64 frame = 0;
    QElapsedTimer clock;
    clock.start();
    scrollFrames(
        state, open.window, content,
        [&](int y) {
            list->setContentOffset(QPointF(0, y));
            mostOnScreen = qMax(mostOnScreen, int(list->indexPathsForVisibleItems().size()));
            watchPages();
            if (rendered && !pagesOnScreenShown(list)) {
                waitUntil([list] { return pagesOnScreenShown(list); }, 10000);
                notRendered += pagesOnScreenShown(list) ? 0 : 1;
            }
            if (++frame % 16 == 0)
                sample();
        },
        before);
    const double seconds = double(clock.nsecsElapsed() - samplingNs) / 1e9;
    sample();
    if (list->contentSize() != contentBefore)
        ++heightChanges;
    for (const auto& c : watched)
        QObject::disconnect(c);
    const QString key = rendered ? QStringLiteral("rendered")
                        : smart  ? QStringLiteral("smart")
                                 : QStringLiteral("text");
    state.counters["rows_on_screen"] = mostOnScreen;
    state.counters["pages"] = pagesAlive(list);
    state.counters["page_loads"] = loads;
    state.counters["tree_pss_mib"] = mib(peak.pssKb);
    state.counters["tree_anon_mib"] = mib(peak.anonKb);
    state.counters["tree_file_mib"] = mib(peak.fileKb);
    const double fps = seconds > 0 ? double(frame) / seconds : 0;
    state.counters["fps_without_sampling"] = fps;
    if (key == QLatin1String("smart"))
        g_rates.addCompared(fps);
    else if (key == QLatin1String("text"))
        g_rates.addBaseline(fps);
    g_figures[key + "_fps"] = fps;
    // Over the turns of a room: the most, or the sum.
    const auto most = [&key](const char* name, double value) {
        g_figures[key + name] = qMax(g_figures.value(key + name), value);
    };
    const auto add = [&key](const char* name, double value) { g_figures[key + name] += value; };
    add("_not_rendered", notRendered);
    most("_rows_on_screen", mostOnScreen);
    most("_pages", pagesAlive(list));
    most("_cells", double(list->findChildren<platform::ui::CollectionViewCell*>().size()));
    add("_page_loads", loads);
    add("_passes", double(state.iterations()));
    most("_tree_rss_mib", mib(peak.rssKb));
    most("_tree_pss_mib", mib(peak.pssKb));
    most("_tree_anon_mib", mib(peak.anonKb));
    most("_tree_file_mib", mib(peak.fileKb));
    most("_processes", peak.processes);
    add("_content_changed", heightChanges);
}

void BM_SmartRoomScroll(benchmark::State& state) {
    scrollRoom(state, QStringLiteral("smart"), true);
}

void BM_TextRoomScroll(benchmark::State& state) {
    scrollRoom(state, QStringLiteral("text"), false);
}

void BM_SmartRoomScrollEveryPageRendered(benchmark::State& state) {
    scrollRoom(state, QStringLiteral("smart"), true, true);
}

} // namespace

int main(int argc, char** argv) {
    bench::BenchRun run(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    CustomFontRegistration::loadCustomFonts();
    World world;
    g_world = &world;
    world.storeMeasuredHeights();
    g_rates.registerTurns(kTurns, "BM_TextRoomScroll", BM_TextRoomScroll, "BM_SmartRoomScroll",
                          BM_SmartRoomScroll);
    // After the turns: its own window, with every page rendered.
    benchmark::RegisterBenchmark("BM_SmartRoomScrollEveryPageRendered", BM_SmartRoomScrollEveryPageRendered)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    run.run();
    const double smart = g_rates.comparedMedian();
    const double text = g_rates.baselineMedian();
    if (smart > 0 && text > 0) {
        std::printf(
            "\nScroll of %d messages end to end, %d turn(s): smart %.1f fps, text %.1f fps (medians)\n",
            kMessages, int(g_rates.ratios().size()), smart, text);
        g_rates.holdTo(run, kRateTarget, QStringLiteral("smart against text"));
        std::printf(
            "Memory of every process (%.0f, the browser engine's included), peak proportional set: "
            "smart %.0f MiB, text %.0f MiB (target < %.1f MiB, 500 MB, counting the proportional set); "
            "their own memory (RssAnon) summed: smart %.0f MiB, text %.0f MiB; mapped file pages (RssFile) "
            "summed: smart %.0f MiB, text %.0f MiB; resident sets summed (shared pages counted in each "
            "process): smart %.0f MiB, text %.0f MiB\n",
            g_figures.value("smart_processes"), g_figures.value("smart_tree_pss_mib"),
            g_figures.value("text_tree_pss_mib"), kTargetMiB, g_figures.value("smart_tree_anon_mib"),
            g_figures.value("text_tree_anon_mib"), g_figures.value("smart_tree_file_mib"),
            g_figures.value("text_tree_file_mib"), g_figures.value("smart_tree_rss_mib"),
            g_figures.value("text_tree_rss_mib"));
        std::printf(
            "Pages: %.0f alive for %.0f cells, at most %.0f rows on screen; %.0f page loads over %.0f "
            "passes of %d messages; poll rows %.0f px high from the store, content height changed: %s\n",
            g_figures.value("smart_pages"), g_figures.value("smart_cells"),
            g_figures.value("smart_rows_on_screen"), g_figures.value("smart_page_loads"),
            g_figures.value("smart_passes"), kMessages, g_figures.value("poll_row_height"),
            g_figures.value("smart_content_changed") > 0 ? "yes" : "no");
    }
    if (g_figures.value("rendered_fps") > 0)
        std::printf("Scroll with every page on screen rendered before its frame: %.1f fps (text %.1f fps, "
                    "%.2fx), %.0f page loads, %.0f frames whose pages did not render within 10 s; memory of "
                    "every process, peak proportional set %.0f MiB (target < %.1f MiB, 500 MB, counting the "
                    "proportional set), own memory (RssAnon) %.0f MiB, mapped file pages (RssFile) %.0f MiB, "
                    "resident sets summed %.0f MiB\n",
                    g_figures.value("rendered_fps"), text, g_figures.value("rendered_fps") / text,
                    g_figures.value("rendered_page_loads"), g_figures.value("rendered_not_rendered"),
                    g_figures.value("rendered_tree_pss_mib"), kTargetMiB,
                    g_figures.value("rendered_tree_anon_mib"), g_figures.value("rendered_tree_file_mib"),
                    g_figures.value("rendered_tree_rss_mib"));
    return run.finish();
}
