// The chat window on a room of 500 picture messages (each its own 1024 x 768 JPEG, stored in and
// served by the stand-in, shown by the shared-media page in the browser engine), scrolled end to end,
// beside the same window on a room of 500 text messages in the same run, the two rooms in turns (5 in
// a full run, each room once per turn, the text room first in odd turns), each turn in a window of its
// own:
//   fps        frames per second of the scroll (move, paint, one turn of the event loop), pictures
//              against text, turn by turn; the target is at least half of the text room's rate in the
//              median of the turns' ratios. A full run counts a missed target as a failed check (its
//              exit code says so); a short run (10 messages, one turn: a few frames on a busy machine)
//              prints the ratio and whether it met the target, and fails nothing by it;
//   decoding   CPU time of the main thread per frame, pictures against text, beside the CPU time of the
//              engine's processes (where the pictures are decoded): the main thread does no decoding;
//   requests   every request for a picture the stand-in answered during the scrolls, by client (the
//              engine, and the library's offline copy of message pictures): no picture twice;
//   memory     the peak proportional set of every process against the text room, and the offline
//              copies on disk against their per-picture bound.

#include "BenchRun.h"
#include "ScrollBenchmark.h"
#include "SmartRoomSeed.h"

#include "CoreFixture.h"
#include "core/api/PLAppConfigurations.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/StyleSheetXSLT.h"
#include "core/model/User.h"
#include "foundation/StandardFolders.h"
#include "foundation/persistence/PLPersistence.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "media/PLS3MediaUploader.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/Animator.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Window.h"
#include "smart/SmartMessageRenderer.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/PLSmartMessageImageCache.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <unistd.h>

using namespace pelnix;
using namespace pelnix::bench;

namespace {

const int kMessages = bench::sized(500, 10);
const int kTurns = bench::sized(5, 1);
// At least half of the text room's rate.
constexpr double kTarget = 0.5;
constexpr qint32 kBob = 8;
constexpr qint64 kStart = 1'700'000'000'000;
QMap<QString, double> g_figures;

QByteArray fixture(const QString& file) {
    QFile f(QStringLiteral(":/standin/smart/") + file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

// A 1024 x 768 picture of its own for each message, as busy as a photo (about 100 KB): shapes of many
// colours over a gradient, and its number.
QByteArray pictureJpeg(int i) {
    QImage image(1024, 768, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 1024, 768);
    sky.setColorAt(0, QColor::fromHsv((i * 37) % 360, 160, 220));
    sky.setColorAt(1, QColor::fromHsv((i * 37 + 180) % 360, 200, 120));
    painter.fillRect(image.rect(), sky);
    quint32 seed = quint32(i) * 2654435761u + 1;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int k = 0; k < 400; ++k)
        painter.fillRect(int(next() % 1024), int(next() % 768), 8 + int(next() % 60), 8 + int(next() % 60),
                         QColor::fromRgb(next() & 0xffffff));
    painter.setPen(Qt::white);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 120, QFont::Bold));
    painter.drawText(image.rect(), Qt::AlignCenter, QString::number(i));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return bytes;
}

// CPU time in milliseconds: of one thread of this process, or of whole processes.
double ticksToMs(long long ticks) {
    return double(ticks) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}
long long cpuTicks(const QString& statPath) {
    QFile stat(statPath);
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> after = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // Fields 14 and 15 of stat (utime, stime), counted from the state (field 3) on.
    return after.value(11).toLongLong() + after.value(12).toLongLong();
}
// The calling thread's CPU time, to the nanosecond (the main thread's, as the benchmark calls it).
double mainThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}
// The processes below this one: the engine's renderer and helpers.
QList<qint64> childProcesses() {
    QList<qint64> children = processTree();
    children.removeOne(QCoreApplication::applicationPid());
    return children;
}
// The CPU time the processes below this one spend from its making on: a process that ends keeps what
// it was last seen at (a sum of the processes alive at each end would fall as the engine lets one go).
class ChildrenCpu {
public:
    ChildrenCpu() {
        sample();
        m_start = m_last;
    }
    void sample() {
        for (qint64 pid : childProcesses())
            m_last[pid] = cpuTicks(QStringLiteral("/proc/%1/stat").arg(pid));
    }
    double ms() const {
        long long ticks = 0;
        for (auto it = m_last.cbegin(); it != m_last.cend(); ++it)
            ticks += it.value() - m_start.value(it.key(), 0);
        return ticksToMs(ticks);
    }

private:
    QHash<qint64, long long> m_start;
    QHash<qint64, long long> m_last;
};

// The stand-in with the signed-in account, 500 pictures in its object store, the shared-media
// stylesheet, and the two rooms.
class World {
public:
    World() {
        PLModelManager::sharedModelManager()->initialize();
        CurrentUserInfo::initializeCurrentUserForSDKWithID(qint32(m_fixture.userID()), m_fixture.email(),
                                                           m_fixture.token());
        CurrentUserInfo::currentUserInfo()->user()->setProfileName(QStringLiteral("Ann"));
        m_bob = User::PS_createEntity();
        m_bob->setUserID(kBob);
        m_bob->setProfileName(QStringLiteral("Bob"));
        auto sheet = StyleSheetXSLT::PS_createEntity();
        sheet->setName(QStringLiteral("image"));
        sheet->setCategory(QStringLiteral("form"));
        sheet->setData(QString::fromUtf8(fixture(QStringLiteral("image.xsl"))));
        PLPersistence::PS_defaultContext()->save();
        uploadPictures();
        fill(QStringLiteral("pictures"), true);
        fill(QStringLiteral("text"), false);
        PLPersistence::PS_defaultContext()->save();
    }
    ~World() {
        PLModelManager::destroySharedInstance();
        PLPersistence::cleanUp();
    }

    standin::StandinServer& server() { return m_fixture.server(); }
    bool ready() const { return m_urls.size() == kMessages; }

    // The height a picture page takes, measured once in a cell as the chat window would, and stored
    // on every picture message: each has been shown once before.
    void storeMeasuredHeights() {
        platform::ui::Window window;
        window.resize(kScreen);
        auto* cell = new PLSmartMessageCell(&window);
        cell->setGeometry(0, 0, kScreen.width(), 200);
        window.show();
        bool measured = false;
        cell->setWebViewLoadCompletionHandler([&measured](bool) { measured = true; });
        const auto messages = ChatRoom::chatRoomWithID(QStringLiteral("pictures"))->allMessages();
        cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(messages.first()));
        waitUntil([&measured] { return measured; }, 30000);
        const qint16 height = messages.first()->displayCellHeight();
        for (const auto& message : messages)
            message->setDisplayCellHeight(height);
        PLPersistence::PS_defaultContext()->save();
        g_figures["picture_row_height"] = height;
    }

private:
    void uploadPictures() {
        auto* uploader = PLS3MediaUploader::instance();
        bool answered = false;
        bool ok = false;
        uploader->fetchS3Credentials([&](bool good) {
            ok = good;
            answered = true;
        });
        waitUntil([&answered] { return answered; }, 20000);
        if (!ok)
            return;
        QString url;
        bool done = false;
        auto* center = platform::NotificationCenter::defaultCenter();
        const auto finished =
            center->addObserver(QLatin1String(PLS3MediaUploaderDidFinishUploadingNotification),
                                [&](const platform::Notification& note) {
                                    url = note.object.value<PLMultiMediaInfo>().s3TinyURL;
                                    done = true;
                                });
        const auto failed = center->addObserver(QLatin1String(PLS3MediaUploaderDidFailWithErrorNotification),
                                                [&](const platform::Notification&) { done = true; });
        for (int i = 0; i < kMessages; ++i) {
            PLMultiMediaInfo info;
            info.fileID = QStringLiteral("PIC%1").arg(i, 4, 10, QLatin1Char('0'));
            info.fileMime = QStringLiteral("image/jpeg");
            info.fileName = info.fileID + QStringLiteral(".jpg");
            url.clear();
            done = false;
            uploader->uploadData(pictureJpeg(i), info);
            waitUntil([&done] { return done; }, 20000);
            if (url.isEmpty())
                break;
            m_urls << url;
        }
        center->removeObserver(finished);
        center->removeObserver(failed);
    }

    static QString imageJSON(int i, const QString& url) {
        const QJsonObject media{{"fileId", QStringLiteral("PIC%1").arg(i, 4, 10, QLatin1Char('0'))},
                                {"fileMime", "image/jpeg"},
                                {"fileName", QStringLiteral("site-%1.jpg").arg(i)},
                                {"fileUrl", url},
                                {"preview", url},
                                {"fileSize", 90000},
                                {"caption", QStringLiteral("Site photo %1").arg(i)},
                                {"width", 240},
                                {"height", 180}};
        const QJsonObject form{{"type", "image"},
                               {"xslt", "image"},
                               {"formid", QStringLiteral("PIC-%1").arg(i)},
                               {"displayname", "Image"},
                               {"content", QJsonObject{{"media", QJsonArray{media}}}}};
        return QString::fromUtf8(QJsonDocument(form).toJson(QJsonDocument::Compact));
    }

    void fill(const QString& roomId, bool pictures) {
        bench::seedRoom(roomId, kMessages, kStart, m_bob, pictures,
                        [this](const Message::Ptr& message, int i) {
                            message->setText(imageJSON(i, m_urls.value(i)));
                            message->setXsltName(QStringLiteral("image"));
                            message->setFormId(QStringLiteral("PIC-%1").arg(i));
                            message->setDisplayName(QStringLiteral("Image"));
                        });
    }

    test::CoreFixture m_fixture;
    User::Ptr m_bob;
    QStringList m_urls;
};

World* g_world = nullptr;
// Every picture request of the picture room's turns, by client and path.
QHash<QString, int> g_pictureRequests;
RatesInTurns g_rates;

// A room's figures over all its turns.
struct RoomFigures {
    qint64 frames = 0;
    double mainMs = 0;
    double engineMs = 0;
    int passes = 0;
    TreeMemory peak;
};
QMap<QString, RoomFigures> g_rooms;

// Requests for pictures ("/s/<code>") the stand-in answered since the last call, by client and path.
void collectPictureRequests(QHash<QString, int>& byClientAndPath) {
    for (const auto& request : g_world->server().requestLog()) {
        if (request.path.rfind("/s/", 0) != 0)
            continue;
        const bool engine = request.header("User-Agent").find("QtWebEngine") != std::string::npos;
        ++byClientAndPath[QLatin1String(engine ? "engine " : "library ") +
                          QString::fromStdString(request.path)];
    }
    g_world->server().clearRequestLog();
}

void scrollRoom(benchmark::State& state, const QString& roomId, bool pictures) {
    platform::ui::Animator::setInstant(true);
    PLAppConfigurations::currentConfiguration()->setProperty("numberOfMessagesLoadedOnce",
                                                             quint64(kMessages));
    platform::ui::Window window;
    window.resize(kScreen);
    auto* chat = new PLChatWindowViewController;
    chat->setChatRoom(ChatRoom::chatRoomWithID(roomId));
    window.setRootViewController(chat);
    window.show();
    auto* list = chat->collectionView();
    if (chat->rowList().count() < kMessages)
        state.SkipWithError("not every message was loaded");
    if (pictures)
        waitUntil(
            [list] {
                for (auto* cell : list->visibleCells())
                    if (auto* page = qobject_cast<PLSmartMessageCell*>(cell); page && !page->isPageShown())
                        return false;
                return true;
            },
            30000);
    QCoreApplication::processEvents();
    QHash<QString, int> ignored;
    collectPictureRequests(ignored);
    QHash<QString, int>& requests = pictures ? g_pictureRequests : ignored;
    const OwnMemory before = OwnMemory::now();
    TreeMemory peak = TreeMemory::now();
    qint64 frame = 0;
    qint64 samplingNs = 0;
    double samplingCpuMs = 0;
    const double mainBefore = mainThreadCpuMs();
    ChildrenCpu engine;
    QElapsedTimer clock;
    clock.start();
    const int content = int(list->contentSize().height());
    scrollFrames(
        state, window, content,
        [&](int y) {
            list->setContentOffset(QPointF(0, y));
            if (++frame % 16 == 0) {
                QElapsedTimer reading;
                reading.start();
                const double cpuBefore = mainThreadCpuMs();
                peak.keepPeak(TreeMemory::now());
                engine.sample();
                collectPictureRequests(requests);
                samplingCpuMs += mainThreadCpuMs() - cpuBefore;
                samplingNs += reading.nsecsElapsed();
            }
        },
        before);
    const double seconds = double(clock.nsecsElapsed() - samplingNs) / 1e9;
    // Reading /proc and the request log is not part of a frame.
    const double mainMs = mainThreadCpuMs() - mainBefore - samplingCpuMs;
    engine.sample();
    const double childrenMs = engine.ms();
    collectPictureRequests(requests);
    peak.keepPeak(TreeMemory::now());
    state.counters["tree_pss_mib"] = mib(peak.pssKb);
    const double fps = seconds > 0 ? double(frame) / seconds : 0;
    state.counters["fps_without_sampling"] = fps;
    if (pictures)
        g_rates.addCompared(fps);
    else
        g_rates.addBaseline(fps);
    RoomFigures& room = g_rooms[pictures ? QStringLiteral("pictures") : QStringLiteral("text")];
    room.frames += frame;
    room.mainMs += mainMs;
    room.engineMs += childrenMs;
    room.passes += int(state.iterations());
    room.peak.keepPeak(peak);
    if (pictures) {
        // The pictures on screen at the end have arrived in their pages at full size.
        int shown = 0;
        int onScreen = 0;
        for (auto* cell : list->visibleCells())
            if (auto* page = qobject_cast<PLSmartMessageCell*>(cell)) {
                ++onScreen;
                QVariant width;
                waitUntil(
                    [&] {
                        width = QVariant();
                        page->webView()->evaluateJavaScript(
                            QStringLiteral("document.images.length ? document.images[0].naturalWidth : -1"),
                            [&width](const QVariant& v) { width = v.isValid() ? v : QVariant(-2); });
                        waitUntil([&width] { return width.isValid(); }, 2000);
                        return width.toInt() == 1024;
                    },
                    5000);
                shown += width.toInt() == 1024 ? 1 : 0;
            }
        g_figures["pictures_shown"] = shown;
        g_figures["pictures_on_screen"] = onScreen;
        collectPictureRequests(requests);
    }
}

void BM_TextRoomScroll(benchmark::State& state) {
    scrollRoom(state, QStringLiteral("text"), false);
}

void BM_PictureRoomScroll(benchmark::State& state) {
    scrollRoom(state, QStringLiteral("pictures"), true);
}

// The offline copies of message pictures on disk, and the largest of them.
std::pair<qint64, qint64> offlineCopies() {
    qint64 total = 0;
    qint64 largest = 0;
    QDirIterator it(StandardFolders::cacheDataPath(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const qint64 size = QFileInfo(it.next()).size();
        total += size;
        largest = qMax(largest, size);
    }
    return {total, largest};
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
    if (!world.ready()) {
        std::fprintf(stderr, "the pictures could not be stored in the stand-in\n");
        return 1;
    }
    world.storeMeasuredHeights();
    g_rates.registerTurns(kTurns, "BM_TextRoomScroll", BM_TextRoomScroll, "BM_PictureRoomScroll",
                          BM_PictureRoomScroll);
    run.run();
    // Let the offline copies queued during the scrolls finish before they are counted.
    bool idle = false;
    PLSmartMessageImageCache::shared()->whenIdle([&idle] { idle = true; });
    waitUntil([&idle] { return idle; }, 60000);
    const auto [copiesBytes, largestCopy] = offlineCopies();
    collectPictureRequests(g_pictureRequests);
    int engineMost = 0;
    int libraryMost = 0;
    int engineFetched = 0;
    int libraryFetched = 0;
    for (auto it = g_pictureRequests.begin(); it != g_pictureRequests.end(); ++it) {
        if (it.key().startsWith(QLatin1String("engine"))) {
            engineMost = qMax(engineMost, it.value());
            ++engineFetched;
        } else {
            libraryMost = qMax(libraryMost, it.value());
            ++libraryFetched;
        }
    }
    const RoomFigures& pictures = g_rooms.value(QStringLiteral("pictures"));
    const RoomFigures& text = g_rooms.value(QStringLiteral("text"));
    const auto perFrame = [](const RoomFigures& room) {
        return room.frames > 0 ? room.mainMs / double(room.frames) : 0;
    };
    if (pictures.frames > 0 && text.frames > 0) {
        std::printf(
            "\nScroll of %d messages end to end, %d turn(s): pictures %.1f fps, text %.1f fps (medians)\n",
            kMessages, int(g_rates.ratios().size()), g_rates.comparedMedian(), g_rates.baselineMedian());
        g_rates.holdTo(run, kTarget, QStringLiteral("pictures against text"));
        std::printf(
            "Main thread CPU per frame: pictures %.2f ms, text %.2f ms; the engine's processes over the "
            "scrolls: pictures %.0f ms, text %.0f ms (pictures decode there)\n",
            perFrame(pictures), perFrame(text), pictures.engineMs, text.engineMs);
        std::printf("Picture requests over %d passes and the settling after: the engine fetched %d "
                    "pictures, at most %d times each; the offline copy %d, at most %d times each (target: "
                    "once); at the end %.0f of the %.0f pictures on screen shown at full size\n",
                    pictures.passes, engineFetched, engineMost, libraryFetched, libraryMost,
                    g_figures.value("pictures_shown"), g_figures.value("pictures_on_screen"));
        std::printf(
            "Memory of every process, peak proportional set: pictures %.0f MiB, text %.0f MiB; their own "
            "memory (RssAnon) summed: pictures %.0f MiB, text %.0f MiB; mapped file pages (RssFile) summed: "
            "pictures %.0f MiB, text %.0f MiB; offline copies %.1f MiB on disk, the largest %.0f KiB (bound "
            "%lld KiB each); picture rows %.0f px\n",
            mib(pictures.peak.pssKb), mib(text.peak.pssKb), mib(pictures.peak.anonKb), mib(text.peak.anonKb),
            mib(pictures.peak.fileKb), mib(text.peak.fileKb), double(copiesBytes) / kBytesPerMiB,
            double(largestCopy) / 1024.0, PLSmartMessageImageCache::kMaxImageBytes / 1024,
            g_figures.value("picture_row_height"));
    }
    return run.finish();
}
