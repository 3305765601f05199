// Content a room member or the server can send that once cost the main thread or the import without
// bound, each beside a baseline of the same work on ordinary input in the same run:
//   - a chatlet form of 20,000 fields (refused) beside the poll form and a form at the field bound;
//   - a form title of one 256 KB word in a label beside 256 KB of prose in the same label;
//   - a text message of one 128 KB word measured beside 128 KB of prose;
//   - two XPath evaluations that no bound between steps can end (node-sets compared for every
//     element of a 6 KB message, count(//*//*//*//*//*) of a 140 KB message) beside an ordinary
//     poll transform, both through the transform workers, with the default 2 s bound;
//   - a room's member list of 5,000 imported on a fresh store, beside one of 50 (and 1,000 and
//     2,000, to show the growth per member); its members screen opened until the first rows show,
//     beside rooms of 100 and 50: the main thread's longest stall;
//   - the members screen of a room of 50,000 (its stored count 16-bit) beside a room of 50: its title;
//   - S3 puts from the storage client with debug logging on: a refusal whose error document echoes
//     the session token and secret key (1 MB of it), beside an ordinary refusal, with the secrets
//     found in log lines and error texts; a 302 to another server, beside an ordinary put, with
//     what that server received;
//     refusals echoing both in Base64, split over lines, with "+" as a blank, as XML references and
//     JSON escapes, and in a UTF-16 document, with the encoded echoes found in the log; a 302 to
//     another path on the same server through an address with a user name, with the puts stored;
//   - at the default logging rules: refused puts whose message holds 1,048,576 "&amp;", 100 MB, or the
//     session token in seven encodings no mask knows, beside an ordinary refusal (stall, heap peak,
//     what the peer sent, the service's words in the log); the mask alone on 64 KB to 1 MB of "&"
//     beside 1 MB of prose; a picture of a signed address refused and a stylesheet stopping with
//     xsl:message quoting the message (secrets and message text in the log); the next account's first
//     video after a sign-out that left 40 video posts whose reads hang, beside one that left none;
//   - attachment downloads from a peer on a thread of its own, with the configured bounds: an answer
//     declaring 2 GiB, an endless answer without a length, and one byte every 50 ms, beside an
//     ordinary 20 MiB file, each with its heap peak and the main thread's longest stall; the same file
//     behind 2, 5 and 6 redirects and after an interim 100 answer; window A's 400 KB at 40 KB/s while
//     window B's download finishes, fails or closes, beside A alone: when A ended and in what; an
//     attachment named with a final newline beside an ordinary name: the name it is kept under;
//     the same 20 MiB file behind one absolute hop beside relative Locations (/x, ../x,
//     //host:port/x), after one interim 102, 103 (with a Link), 150, 199 or an unasked 101, and
//     beside answers of no file (interim heads without end, a 302 whose body never ends, a 307 with
//     a 2,000 MiB body), with the process's CPU and what the peer sent for the first answer;
//     one picture opened in two windows at once beside one window: the album entries it left;
//     beside an ordinary 20 MiB file, a body without length reset after 10 MiB, TLS bodies ended by
//     close_notify, cut without it, and ended by close_notify with the TCP connection held open,
//     gzip, deflate and unknown codings, a flood of chunk extensions and a caching proxy: time to the
//     end, bytes kept, CPU, what the peer sent and the failure's words;
//   - a map of 375 x 667 whose tile server sends tiles of 5600 x 5600, bodies of 100 MB, or a byte
//     at a time, beside the same map of ordinary tiles; a geocoder whose server sends 100 MB of
//     places, or a byte at a time, beside an ordinary answer: the heap at its peak and the main
//     thread's longest stall, the servers being local peers in the same process;
//   - the map's tile cache with a link planted in it towards a folder holding files named like the
//     map's tiles, beside an ordinary cache: the files left outside as they were, written outside, kept;
//   - PDFs (a page of 4 M strokes, a page of 1 x 14,400 points, 20,000 pages opened, 3,000 pages
//     scrolled through, files of a few hundred bytes claiming 100,000 and 1,048,000 pages until every
//     size is in, beside 20,000 real pages) beside an ordinary two-page PDF, texts (one 1 MB word, 8 MB
//     of lines) beside 20 KB of notes, and the viewer's caption strip with one 256 KB or 1 MB word
//     beside a caption of 140 characters: the longest the main thread went without turning its event
//     loop, the heap's peak in this process and the document worker's peak resident memory; document
//     workers of our own that claim 2,147,483,647 pages or end right after opening, with the workers
//     started;
//   - document workers of our own that fall silent after opening, cut a run of sizes short, or repeat
//     a run of sizes without end, and a 3-page PDF whose first or middle page is 0.0001 x 14,400 pt,
//     beside the ordinary two-page PDF: the time until the document shows or the worker is ended,
//     the main process's CPU time meanwhile (30 s at most), whether every worker is gone, the canvas
//     and the first two pages' geometry;
//   - video thumbnails of motion JPEG at 24000 x 24000 beside 640 x 480, and eight at once at
//     7680 x 7680 beside eight at 640 x 480: the media workers' peak resident memory, alone and summed,
//     the most alive at once, and the main thread's longest stall;
//   - a smart-form post with a video right after as many thumbnails as the media workers have places
//     (and one fewer) were asked for, beside the same post with none in flight: the main thread's
//     longest stall, when the post was stored by the service, when the thumbnails came, and whether
//     the post's file has its preview;
//   - the contact picker opening on an address book of 30 people with 5600 x 5600 photos beside 30
//     with small ones, and on a 15 MB book of 153,375 people beside one of 500, until the people and
//     their thumbnails show, with the heap peak and the main thread's longest stall;
//   - a poll's details page opening while the service answers its stylesheet's download after 2 s,
//     beside one whose stylesheet is stored, and beside htmlStringForDetailsPage() waited for on the
//     main thread with the same slow answer: the main thread's longest stall until the page is shown.
#include "BenchRun.h"
#include "CodedBodies.h"
#include "EncodedImage.h"
#include "GeneratedCards.h"
#include "HeapMeter.h"
#include "HostileDocuments.h"
#include "HostileHttpPeer.h"
#include "HostileMedia.h"
#include "HostileSmartMessages.h"
#include "MediaPeer.h"
#include "ProcessMemory.h"
#include "SideBySideBaseline.h"
#include "SmartScreensTestWorld.h"
#include "TestSandbox.h"
#include "TlsEndPeer.h"

#include "core/model/Asset.h"
#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLAddressBookHelper.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/persistence/PLManagedObject.h"
#include "foundation/persistence/PLPersistence.h"
#include "interface/Pelnix.h"
#include "media/s3/S3Client.h"
#include "media/s3/S3Logger.h"
#include "media/s3/S3ServiceRequestDelegate.h"
#include "platform/AddressBook.h"
#include "platform/MediaReader.h"
#include "platform/NotificationCenter.h"
#include "platform/Sandbox.h"
#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/DocumentWorkerProtocol.h"
#include "platform/ui/HttpGeocoder.h"
#include "platform/ui/Label.h"
#include "platform/ui/MapTileLoader.h"
#include "platform/ui/MapView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PdfPageSource.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "smart/PLXSLTStylesheet.h"
#include "smart/SmartMessageRenderer.h"
#include "smart/StyleSheetXSLTManagement.h"
#include "ui/contacts/ContactsScreens.h"
#include "ui/contacts/PLContactsTableViewCell.h"
#include "ui/contacts/PLContactsViewController.h"
#include "ui/conversation/ChatletScreens.h"
#include "ui/conversation/PLAddressBookContactViewController.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLDownloadViewerController.h"
#include "ui/conversation/PLMediaDownloadHelper.h"
#include "ui/conversation/PLMediaDownloader.h"
#include "ui/conversation/PLMessageTextView.h"
#include "ui/conversation/PLReplyWebViewController.h"
#include "ui/rooms/PLActiveMembersViewController.h"
#include "ui/rooms/PLGroupMembersViewController.h"
#include "ui/rooms/RoomsScreens.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QNetworkProxy>
#include <QScrollBar>
#include <QSemaphore>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

using namespace pelnix;
using pelnix::bench::HeapMeter;
using platform::ui::HttpGeocoder;
using platform::ui::MapTileLoader;
using platform::ui::Scheduler;
using test::HostileHttpPeer;

namespace {

QMap<QString, double> g_seconds;
// Per download case: heap peak (MB), the main thread's longest stall (ms), bytes the file kept.
QMap<QString, double> g_peakMB;
QMap<QString, double> g_stallMs;
QMap<QString, bool> g_kept;
// Per benchmark of the map services, of its last (warm) iteration: the heap's peak (MB), the main
// thread's longest stall (ms), the bytes the server got to send (MB), the requests still unanswered.
struct MapFigures {
    double peakMB = 0;
    double stallMs = 0;
    double sentMB = 0;
    int unanswered = 0;
};
QMap<QString, MapFigures> g_map;
// Per address book case: the heap in use once the book shows (MB).
QMap<QString, double> g_keptMB;

QVariantList textFields(int count) {
    QVariantList fields;
    for (int i = 0; i < count; ++i)
        fields << QVariantMap{{"id", QStringLiteral("f%1").arg(i)}, {"type", "text"}, {"label", "Field"}};
    return fields;
}

QVariantList pollFields() {
    return {QVariantMap{{"id", "title"}, {"type", "text"}, {"label", "Title"}, {"required", true}},
            QVariantMap{{"id", "question"}, {"type", "textarea"}, {"label", "Question"}, {"required", true}},
            QVariantMap{{"id", "options"}, {"type", "list"}, {"label", "Options"}, {"min", 2}, {"max", 10}}};
}

void showForm(benchmark::State& state, const QVariantList& fields) {
    for (auto _ : state) {
        PLChatletFormView view;
        view.resize(320, 568);
        view.setForm(QStringLiteral("Poll"), fields);
        benchmark::DoNotOptimize(view.fieldViews().size());
    }
}
void BM_Form20000Fields(benchmark::State& state) {
    showForm(state, textFields(20000));
}
void BM_FormPoll(benchmark::State& state) {
    showForm(state, pollFields());
}
void BM_FormAtTheFieldBound(benchmark::State& state) {
    showForm(state, textFields(PLChatletFormView::kMaxFields));
}

QString prose(int length) {
    QString text;
    while (text.size() < length)
        text += QStringLiteral("Where shall we go for lunch on Friday, the dock or the pier? ");
    text.truncate(length);
    return text;
}

void wrapLabel(benchmark::State& state, const QString& text) {
    platform::ui::Label label;
    label.setNumberOfLines(0);
    for (auto _ : state) {
        label.setText(text);
        benchmark::DoNotOptimize(label.heightForWidth(290));
    }
}
void BM_Title256KBWord(benchmark::State& state) {
    wrapLabel(state, QString(256 * 1024, QLatin1Char('w')));
}
// Qt's own wrapping (no line breaker) of one word an eighth as long, to show what the label is spared.
void BM_QtOwnWrapping32KBWord(benchmark::State& state) {
    const QString word(32 * 1024, QLatin1Char('w'));
    const QFont font = QApplication::font();
    for (auto _ : state) {
        QTextLayout layout(word, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(290);
        layout.endLayout();
        benchmark::DoNotOptimize(layout.lineCount());
    }
}
void BM_Title256KBProse(benchmark::State& state) {
    wrapLabel(state, prose(256 * 1024));
}

// Each iteration measures a text not seen before (heights are remembered per text).
void measureMessage(benchmark::State& state, QString text) {
    const QFont font = PLChatWindowStyle::messageFont();
    int round = 0;
    for (auto _ : state) {
        const QString digits = QString::number(++round).rightJustified(8, QLatin1Char('0'));
        text.replace(0, digits.size(), digits);
        benchmark::DoNotOptimize(PLMessageTextView::measuredHeight(text, font, 230));
    }
}
void BM_Message128KBWord(benchmark::State& state) {
    measureMessage(state, QString(128 * 1024, QLatin1Char('w')));
}
void BM_Message128KBProse(benchmark::State& state) {
    measureMessage(state, prose(128 * 1024));
}
// Short lines of Arabic and English by turns: every paragraph reads in a direction of its own.
void BM_Message128KBMixedLines(benchmark::State& state) {
    QString text;
    for (int line = 0; text.size() < 128 * 1024; ++line)
        text += line % 2 ? QStringLiteral("See you at 10, by the pier.\n")
                         : QStringLiteral("\u0645\u0631\u062D\u0628\u0627 \u0628\u0643\u0645 \u0641\u064A "
                                          "\u0627\u0644\u0645\u064A\u0646\u0627\u0621!\n");
    measureMessage(state, text);
}

void transform(benchmark::State& state, const QString& name, const QByteArray& xslt, const QString& json) {
    const PLXMLDocument document = SmartMessageRenderer::messageDocument(json, {});
    for (auto _ : state)
        benchmark::DoNotOptimize(SmartMessageRenderer::transform(document, name, QString::fromUtf8(xslt)));
}
void BM_XPathNodeSetsCompared(benchmark::State& state) {
    transform(state, "compare", test::comparingSheet(), test::comparingMessage());
}
void BM_XPathCountOf140KB(benchmark::State& state) {
    transform(state, "count", test::countingSheet(), test::countingMessage());
}
void BM_XPathOrdinaryPoll(benchmark::State& state) {
    QFile file(QStringLiteral(PELNIX_SOURCE_DIR "/standin/fixtures/smart/poll.xsl"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("poll stylesheet missing");
        return;
    }
    transform(state, "poll", file.readAll(),
              QStringLiteral(
                  R"({"type":"poll","content":{"title":"Lunch","question":"Where?",)"
                  R"("options":[{"id":"1","text":"Dock","votes":3},{"id":"2","text":"Pier","votes":1}]}})"));
}

void addDownloadEndRoutes(test::MediaPeer& peer, test::MediaPeer& proxy);

// The peer answers on a thread of its own, so the main thread's stalls are the downloader's alone.
class PeerThread : public QThread {
public:
    void run() override {
        test::MediaPeer peer;
        peer.endlessLimit = qint64(8) * 1024 * 1024 * 1024;
        test::MediaPeer::Route ordinary{200, QByteArray(), "video/webm"};
        ordinary.announced = 20 * 1024 * 1024;
        ordinary.stream = true;
        peer.routes[QStringLiteral("/ordinary.webm")] = ordinary;
        test::MediaPeer::Route declared{200, QByteArray(), "video/webm"};
        declared.announced = qint64(2) * 1024 * 1024 * 1024;
        declared.stream = true;
        peer.routes[QStringLiteral("/declared.webm")] = declared;
        test::MediaPeer::Route endless{200, QByteArray(), "video/webm"};
        endless.withoutLength = true;
        endless.stream = true;
        peer.routes[QStringLiteral("/endless.webm")] = endless;
        test::MediaPeer::Route drip{200, QByteArray("d"), "video/webm"};
        drip.announced = 1024 * 1024;
        drip.drip = true;
        peer.routes[QStringLiteral("/drip.webm")] = drip;
        // The ordinary file behind chains of redirects, and after an interim answer.
        peer.routes[QStringLiteral("/hop/0")] = ordinary;
        for (int hop = 1; hop <= 6; ++hop)
            peer.routes[QStringLiteral("/hop/%1").arg(hop)].location =
                peer.url(QStringLiteral("/hop/%1").arg(hop - 1));
        peer.routes[QStringLiteral("/interim.webm")] = ordinary;
        peer.routes[QStringLiteral("/interim.webm")].interim = true;
        // Two windows: A's 400 KB at 40 KB/s, and what B opens meanwhile.
        test::MediaPeer::Route paced{200, QByteArray(bench::sized(400, 80) * 1000, 'a'), "text/plain"};
        paced.bytesPer50ms = 2000;
        peer.routes[QStringLiteral("/paced.txt")] = paced;
        peer.routes[QStringLiteral("/tiny.txt")] = {200, QByteArray("8 bytes."), "text/plain"};
        peer.routes[QStringLiteral("/missing.txt")] = {404, QByteArray("not here"), "text/html"};
        test::MediaPeer::Route held{200, QByteArray(1000, 'b'), "text/plain"};
        held.heldBack = QByteArray(1000, 'b');
        peer.routes[QStringLiteral("/held.txt")] = held;
        peer.routes[QStringLiteral("/named.txt")] = {200, QByteArray("Minutes of Monday"), "text/plain"};
        // The ordinary file behind relative places to go, after interim answers of other codes, and
        // answers whose bytes are no part of it: endless interim heads, redirects with long bodies.
        peer.routes[QStringLiteral("/rel/root")].location = QStringLiteral("/hop/0");
        peer.routes[QStringLiteral("/rel/up/x")].location = QStringLiteral("../../hop/0");
        peer.routes[QStringLiteral("/rel/network")].location =
            QStringLiteral("//127.0.0.1:%1/hop/0").arg(peer.port());
        for (int code : {101, 102, 103, 150, 199}) {
            peer.routes[QStringLiteral("/early/%1").arg(code)] = ordinary;
            peer.routes[QStringLiteral("/early/%1").arg(code)].interimCodes = {code};
        }
        peer.routes[QStringLiteral("/heads")].endlessInterim = true;
        test::MediaPeer::Route endlessRedirect;
        endlessRedirect.location = QStringLiteral("/hop/0");
        endlessRedirect.stream = true;
        peer.routes[QStringLiteral("/redirect/endless")] = endlessRedirect;
        endlessRedirect.redirectStatus = 307;
        endlessRedirect.announced = qint64(2000) * 1024 * 1024;
        peer.routes[QStringLiteral("/redirect/long")] = endlessRedirect;
        // A picture two windows open at once.
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "JPG", 90);
        peer.routes[QStringLiteral("/picture.jpg")] = {200, jpeg, "image/jpeg"};
        test::MediaPeer proxy;
        addDownloadEndRoutes(peer, proxy);
        proxyPort = proxy.port();
        this->peer = &peer;
        base = peer.url({});
        ready.release();
        exec();
    }
    QString base;
    quint16 proxyPort = 0;
    QSemaphore ready;
    // Lives on this thread; asked through it.
    test::MediaPeer* peer = nullptr;
};

PeerThread* peerThread() {
    static PeerThread* thread = [] {
        auto* t = new PeerThread;
        t->start();
        t->ready.acquire();
        return t;
    }();
    return thread;
}

// One download with the configured bounds, until it finishes or fails; records the heap peak and the
// longest gap between two turns of the main loop while it ran.
void download(benchmark::State& state, const QString& name, const char* path) {
    const QString url = peerThread()->base + QLatin1String(path);
    for (auto _ : state) {
        QTemporaryDir folder;
        const QString target = QDir(folder.path()).filePath(QStringLiteral("media.webm"));
        QEventLoop loop;
        auto* center = platform::NotificationCenter::defaultCenter();
        QList<platform::NotificationCenter::Token> tokens;
        for (const char* end : {PLMediaDownloaderDidFinishDownloadingNotification,
                                PLMediaDownloaderDidFailWithErrorNotification})
            tokens << center->addObserver(QLatin1String(end),
                                          [&loop](const platform::Notification&) { loop.quit(); });
        QElapsedTimer tick;
        qint64 longest = 0;
        QTimer heartbeat;
        heartbeat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] { longest = qMax(longest, tick.restart()); });
        HeapMeter::start();
        PLMediaDownloader downloader;
        downloader.setMediaURLString(url);
        downloader.setFilePathURLToBeSaved(QUrl::fromLocalFile(target));
        if (bench::shortRun()) {
            // The drip's refusal after a window of 2 s rather than a minute.
            PLMediaDownloader::Limits limits = PLMediaDownloader::configuredLimits();
            limits.rateWindowMs = 2000;
            downloader.setLimits(limits);
        }
        tick.start();
        heartbeat.start(1);
        downloader.startDownloading();
        loop.exec();
        heartbeat.stop();
        // The stretch from the last beat to the end counts too: a stall just before the answer.
        longest = qMax(longest, tick.elapsed());
        g_peakMB[name] = double(HeapMeter::peakSinceStart()) / (1024.0 * 1024.0);
        g_stallMs[name] = double(longest);
        g_kept[name] = QFileInfo(target).size() > 0;
        for (auto token : tokens)
            center->removeObserver(token);
    }
}
void BM_DownloadOrdinary20MiB(benchmark::State& state) {
    download(state, QStringLiteral("BM_DownloadOrdinary20MiB"), "/ordinary.webm");
}
void BM_DownloadDeclared2GiB(benchmark::State& state) {
    download(state, QStringLiteral("BM_DownloadDeclared2GiB"), "/declared.webm");
}
void BM_DownloadEndless(benchmark::State& state) {
    download(state, QStringLiteral("BM_DownloadEndless"), "/endless.webm");
}
void BM_DownloadDrip(benchmark::State& state) {
    download(state, QStringLiteral("BM_DownloadDrip"), "/drip.webm");
}
void BM_DownloadRedirected2x(benchmark::State& state) {
    download(state, QStringLiteral("BM_DownloadRedirected2x"), "/hop/2");
}
void BM_DownloadRedirected5x(benchmark::State& state) {
    download(state, QStringLiteral("BM_DownloadRedirected5x"), "/hop/5");
}
void BM_DownloadRedirected6x(benchmark::State& state) {
    download(state, QStringLiteral("BM_DownloadRedirected6x"), "/hop/6");
}
void BM_DownloadAfterInterim100(benchmark::State& state) {
    download(state, QStringLiteral("BM_DownloadAfterInterim100"), "/interim.webm");
}

// Per download case measured for what it cost: the process's CPU (ms, the peer's thread included) and
// what the peer sent for the first answer (MB), each per iteration.
QMap<QString, double> g_cpuMs;
QMap<QString, double> g_sentMB;
double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}
qint64 peerSent(const char* path) {
    qint64 sent = 0;
    QMetaObject::invokeMethod(
        peerThread()->peer, [path] { return peerThread()->peer->streamed.value(QLatin1String(path)); },
        Qt::BlockingQueuedConnection, &sent);
    return sent;
}
void downloadCosting(benchmark::State& state, const QString& name, const char* path) {
    const double cpu = processCpuMs();
    const qint64 sent = peerSent(path);
    download(state, name, path);
    const double iterations = double(qMax<benchmark::IterationCount>(1, state.iterations()));
    g_cpuMs[name] = (processCpuMs() - cpu) / iterations;
    g_sentMB[name] = double(peerSent(path) - sent) / iterations / (1024.0 * 1024.0);
}
void BM_DownloadRedirected1x(benchmark::State& state) {
    downloadCosting(state, QStringLiteral("BM_DownloadRedirected1x"), "/hop/1");
}
void BM_DownloadRelativeRoot(benchmark::State& state) {
    downloadCosting(state, QStringLiteral("BM_DownloadRelativeRoot"), "/rel/root");
}
void BM_DownloadRelativeDots(benchmark::State& state) {
    downloadCosting(state, QStringLiteral("BM_DownloadRelativeDots"), "/rel/up/x");
}
void BM_DownloadRelativeNetwork(benchmark::State& state) {
    downloadCosting(state, QStringLiteral("BM_DownloadRelativeNetwork"), "/rel/network");
}
void BM_DownloadAfterInterim102(benchmark::State& state) {
    downloadCosting(state, QStringLiteral("BM_DownloadAfterInterim102"), "/early/102");
}
void BM_DownloadAfterInterim103(benchmark::State& state) {
    downloadCosting(state, QStringLiteral("BM_DownloadAfterInterim103"), "/early/103");
}
void BM_DownloadAfterInterim150(benchmark::State& state) {
    downloadCosting(state, QStringLiteral("BM_DownloadAfterInterim150"), "/early/150");
}
void BM_DownloadAfterInterim199(benchmark::State& state) {
    downloadCosting(state, QStringLiteral("BM_DownloadAfterInterim199"), "/early/199");
}
void BM_DownloadAfterInterim101(benchmark::State& state) {
    downloadCosting(state, QStringLiteral("BM_DownloadAfterInterim101"), "/early/101");
}
void BM_DownloadEndlessInterimHeads(benchmark::State& state) {
    downloadCosting(state, QStringLiteral("BM_DownloadEndlessInterimHeads"), "/heads");
}
void BM_DownloadRedirectEndlessBody(benchmark::State& state) {
    downloadCosting(state, QStringLiteral("BM_DownloadRedirectEndlessBody"), "/redirect/endless");
}
void BM_DownloadRedirect2000MiBBody(benchmark::State& state) {
    downloadCosting(state, QStringLiteral("BM_DownloadRedirect2000MiBBody"), "/redirect/long");
}

// Turns the main thread's event loop until `done` (or a minute), and answers the longest the loop
// went without turning, measured by a timer due every millisecond.
double runUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    tick.start(1);
    while (!done() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    longest = std::max(longest, clock.nsecsElapsed() - last);
    return double(longest) / 1e6;
}

// Per two-window case: when window A's download ended (ms after it started) and in what.
QMap<QString, double> g_endedMs;
QMap<QString, QString> g_endedIn;

QString endOfDownload(platform::ui::ViewController* host, const QString& remote) {
    QStringList seen;
    if (auto* viewer = qobject_cast<PLDownloadViewerController*>(host->presentedViewController()))
        seen << (QFileInfo(viewer->currentPathString()).isFile() ? "viewer on its file"
                                                                 : "viewer on a missing file");
    for (auto* alert : host->window() ? host->window()->alerts() : QList<platform::ui::AlertView*>{})
        seen << QStringLiteral("alert \"%1\"").arg(alert->message());
    if (const auto asset = Asset::assetWithRemoteURL(remote); asset && !QFileInfo(asset->localURL()).isFile())
        seen << "asset row to a missing file";
    return seen.isEmpty() ? QStringLiteral("nothing (cancelled)") : seen.join(QStringLiteral(", "));
}

// Window A opens a 400 KB attachment served at 40 KB/s; 1 s later window B opens another one, which
// finishes (8 bytes), fails (404), or whose window closes while it runs (`bPath` empty: A alone).
void downloadBesideAnotherWindow(benchmark::State& state, const QString& name, const char* bPath,
                                 bool closeB = false) {
    for (auto _ : state) {
        state.PauseTiming();
        test::SmartScreensWorld world;
        const auto room = world.importRoom(QStringLiteral("r1"));
        const auto messageA =
            world.importMessage(room, QStringLiteral("m-a"), 1000, QStringLiteral("Notes"), test::kBob);
        const auto messageB =
            world.importMessage(room, QStringLiteral("m-b"), 1001, QStringLiteral("File"), test::kCarol);
        auto* hostA = world.showHost(room);
        auto windowB = std::make_unique<platform::ui::Window>();
        auto* hostB = new test::ChatletHost;
        windowB->setRootViewController(new platform::ui::NavigationController(hostB));
        windowB->show();
        const auto info = [](const char* path, const char* fileId) {
            return QVariantMap{{"fileUrl", peerThread()->base + QLatin1String(path) + QStringLiteral("?id=") +
                                               QLatin1String(fileId)},
                               {"fileId", fileId},
                               {"fileName", "notes.txt"},
                               {"fileMime", "text/plain"}};
        };
        const QVariantMap infoA = info("/paced.txt", qPrintable(name));
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        PLMediaDownloadHelper helperA;
        helperA.setMessage(messageA);
        helperA.downloadMediaFromURL(infoA.value("fileUrl").toString(), room, infoA, hostA);
        auto helperB = std::make_unique<PLMediaDownloadHelper>();
        if (*bPath) {
            QTimer::singleShot(1000, [&] {
                const QVariantMap infoB = info(bPath, qPrintable(name));
                helperB->setMessage(messageB);
                helperB->downloadMediaFromURL(infoB.value("fileUrl").toString(), room, infoB, hostB);
            });
        }
        if (closeB) {
            // What the window's link actions do as it goes.
            QTimer::singleShot(1500, [&] {
                helperB->cleanUp();
                helperB.reset();
                windowB.reset();
            });
        }
        runUntil([&] { return clock.elapsed() > 1000 && !helperA.isDownloading(); });
        g_endedMs[name] = double(clock.elapsed());
        QCoreApplication::processEvents();
        g_endedIn[name] = endOfDownload(hostA, infoA.value("fileUrl").toString());
        if (*bPath)
            g_endedIn[name] +=
                QStringLiteral("; B in: ") +
                (windowB ? endOfDownload(hostB, info(bPath, qPrintable(name)).value("fileUrl").toString())
                         : QStringLiteral("its window closed"));
        state.PauseTiming();
        helperB.reset();
        windowB.reset();
        state.ResumeTiming();
    }
}
void BM_DownloadWindowAAlone(benchmark::State& state) {
    downloadBesideAnotherWindow(state, QStringLiteral("BM_DownloadWindowAAlone"), "");
}
void BM_DownloadWindowBFinishes(benchmark::State& state) {
    downloadBesideAnotherWindow(state, QStringLiteral("BM_DownloadWindowBFinishes"), "/tiny.txt");
}
void BM_DownloadWindowBFails(benchmark::State& state) {
    downloadBesideAnotherWindow(state, QStringLiteral("BM_DownloadWindowBFails"), "/missing.txt");
}
void BM_DownloadWindowBCloses(benchmark::State& state) {
    downloadBesideAnotherWindow(state, QStringLiteral("BM_DownloadWindowBCloses"), "/held.txt", true);
}

// The same picture opened in `windows` windows at once, with the album in use: when every window
// showed it (ms) and the entries it left in the album.
QMap<QString, double> g_shownMs;
QMap<QString, qsizetype> g_albumEntries;
void samePictureInWindows(benchmark::State& state, const QString& name, int windows) {
    for (auto _ : state) {
        state.PauseTiming();
        test::SmartScreensWorld world;
        const auto room = world.importRoom(QStringLiteral("r1"));
        const auto message =
            world.importMessage(room, QStringLiteral("m-p"), 1000, QStringLiteral("Picture"), test::kBob);
        QList<platform::ui::ViewController*> hosts{world.showHost(room)};
        std::vector<std::unique_ptr<platform::ui::Window>> others;
        while (hosts.size() < windows) {
            others.push_back(std::make_unique<platform::ui::Window>());
            hosts << new test::ChatletHost;
            others.back()->setRootViewController(new platform::ui::NavigationController(hosts.back()));
            others.back()->show();
        }
        const QVariantMap info{{"fileUrl", peerThread()->base + QStringLiteral("/picture.jpg?id=") + name},
                               {"fileId", name},
                               {"fileName", "p.jpg"},
                               {"fileMime", "image/jpeg"}};
        const QDir album(QDir(platform::Sandbox::root()).filePath(QStringLiteral("Pictures/Pelnix_Images")));
        const qsizetype before = album.entryList(QDir::Files).size();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        std::vector<std::unique_ptr<PLMediaDownloadHelper>> helpers;
        for (auto* host : hosts) {
            helpers.push_back(std::make_unique<PLMediaDownloadHelper>());
            helpers.back()->setMessage(message);
            helpers.back()->downloadMediaFromURL(info.value("fileUrl").toString(), room, info, host);
        }
        runUntil([&] {
            return std::all_of(hosts.cbegin(), hosts.cend(), [](platform::ui::ViewController* host) {
                return qobject_cast<PLDownloadViewerController*>(host->presentedViewController()) != nullptr;
            });
        });
        g_shownMs[name] = double(clock.elapsed());
        state.PauseTiming();
        // A second filing, where there is one, ends before the album is counted.
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        g_albumEntries[name] = album.entryList(QDir::Files).size() - before;
        helpers.clear();
        others.clear();
        state.ResumeTiming();
    }
}
void BM_DownloadSamePictureOneWindow(benchmark::State& state) {
    samePictureInWindows(state, QStringLiteral("BM_DownloadSamePictureOneWindow"), 1);
}
void BM_DownloadSamePictureTwoWindows(benchmark::State& state) {
    samePictureInWindows(state, QStringLiteral("BM_DownloadSamePictureTwoWindows"), 2);
}

// The name an attachment is kept under, with its control characters written out.
QMap<QString, QString> g_storedName;
void downloadNamed(benchmark::State& state, const QString& name, const QString& fileName) {
    for (auto _ : state) {
        state.PauseTiming();
        test::SmartScreensWorld world;
        const auto room = world.importRoom(QStringLiteral("r1"));
        const auto message =
            world.importMessage(room, QStringLiteral("m-n"), 1000, QStringLiteral("File"), test::kBob);
        auto* host = world.showHost(room);
        const QVariantMap info{{"fileUrl", peerThread()->base + QStringLiteral("/named.txt?id=") + name},
                               {"fileId", name},
                               {"fileName", fileName},
                               {"fileMime", "text/plain"}};
        state.ResumeTiming();
        PLMediaDownloadHelper helper;
        helper.setMessage(message);
        helper.downloadMediaFromURL(info.value("fileUrl").toString(), room, info, host);
        runUntil([&] { return !helper.isDownloading(); });
        const auto asset = Asset::assetWithRemoteURL(info.value("fileUrl").toString());
        QString stored = asset ? QFileInfo(asset->localURL()).fileName() : QStringLiteral("(none)");
        g_storedName[name] = stored.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    }
}
void BM_DownloadNameOrdinary(benchmark::State& state) {
    downloadNamed(state, QStringLiteral("BM_DownloadNameOrdinary"), QStringLiteral("report.pdf"));
}
void BM_DownloadNameEndingInNewline(benchmark::State& state) {
    downloadNamed(state, QStringLiteral("BM_DownloadNameEndingInNewline"), QStringLiteral("report.pdf\n"));
}

void keepFigures(benchmark::State& state, const char* name, const MapFigures& figures) {
    g_map[QLatin1String(name)] = figures;
    state.counters["peak_MB"] = figures.peakMB;
    state.counters["stall_ms"] = figures.stallMs;
    state.counters["sent_MB"] = figures.sentMB;
    state.counters["unanswered"] = figures.unanswered;
}

HostileHttpPeer::Answer ordinaryTile() {
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(QColor(236, 232, 222));
    return HostileHttpPeer::Answer::of(test::encodedImage(tile), "image/png");
}

// A map of a phone's size over `answer`'s tile server: shown until every tile it asked for has come
// or failed, then drawn once more; a server that drips is given the tiles' deadline on the
// scheduler's clock.
void showMap(benchmark::State& state, const char* name, const HostileHttpPeer::Answer& answer) {
    for (auto _ : state) {
        QTemporaryDir root;
        platform::Sandbox::setRoot(root.path());
        HostileHttpPeer peer;
        peer.answerEveryPath(answer);
        bench::HeapMeter::start();
        double stall = 0;
        int unanswered = 0;
        {
            platform::ui::MapView map;
            map.resize(375, 667);
            map.setTileURLTemplate(peer.url(QStringLiteral("/t/{z}/{x}/{y}.png")));
            map.setRegion({12.9716, 77.5946}, 0.02, 0.02);
            map.grab(); // painting asks for the tiles
            MapTileLoader* loader = map.tileLoader();
            // A byte every half second, so that the line never falls silent.
            QTimer dripper;
            QObject::connect(&dripper, &QTimer::timeout, &peer, &HostileHttpPeer::drip);
            dripper.start(500);
            if (answer.drip) {
                Scheduler::shared()->setVirtualClock(true);
                stall = runUntil([&] { return peer.dripping() >= std::min(loader->pendingCount(), 6); });
                Scheduler::shared()->advance(MapTileLoader::kRequestDeadlineMs);
                Scheduler::shared()->setVirtualClock(false);
            }
            stall = std::max(stall, runUntil([&] { return loader->pendingCount() == 0; }));
            unanswered = loader->pendingCount();
            // Drawing what came is the main thread's too.
            QElapsedTimer painting;
            painting.start();
            map.grab();
            stall = std::max(stall, double(painting.nsecsElapsed()) / 1e6);
            MapTileLoader::releaseAll();
        }
        keepFigures(state, name,
                    {double(bench::HeapMeter::peakSinceStart()) / 1e6, stall, double(peer.bytesSent()) / 1e6,
                     unanswered});
        platform::Sandbox::setRoot(QString());
    }
}
void BM_MapOrdinaryTiles(benchmark::State& state) {
    showMap(state, __func__, ordinaryTile());
}
void BM_MapTiles5600(benchmark::State& state) {
    QImage huge(5600, 5600, QImage::Format_Mono);
    huge.fill(0);
    showMap(state, __func__, HostileHttpPeer::Answer::of(test::encodedImage(huge), "image/png"));
}
void BM_MapTilesSvg5600(benchmark::State& state) {
    showMap(state, __func__,
            HostileHttpPeer::Answer::of(R"(<svg xmlns="http://www.w3.org/2000/svg" width="5600" )"
                                        R"(height="5600"><rect width="5600" height="5600"/></svg>)",
                                        "image/svg+xml"));
}
void BM_MapTiles100MB(benchmark::State& state) {
    HostileHttpPeer::Answer answer = ordinaryTile();
    answer.unit = QByteArray(64 * 1024, '\0');
    answer.repeat = 1600;
    answer.framing = HostileHttpPeer::Framing::Chunked;
    showMap(state, __func__, answer);
}
void BM_MapTilesDrip(benchmark::State& state) {
    HostileHttpPeer::Answer answer = ordinaryTile();
    answer.drip = true;
    showMap(state, __func__, answer);
}

// The map's tile cache (the tiles of a first showing, then the map shown afresh) with every zoom's
// folder a link to a folder outside that holds a file named like each tile (no picture), beside the
// same cache without links: until every tile has come, with what is left outside.
struct TileLinkFigures {
    int planted = 0;
    int untouched = 0;      // planted files outside as they were
    int writtenOutside = 0; // files outside written or replaced by the loader
    int kept = 0;           // tiles in the cache's own folders
};
QMap<QString, TileLinkFigures> g_tileLink;
void showMapOverCache(benchmark::State& state, const char* name, bool plantLinks) {
    const QByteArray theirs("not a tile");
    for (auto _ : state) {
        state.PauseTiming();
        HostileHttpPeer peer;
        peer.answerEveryPath(ordinaryTile());
        QStringList tiles; // z/x/y.png of what the map shows
        const auto show = [&](const std::function<void(const QString& cache)>& before) {
            platform::ui::MapView map;
            map.resize(375, 667);
            map.setTileURLTemplate(peer.url(QStringLiteral("/t/{z}/{x}/{y}.png")));
            map.setRegion({12.9716, 77.5946}, 0.02, 0.02);
            MapTileLoader* loader = map.tileLoader();
            before(loader->cacheFolder());
            map.grab();
            runUntil([&] { return loader->pendingCount() == 0; });
            const QString cache = loader->cacheFolder();
            MapTileLoader::releaseAll();
            return cache;
        };
        QTemporaryDir first;
        platform::Sandbox::setRoot(first.path());
        const QString firstCache = show([](const QString&) {});
        for (QDirIterator it(firstCache, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            tiles << QDir(firstCache).relativeFilePath(it.next());
        QTemporaryDir root;
        QTemporaryDir outside;
        platform::Sandbox::setRoot(root.path());
        TileLinkFigures figures;
        state.ResumeTiming();
        const QString cache = show([&](const QString& folder) {
            if (!plantLinks)
                return;
            state.PauseTiming();
            QDir().mkpath(folder);
            for (const QString& tile : std::as_const(tiles)) {
                QDir().mkpath(QFileInfo(outside.filePath(tile)).absolutePath());
                QFile file(outside.filePath(tile));
                if (file.open(QIODevice::WriteOnly) && file.write(theirs) == theirs.size())
                    ++figures.planted;
                const QString zoom = tile.section(QLatin1Char('/'), 0, 0);
                QFile::link(outside.filePath(zoom), QDir(folder).filePath(zoom));
            }
            state.ResumeTiming();
        });
        state.PauseTiming();
        for (QDirIterator it(outside.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly) && file.readAll() == theirs)
                ++figures.untouched;
            else
                ++figures.writtenOutside;
        }
        for (QDirIterator it(cache, QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
             it.hasNext(); it.next())
            ++figures.kept;
        g_tileLink[QLatin1String(name)] = figures;
        state.counters["written_outside"] = figures.writtenOutside;
        platform::Sandbox::setRoot(QString());
        state.ResumeTiming();
    }
}
void BM_MapTileCacheOrdinary(benchmark::State& state) {
    showMapOverCache(state, __func__, false);
}
void BM_MapTileCacheLinkPlanted(benchmark::State& state) {
    showMapOverCache(state, __func__, true);
}

const QByteArray kPlace = R"({"lat":"12.9763","lon":"77.5929","name":"Cubbon Park","display_name":"Cubbon )"
                          R"(Park, Bengaluru","address":{"city":"Bengaluru","country_code":"in"}})";

// One search against `answer`'s geocoding server, until it is answered.
void search(benchmark::State& state, const char* name, const HostileHttpPeer::Answer& answer) {
    for (auto _ : state) {
        HostileHttpPeer peer;
        peer.answerEveryPath(answer);
        bench::HeapMeter::start();
        double stall = 0;
        // Shared with the completion, which a geocoder that goes unanswered still calls later.
        const auto answered = std::make_shared<bool>(false);
        {
            HttpGeocoder geocoder(QUrl(peer.url(QStringLiteral("/geo/"))));
            QTimer dripper;
            QObject::connect(&dripper, &QTimer::timeout, &peer, &HostileHttpPeer::drip);
            dripper.start(500);
            if (answer.drip)
                Scheduler::shared()->setVirtualClock(true);
            geocoder.geocodeAddress(QStringLiteral("park"),
                                    [answered](const QList<platform::ui::Placemark>&,
                                               const std::optional<PLError>&) { *answered = true; });
            if (answer.drip) {
                stall = runUntil([&] { return peer.dripping() == 1; });
                Scheduler::shared()->advance(HttpGeocoder::kTimeoutMs);
                Scheduler::shared()->setVirtualClock(false);
            }
            stall = std::max(stall, runUntil([&] { return *answered; }));
        }
        keepFigures(state, name,
                    {double(bench::HeapMeter::peakSinceStart()) / 1e6, stall, double(peer.bytesSent()) / 1e6,
                     *answered ? 0 : 1});
    }
}
void BM_GeocoderOrdinary(benchmark::State& state) {
    search(state, __func__, HostileHttpPeer::Answer::of("[" + kPlace + "]", "application/json"));
}
void BM_Geocoder100MB(benchmark::State& state) {
    HostileHttpPeer::Answer answer = HostileHttpPeer::Answer::of("[" + kPlace, "application/json");
    answer.unit = "," + kPlace;
    answer.repeat = 100 * 1024 * 1024 / answer.unit.size();
    answer.tail = "]";
    answer.framing = HostileHttpPeer::Framing::Chunked;
    search(state, __func__, answer);
}
void BM_GeocoderDrip(benchmark::State& state) {
    HostileHttpPeer::Answer answer = HostileHttpPeer::Answer::of("[" + kPlace + "]", "application/json");
    answer.drip = true;
    search(state, __func__, answer);
}

// ---- documents and captions

struct Outcome {
    double stallMs = 0;
    double heapMiB = 0;
    double workerMiB = 0;
};
QMap<QString, Outcome> g_documents;

// The longest the main thread went without turning its event loop while `work` ran and then until
// `done`: a timer of no interval fires on every turn, and the longest gap between firings is the stall.
double longestStallMs(const std::function<void()>& work, const std::function<bool()>& done) {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = qMax(longest, now - last);
        last = now;
    });
    clock.start();
    tick.start();
    work();
    while (!done() && clock.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    longest = qMax(longest, clock.nsecsElapsed() - last);
    return longest / 1e6;
}

double workerPeakMiB(const platform::ui::DocumentPreview& preview) {
    const auto* pdf = qobject_cast<const platform::ui::PdfPageSource*>(preview.source());
    QFile status(QStringLiteral("/proc/%1/status").arg(pdf ? pdf->workerProcessId() : 0));
    if (!pdf || !status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// A preview of our own size; a short run gives a page 400 ms, not the library's 4 s, before its worker
// is ended.
void preparePreview(platform::ui::DocumentPreview& preview) {
    preview.resize(320, 568);
    if (bench::shortRun())
        preview.setPageTimeBound(400);
}

bool shown(const platform::ui::DocumentPreview& preview) {
    return preview.isLoaded() && preview.canvas()->isSettled();
}

// Shows the document in a phone-sized preview until its pages in view are drawn, then `more`.
void previewDocument(benchmark::State& state, const char* key, const QString& name, const QByteArray& bytes,
                     const std::function<void(platform::ui::DocumentPreview&)>& more = {}) {
    test::TestSandbox sandbox;
    const QString path = sandbox.path(name);
    if (!test::writeFile(path, bytes)) {
        state.SkipWithError("cannot write the document");
        return;
    }
    Outcome outcome;
    for (auto _ : state) {
        platform::ui::DocumentPreview preview;
        preparePreview(preview);
        preview.show();
        bench::HeapMeter::start();
        outcome.stallMs = longestStallMs([&] { preview.showDocument(QUrl::fromLocalFile(path)); },
                                         [&] { return shown(preview); });
        if (more)
            outcome.stallMs =
                qMax(outcome.stallMs, longestStallMs([&] { more(preview); }, [] { return true; }));
        outcome.heapMiB = double(bench::HeapMeter::peakSinceStart()) / (1024 * 1024);
        outcome.workerMiB = workerPeakMiB(preview);
    }
    g_documents[QLatin1String(key)] = outcome;
}

const QSizeF kLetter(612, 792);

void BM_PdfOrdinary(benchmark::State& state) {
    previewDocument(state, __func__, "two.pdf", test::pdf(2, kLetter, test::bandContent(kLetter)));
}
void BM_PdfPageOf4MStrokes(benchmark::State& state) {
    previewDocument(state, __func__, "strokes.pdf",
                    test::pdf(1, kLetter, test::strokeContent(4000000, kLetter)));
}
void BM_PdfPage1x14400pt(benchmark::State& state) {
    const QSizeF strip(1, 14400);
    previewDocument(state, __func__, "strip.pdf", test::pdf(1, strip, test::bandContent(strip)));
}
void BM_Pdf20000PagesOpened(benchmark::State& state) {
    previewDocument(state, __func__, "pages.pdf",
                    test::pdf(bench::sized(20000, 2000), kLetter, test::bandContent(kLetter)));
}
// Every tenth page brought into view and drawn, top to bottom.
void BM_Pdf3000PagesScrolled(benchmark::State& state) {
    const int pages = bench::sized(3000, 300);
    previewDocument(state, __func__, "scroll.pdf", test::pdf(pages, kLetter, test::bandContent(kLetter)),
                    [pages](platform::ui::DocumentPreview& preview) {
                        for (int page = 0; page < pages; page += 10) {
                            preview.verticalScrollBar()->setValue(preview.canvas()->pageRect(page).top());
                            while (!shown(preview))
                                QCoreApplication::processEvents();
                        }
                    });
}
// Until every page's size has arrived: each run of them once laid every page out again.
void everySizeIn(platform::ui::DocumentPreview& preview) {
    const auto* pdf = qobject_cast<const platform::ui::PdfPageSource*>(preview.source());
    while (pdf && pdf->knownPageSizes() < pdf->pageCount())
        QCoreApplication::processEvents();
}
void BM_Pdf20000PagesEverySize(benchmark::State& state) {
    previewDocument(state, __func__, "pages.pdf",
                    test::pdf(bench::sized(20000, 2000), kLetter, test::bandContent(kLetter)), everySizeIn);
}
void BM_PdfClaiming100000Pages(benchmark::State& state) {
    previewDocument(state, __func__, "claims.pdf",
                    test::pdf(1, {kLetter}, {test::bandContent(kLetter)}, 100000), everySizeIn);
}
void BM_PdfClaiming1048000Pages(benchmark::State& state) {
    previewDocument(state, __func__, "claims.pdf",
                    test::pdf(1, {kLetter}, {test::bandContent(kLetter)}, 1048000), everySizeIn);
}

// A document worker of our own (a shell script writing `answer`, then doing `body`), until `done` or
// 10 s: the stall, and the workers started.
QMap<QString, int> g_workersStarted;
void fakeDocumentWorker(benchmark::State& state, const char* key, const QByteArray& answer,
                        const QByteArray& body,
                        const std::function<bool(const platform::ui::DocumentPreview&)>& done) {
    test::TestSandbox sandbox;
    const QString script = sandbox.path(QStringLiteral("worker"));
    const QString path = sandbox.path(QStringLiteral("any.pdf"));
    if (!test::writeFile(sandbox.path(QStringLiteral("answer")), answer) ||
        !test::writeFile(script, "#!/bin/sh\ncat '" +
                                     QFile::encodeName(sandbox.path(QStringLiteral("answer"))) + "'\n" +
                                     body) ||
        !QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner) ||
        !test::writeFile(path, test::pdf(3, kLetter, test::bandContent(kLetter)))) {
        state.SkipWithError("cannot write the worker");
        return;
    }
    qputenv("PELNIX_DOCUMENT_WORKER", QFile::encodeName(script));
    Outcome outcome;
    for (auto _ : state) {
        platform::ui::DocumentPreview preview;
        preparePreview(preview);
        preview.show();
        int started = 0;
        QElapsedTimer clock;
        clock.start();
        bench::HeapMeter::start();
        outcome.stallMs = longestStallMs(
            [&] {
                preview.showDocument(QUrl::fromLocalFile(path));
                const auto* pdf = qobject_cast<const platform::ui::PdfPageSource*>(preview.source());
                QObject::connect(pdf, &platform::ui::PdfPageSource::failed, &preview,
                                 [&started, pdf] { started = pdf->startedWorkers(); });
            },
            [&] {
                const auto* pdf = qobject_cast<const platform::ui::PdfPageSource*>(preview.source());
                if (pdf)
                    started = pdf->startedWorkers();
                return done(preview) || clock.elapsed() > 10000;
            });
        outcome.heapMiB = double(bench::HeapMeter::peakSinceStart()) / (1024 * 1024);
        g_workersStarted[QLatin1String(key)] = started;
    }
    qunsetenv("PELNIX_DOCUMENT_WORKER");
    g_documents[QLatin1String(key)] = outcome;
}
void BM_PdfWorkerClaimingInt32MaxPages(benchmark::State& state) {
    using namespace platform::ui::documentworker;
    fakeDocumentWorker(state, __func__,
                       openedFrame(INT_MAX) + sizesFrame(0, QList<QSizeF>(kSizesPerFrame, kLetter)),
                       "exec sleep 60\n", [](const platform::ui::DocumentPreview& preview) {
                           return preview.isLoaded() && preview.canvas()->pageCount() > 0;
                       });
}
void BM_PdfWorkerEndingAfterOpening(benchmark::State& state) {
    fakeDocumentWorker(state, __func__, platform::ui::documentworker::openedFrame(3), "exit 0\n",
                       [](const platform::ui::DocumentPreview& preview) { return !preview.source(); });
}

// What a document's worker costs this process until `done` (at most 30 s): the time, the main
// process's CPU time, whether every worker that ran is gone (a fake worker writes its id to
// `workers`), the canvas and the pages' geometry at the end. `script` is a fake worker's, or empty.
struct WorkerCost {
    double untilMs = 0;
    double cpuMs = 0;
    bool ended = true;
    QSize canvas;
    QRect pages[2];
};
QMap<QString, WorkerCost> g_workerCosts;
void documentWorkerCost(benchmark::State& state, const char* key, const QByteArray& pdfBytes,
                        const QByteArray& answer, const QByteArray& again,
                        const std::function<bool(const platform::ui::DocumentPreview&)>& done) {
    test::TestSandbox sandbox;
    const QString path = sandbox.path(QStringLiteral("any.pdf"));
    const QString ids = sandbox.path(QStringLiteral("workers"));
    const QString script = sandbox.path(QStringLiteral("worker"));
    const QByteArray quotedAgain = "'" + QFile::encodeName(sandbox.path(QStringLiteral("again"))) + "'";
    // Its id written before it answers: a worker is killed as soon as its answer is refused.
    const QByteArray body = "#!/bin/sh\necho $$ >> '" + QFile::encodeName(ids) + "'\ncat '" +
                            QFile::encodeName(sandbox.path(QStringLiteral("answer"))) + "'\n" +
                            (again.isEmpty() ? QByteArray("exec sleep 60\n")
                                             : "while :; do cat " + quotedAgain + " || exit; done\n");
    if (!test::writeFile(path, pdfBytes) ||
        (!answer.isEmpty() &&
         (!test::writeFile(sandbox.path(QStringLiteral("answer")), answer) ||
          !test::writeFile(sandbox.path(QStringLiteral("again")), again) || !test::writeFile(script, body) ||
          !QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner)))) {
        state.SkipWithError("cannot write the worker");
        return;
    }
    if (!answer.isEmpty())
        qputenv("PELNIX_DOCUMENT_WORKER", QFile::encodeName(script));
    WorkerCost cost;
    for (auto _ : state) {
        platform::ui::DocumentPreview preview;
        preparePreview(preview);
        preview.show();
        QElapsedTimer clock;
        clock.start();
        const std::clock_t cpu = std::clock();
        preview.showDocument(QUrl::fromLocalFile(path));
        // Looked at every 10 ms, idle between: the CPU time is what the preview spends.
        QEventLoop loop;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, &loop, [&] {
            if (done(preview) || clock.elapsed() >= 30000)
                loop.quit();
        });
        look.start(10);
        loop.exec();
        cost.untilMs = double(clock.elapsed());
        cost.cpuMs = double(std::clock() - cpu) * 1000 / CLOCKS_PER_SEC;
        cost.canvas = preview.canvas()->size();
        for (int page = 0; page < 2; ++page)
            cost.pages[page] = preview.canvas()->pageRect(page);
        // While the preview lives (closing it ends its worker); one ended is collected a moment later.
        QFile read(ids);
        const QList<QByteArray> started =
            read.open(QIODevice::ReadOnly) ? read.readAll().split('\n') : QList<QByteArray>{};
        const auto allGone = [&] {
            for (const QByteArray& id : started)
                if (!id.isEmpty() && QFile::exists(QStringLiteral("/proc/") + QString::fromLatin1(id)))
                    return false;
            return true;
        };
        clock.restart();
        while (!allGone() && clock.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        cost.ended = allGone();
    }
    qunsetenv("PELNIX_DOCUMENT_WORKER");
    g_workerCosts[QLatin1String(key)] = cost;
}
bool documentGone(const platform::ui::DocumentPreview& preview) {
    return !preview.source();
}
void BM_PdfOrdinaryWorkerCost(benchmark::State& state) {
    documentWorkerCost(state, __func__, test::pdf(2, kLetter, test::bandContent(kLetter)), {}, {},
                       [](const platform::ui::DocumentPreview& preview) { return shown(preview); });
}
void BM_PdfWorkerSilentAfterOpening(benchmark::State& state) {
    documentWorkerCost(state, __func__, test::pdf(3, kLetter, test::bandContent(kLetter)),
                       platform::ui::documentworker::openedFrame(3), {}, documentGone);
}
void BM_PdfWorkerSizesCutShort(benchmark::State& state) {
    using namespace platform::ui::documentworker;
    documentWorkerCost(state, __func__, test::pdf(3, kLetter, test::bandContent(kLetter)),
                       openedFrame(1000) + sizesFrame(0, QList<QSizeF>(kSizesPerFrame, kLetter)).left(5 + 56),
                       {}, documentGone);
}
void BM_PdfWorkerRepeatingSizes(benchmark::State& state) {
    using namespace platform::ui::documentworker;
    // Thousands of runs to each write, as a worker looping on its own would send them.
    documentWorkerCost(state, __func__, test::pdf(3, kLetter, test::bandContent(kLetter)), openedFrame(3),
                       sizesFrame(0, QList<QSizeF>(3, kLetter)).repeated(10000), documentGone);
}
// 0.0001 x 14,400 pt between or before two ordinary pages: once a grey view of one dot, or nothing.
void absurdPage(benchmark::State& state, const char* key, int absurd) {
    const QSizeF needle(0.0001, 14400);
    QList<QSizeF> sizes{kLetter, kLetter, kLetter};
    sizes[absurd] = needle;
    documentWorkerCost(
        state, key,
        test::pdf(3, sizes,
                  {test::bandContent(sizes[0]), test::bandContent(sizes[1]), test::bandContent(sizes[2])}),
        {}, {}, [](const platform::ui::DocumentPreview& preview) { return shown(preview); });
}
void BM_PdfAbsurdMiddlePage(benchmark::State& state) {
    absurdPage(state, __func__, 1);
}
void BM_PdfAbsurdFirstPage(benchmark::State& state) {
    absurdPage(state, __func__, 0);
}

void BM_Text20KBNotes(benchmark::State& state) {
    previewDocument(state, __func__, "notes.txt", test::shortLines(20 * 1024));
}
void BM_TextOne1MBWord(benchmark::State& state) {
    previewDocument(state, __func__, "word.txt", test::oneWord(1024 * 1024));
}
void BM_Text8MBOfLines(benchmark::State& state) {
    previewDocument(state, __func__, "log.txt", test::shortLines(8 * 1024 * 1024));
}

// The viewer's caption strip over a picture, as the download shows it.
void showCaption(benchmark::State& state, const char* key, const QString& caption) {
    test::TestSandbox sandbox;
    const QString picture = sandbox.path(QStringLiteral("picture.png"));
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    image.save(picture);
    Outcome outcome;
    for (auto _ : state) {
        PLDownloadViewerController screen;
        screen.loadViewIfNeeded();
        screen.view()->resize(320, 568);
        screen.view()->show();
        bench::HeapMeter::start();
        // Shown and painted: the strip lays its text out for both.
        outcome.stallMs = longestStallMs(
            [&] {
                screen.showDownloadForPath(picture, {{"fileMime", "image/png"}, {"caption", caption}});
                screen.view()->repaint();
            },
            [] { return true; });
        outcome.heapMiB = double(bench::HeapMeter::peakSinceStart()) / (1024 * 1024);
    }
    g_documents[QLatin1String(key)] = outcome;
}
void BM_Caption140Characters(benchmark::State& state) {
    showCaption(state, __func__, prose(140));
}
void BM_CaptionOne256KBWord(benchmark::State& state) {
    showCaption(state, __func__, QString(256 * 1024, QLatin1Char('w')));
}
void BM_CaptionOne1MBWord(benchmark::State& state) {
    showCaption(state, __func__, QString(1024 * 1024, QLatin1Char('w')));
}

// ---- video thumbnails

// The media workers below this process as they run, from /proc: the most resident memory one of them
// reached (VmHWM), the most all of them held at once, and the most alive at once.
struct MediaFigures {
    double stallMs = 0;
    double heapMiB = 0;
    double workerPeakMiB = 0;
    double workersSumMiB = 0;
    int mostAlive = 0;
    int pictures = 0;
};
QMap<QString, MediaFigures> g_media;

void watchMediaWorkers(MediaFigures& figures) {
    QList<qint64> children;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks.filePath(task + QStringLiteral("/children")));
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& pid : file.readAll().simplified().split(' '))
                if (pid.toLongLong() > 0)
                    children << pid.toLongLong();
    }
    int alive = 0;
    double sum = 0;
    for (qint64 pid : children) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "pelnix-media-wo")
            continue;
        ++alive;
        sum += bench::mib(bench::procKb(pid, "status", "VmRSS:"));
        figures.workerPeakMiB =
            qMax(figures.workerPeakMiB, bench::mib(bench::procKb(pid, "status", "VmHWM:")));
    }
    figures.workersSumMiB = qMax(figures.workersSumMiB, sum);
    figures.mostAlive = qMax(figures.mostAlive, alive);
}

// A video a case needs that could not be made: skipped without GStreamer's tool, failed with it.
void noVideo(benchmark::State& state) {
    if (QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).isEmpty())
        bench::skip(state, "gst-launch-1.0 is not installed");
    else
        bench::fail(state, "gst-launch-1.0 could not make the video");
}

// `count` thumbnails of `video` asked for at once, as the media handler asks (a picture from the start,
// 5 s), until all are answered.
void thumbnails(benchmark::State& state, const char* key, const QSize& size, bool huge, int count) {
    test::TestSandbox sandbox;
    const QString video =
        huge ? test::hugeFrameVideo(sandbox.root(), size) : test::ordinaryVideo(sandbox.root(), size);
    if (video.isEmpty()) {
        noVideo(state);
        return;
    }
    MediaFigures figures;
    for (auto _ : state) {
        // The workers of the case before are gone first.
        QElapsedTimer clock;
        clock.start();
        do {
            figures = {};
            watchMediaWorkers(figures);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        } while (figures.mostAlive > 0 && clock.elapsed() < 20000);
        figures = {};
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&figures] { watchMediaWorkers(figures); });
        watch.start(2);
        int answered = 0;
        bench::HeapMeter::start();
        figures.stallMs = longestStallMs(
            [&] {
                for (int i = 0; i < count; ++i)
                    platform::MediaReader::read(
                        QUrl::fromLocalFile(video), platform::MediaReader::FramePlace::Start, 5000, nullptr,
                        [&](const platform::MediaReading& reading) {
                            ++answered;
                            figures.pictures += !QImage::fromData(reading.picture, "PNG").isNull();
                        });
            },
            [&] { return answered == count; });
        figures.heapMiB = double(bench::HeapMeter::peakSinceStart()) / (1024 * 1024);
    }
    g_media[QLatin1String(key)] = figures;
}
void BM_Thumbnail640x480(benchmark::State& state) {
    thumbnails(state, __func__, {640, 480}, false, 1);
}
void BM_Thumbnail24000x24000(benchmark::State& state) {
    const int side = bench::sized(24000, 4000);
    thumbnails(state, __func__, {side, side}, true, 1);
}
void BM_EightThumbnails640x480(benchmark::State& state) {
    thumbnails(state, __func__, {640, 480}, false, 8);
}
void BM_EightThumbnails7680x7680(benchmark::State& state) {
    const int side = bench::sized(7680, 1920);
    thumbnails(state, __func__, {side, side}, true, 8);
}

} // namespace

// ---- a smart-form post with a video behind thumbnails in flight

#include "../tests/core/OutboxTestWorld.h"
#include "media/PLRichMediaOutbox.h"
#include "media/PLRichMediaPosts.h"
#include "media/PLVideoThumbnailer.h"
#include "platform/MediaWorkerQueue.h"

namespace {

// A smart form with a 640 x 480 video posted as the chatlet composer posts it, right after
// `inFlight` thumbnails of the same video were asked for (the media handler's form that answers
// later), through the outbox to a stand-in service: the main thread's longest stall until the post is
// stored and the thumbnails have come, when the post was stored, when the last thumbnail came, and
// whether the post's file went with its preview.
void videoPost(benchmark::State& state, int inFlight) {
    QTemporaryDir folder;
    const QString video = test::ordinaryVideo(folder.path(), {640, 480});
    if (video.isEmpty()) {
        noVideo(state);
        return;
    }
    // The handler's blocking previews come from the media stack, as the library's start-up connects it.
    PLMultiMediaHandler::setThumbnailProvider(
        [](const QString& path) { return PLVideoThumbnailer::thumbnailFromVideoAtPath(path); });
    double stallMs = 0;
    qint64 postedMs = 0;
    qint64 thumbnailsMs = 0;
    bool preview = false;
    for (auto _ : state) {
        // The workers of the case before are gone first.
        QElapsedTimer settling;
        settling.start();
        while (platform::MediaWorkerQueue::shared().holders() > 0 && settling.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        test::OutboxTestWorld outbox({QStringLiteral("r1")});
        PLRichMediaOutbox::install();
        PLMediaSelection selection;
        selection.mediaType = PLMediaSelection::Movie;
        selection.mediaPath = video;
        selection.fileID = QStringLiteral("VIDEO-1");
        const QString form = QStringLiteral(R"({"formid":"F-SITE","displayname":"Site video","url":"%1"})")
                                 .arg(PLRichMediaPosts::uploadPlaceholder(selection.fileID));
        int answered = 0;
        postedMs = 0;
        thumbnailsMs = 0;
        QElapsedTimer clock;
        clock.start();
        Message::Ptr message;
        stallMs = longestStallMs(
            [&] {
                for (int i = 0; i < inFlight; ++i)
                    PLVideoThumbnailer::thumbnailAndDuration(video, [&](const QImage&, qint64) {
                        ++answered;
                        thumbnailsMs = clock.elapsed();
                    });
                message =
                    PLRichMediaPosts::postChatletWithMessageString(outbox.room("r1"), form, {selection});
            },
            [&] {
                if (postedMs == 0 && !outbox.server().storedMessages("r1").isEmpty())
                    postedMs = clock.elapsed();
                return postedMs > 0 && answered == inFlight;
            });
        const auto rows = message->pendingMessages().value(0)
                              ? message->pendingMessages().value(0)->richMediaInfo()
                              : RichMediaInfo::List{};
        const auto info =
            rows.isEmpty()
                ? std::nullopt
                : PLMultiMediaInfo::multiMediaInfoFromJSONstring(rows.first()->uploadedMediaInfo());
        preview = info && !info->preview.isEmpty();
        PLRichMediaOutbox::uninstall();
    }
    PLMultiMediaHandler::setThumbnailProvider({});
    state.counters["stall_ms"] = stallMs;
    state.counters["posted_ms"] = double(postedMs);
    state.counters["thumbnails_ms"] = double(thumbnailsMs);
    state.counters["preview"] = preview ? 1 : 0;
}
void BM_VideoPostAlone(benchmark::State& state) {
    videoPost(state, 0);
}
void BM_VideoPostBehindThumbnailsAtAllButOnePlace(benchmark::State& state) {
    videoPost(state, platform::MediaWorkerQueue::shared().maxWorkers() - 1);
}
void BM_VideoPostBehindThumbnailsAtEveryPlace(benchmark::State& state) {
    videoPost(state, platform::MediaWorkerQueue::shared().maxWorkers());
}

} // namespace

BENCHMARK(BM_DownloadOrdinary20MiB)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadDeclared2GiB)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadEndless)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadDrip)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadRedirected2x)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadRedirected5x)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadRedirected6x)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadAfterInterim100)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadRedirected1x)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadRelativeRoot)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadRelativeDots)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadRelativeNetwork)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadAfterInterim102)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadAfterInterim103)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadAfterInterim150)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadAfterInterim199)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadAfterInterim101)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_DownloadEndlessInterimHeads)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadRedirectEndlessBody)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadRedirect2000MiBBody)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadWindowAAlone)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadWindowBFinishes)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadWindowBFails)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadWindowBCloses)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadSamePictureOneWindow)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadSamePictureTwoWindows)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadNameOrdinary)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadNameEndingInNewline)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfOrdinary)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfPageOf4MStrokes)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfPage1x14400pt)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Pdf20000PagesOpened)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Pdf3000PagesScrolled)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Pdf20000PagesEverySize)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfClaiming100000Pages)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfClaiming1048000Pages)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfWorkerClaimingInt32MaxPages)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfWorkerEndingAfterOpening)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfOrdinaryWorkerCost)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfWorkerSilentAfterOpening)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfWorkerSizesCutShort)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfWorkerRepeatingSizes)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfAbsurdMiddlePage)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PdfAbsurdFirstPage)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Text20KBNotes)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TextOne1MBWord)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Text8MBOfLines)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Caption140Characters)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CaptionOne256KBWord)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CaptionOne1MBWord)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Thumbnail640x480)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Thumbnail24000x24000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_EightThumbnails640x480)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_EightThumbnails7680x7680)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_VideoPostAlone)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_VideoPostBehindThumbnailsAtAllButOnePlace)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_VideoPostBehindThumbnailsAtEveryPlace)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FormPoll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormAtTheFieldBound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Form20000Fields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Title256KBProse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Title256KBWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtOwnWrapping32KBWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Message128KBProse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Message128KBWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Message128KBMixedLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XPathOrdinaryPoll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XPathNodeSetsCompared)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_XPathCountOf140KB)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_MapOrdinaryTiles)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_MapTiles5600)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_MapTilesSvg5600)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_MapTiles100MB)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_MapTilesDrip)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_MapTileCacheOrdinary)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_MapTileCacheLinkPlanted)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_GeocoderOrdinary)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_Geocoder100MB)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_GeocoderDrip)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));

namespace {

// A room's member list as the server sends it, imported on a fresh store: a team room of 5,000 (and
// 1,000 and 2,000, to show the growth) beside an ordinary room of 50.
QVariantMap roomOfMembers(int count) {
    QVariantList members;
    for (int i = 0; i < count; ++i)
        members << QVariantMap{{"userId", 1000 + i},
                               {"status", "active"},
                               {"joined", 1'700'000'000'000.0 + i},
                               {"user", QVariantMap{{"name", QStringLiteral("Member %1").arg(i)},
                                                    {"email", QStringLiteral("m%1@team.test").arg(i)}}}};
    return {{"_id", "team"}, {"name", "Team"}, {"type", "2"}, {"members", members}};
}

void importMembers(benchmark::State& state, int count) {
    const QVariantList rooms{roomOfMembers(count)};
    for (auto _ : state) {
        state.PauseTiming();
        auto sandbox = std::make_unique<test::TestSandbox>();
        PelnixDataModel::registerDeclaration();
        PLManagedObject::initializeDatabase();
        state.ResumeTiming();
        const auto imported = ChatRoom::updateChatRoomsWithArray(rooms);
        state.PauseTiming();
        const bool all = imported.size() == 1 && RoomMember::PS_countOfEntities() == count;
        PLPersistence::cleanUp();
        sandbox.reset();
        if (!all) {
            bench::fail(state, "members not imported");
            break;
        }
        state.ResumeTiming();
    }
}
void BM_Members50(benchmark::State& state) {
    importMembers(state, 50);
}
void BM_Members1000(benchmark::State& state) {
    importMembers(state, 1000);
}
void BM_Members2000(benchmark::State& state) {
    importMembers(state, 2000);
}
void BM_Members5000(benchmark::State& state) {
    importMembers(state, 5000);
}

// A fresh store holding `rooms`, as the service lists them; gone with the sandbox returned.
std::unique_ptr<test::TestSandbox> storeWithRooms(const QVariantList& rooms) {
    auto sandbox = std::make_unique<test::TestSandbox>();
    PelnixDataModel::registerDeclaration();
    PLManagedObject::initializeDatabase();
    ChatRoom::updateChatRoomsWithArray(rooms);
    return sandbox;
}

// The members screen of a room of `count` imported members, presented as group information presents
// it, until its first rows show: the main thread's longest stall.
void openMembersScreen(benchmark::State& state, const QString& name, int count) {
    const QVariantList rooms{roomOfMembers(count)};
    for (auto _ : state) {
        state.PauseTiming();
        auto sandbox = storeWithRooms(rooms);
        platform::ui::ScreenRegistry::shared()->clear();
        RoomsScreens::registerScreens();
        state.ResumeTiming();
        PLActiveMembersViewController* active = nullptr;
        bool all = false;
        {
            platform::ui::Window window;
            window.resize(320, 568);
            g_stallMs[name] = longestStallMs(
                [&] {
                    auto* stack = qobject_cast<platform::ui::NavigationController*>(
                        platform::ui::ScreenRegistry::shared()->instantiate(
                            "Home", PLGroupMembersViewController::kNavigationIdentifier));
                    auto* members = qobject_cast<PLGroupMembersViewController*>(stack->topViewController());
                    members->setRoomID(QStringLiteral("team"));
                    window.setRootViewController(stack);
                    window.makeKeyAndVisible();
                    active = members->activeMembersViewController();
                },
                [&] { return active && !active->activeMembersTableView()->visibleCells().isEmpty(); });
            state.PauseTiming();
            all = active && active->shownRows().size() == count;
        }
        PLPersistence::cleanUp();
        sandbox.reset();
        if (!all) {
            bench::fail(state, "members not shown");
            break;
        }
        state.ResumeTiming();
    }
}
void BM_MembersScreen50(benchmark::State& state) {
    openMembersScreen(state, QStringLiteral("BM_MembersScreen50"), 50);
}
void BM_MembersScreen100(benchmark::State& state) {
    openMembersScreen(state, QStringLiteral("BM_MembersScreen100"), 100);
}
void BM_MembersScreen5000(benchmark::State& state) {
    openMembersScreen(state, QStringLiteral("BM_MembersScreen5000"), 5000);
}

// The members screen of a room of 50,000 as the server lists it (more than the stored count's 16
// bits hold), beside a room of 50: the Active tab's title and the stored count.
QMap<QString, QString> g_activeTitle;
QMap<QString, qint64> g_storedCount;
void titleMembersScreen(benchmark::State& state, const QString& name, int count) {
    QVariantMap room = roomOfMembers(count);
    room.insert(QStringLiteral("totalMembers"), count);
    const QVariantList rooms{room};
    for (auto _ : state) {
        state.PauseTiming();
        auto sandbox = storeWithRooms(rooms);
        state.ResumeTiming();
        {
            platform::ui::Window window;
            window.resize(320, 568);
            auto* members = new PLGroupMembersViewController;
            members->configureWithChatRoom(ChatRoom::chatRoomWithID(QStringLiteral("team")));
            window.setRootViewController(new platform::ui::NavigationController(members));
            window.makeKeyAndVisible();
            QCoreApplication::processEvents();
            state.PauseTiming();
            PLActiveMembersViewController* active = members->activeMembersViewController();
            g_activeTitle[name] = active ? active->title() : QString();
            // The members are read before the store goes.
            runUntil([&] { return !active || !active->isReadingMembers(); });
        }
        g_storedCount[name] = ChatRoom::chatRoomWithID(QStringLiteral("team"))->totalMembers();
        PLPersistence::cleanUp();
        sandbox.reset();
        state.ResumeTiming();
    }
}
void BM_MembersTitle50(benchmark::State& state) {
    titleMembersScreen(state, QStringLiteral("BM_MembersTitle50"), 50);
}
void BM_MembersTitle50000(benchmark::State& state) {
    titleMembersScreen(state, QStringLiteral("BM_MembersTitle50000"), 50000);
}

// S3 puts, per case: the secret forms found in log lines and error texts, and requests the other
// server of a redirect received.
struct S3Figures {
    int secretsSeen = 0;
    int elsewhere = 0;
};
QMap<QString, S3Figures> g_s3;
QStringList g_s3Lines;

const QString kS3Secret = QStringLiteral("s3cr3t/Key+For=Bench0123456789");
const QString kS3Token = QStringLiteral("IQoJb3JpZ2luX2VjEJr//bench+session/token==");

struct PutOutcome : S3ServiceRequestDelegate {
    bool done = false;
    QString error;
    void requestDidCompleteWithResponse(S3ServiceRequest*, S3ServiceResponse*) override { done = true; }
    void requestDidFailWithError(S3ServiceRequest*, const PLError& e) override {
        error = e.debugText();
        done = true;
    }
};

// One put of 4 KB with a delegate, answered by `answer` (`elsewhere` receiving what a redirect sends
// on), with every category logged at debug level.
void putObject(benchmark::State& state, const QString& name, const HostileHttpPeer::Answer& answer,
               bool redirected = false) {
    for (auto _ : state) {
        state.PauseTiming();
        HostileHttpPeer peer;
        HostileHttpPeer elsewhere;
        elsewhere.answerEveryPath(HostileHttpPeer::Answer::of({}, "application/xml"));
        HostileHttpPeer::Answer first = answer;
        if (redirected)
            first.location = elsewhere.url(QStringLiteral("/moved"));
        peer.answerEveryPath(first);
        S3Client client(S3Credentials(QStringLiteral("AKBENCH"), kS3Secret, kS3Token));
        client.setEndpoint(peer.origin());
        auto request = std::make_shared<S3PutObjectRequest>(QStringLiteral("k"), QStringLiteral("photos-1"));
        request->setData(QByteArray(4096, 'x'));
        PutOutcome outcome;
        request->setDelegate(&outcome);
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true\n*.info=true"));
        S3Logger::verboseLogging();
        g_s3Lines.clear();
        const auto previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { g_s3Lines << text; });
        state.ResumeTiming();
        client.putObject(request);
        while (!outcome.done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.PauseTiming();
        qInstallMessageHandler(previous);
        S3Logger::basicLogging();
        QLoggingCategory::setFilterRules(QStringLiteral("pelnix.*=false"));
        const QString texts = g_s3Lines.join(QLatin1Char('\n')) + outcome.error;
        S3Figures figures;
        for (const QString& secret : {kS3Secret, kS3Token})
            for (const QString& form : {secret, QString::fromLatin1(QUrl::toPercentEncoding(secret)),
                                        QString::fromLatin1(secret.toUtf8().toHex(' '))})
                figures.secretsSeen += int(texts.count(form, Qt::CaseInsensitive));
        figures.elsewhere = elsewhere.requests();
        g_s3[name] = figures;
        state.ResumeTiming();
    }
}
// A refusal of the keyed-hash scheme that repeats the signed text (the token in it) and its bytes,
// and a message quoting the secret key; padded with `echoes` more copies of the signed text's bytes.
HostileHttpPeer::Answer echoingRefusal(int echoes) {
    const QByteArray signedText = "PUT\n\napplication/octet-stream\nMon, 07 Dec 2026 10:00:00 GMT\n"
                                  "x-amz-security-token:" +
                                  kS3Token.toUtf8() + "\n/photos-1/k";
    HostileHttpPeer::Answer answer;
    answer.status = 403;
    answer.contentType = "application/xml";
    answer.head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>SignatureDoesNotMatch</Code>"
                  "<Message>The request signature we calculated does not match the signature you provided. "
                  "Check your key (" +
                  kS3Secret.toUtf8() + ") and signing method.</Message><StringToSign>" + signedText +
                  "</StringToSign><StringToSignBytes>";
    answer.unit = signedText.toHex(' ') + ' ';
    answer.repeat = 1 + echoes;
    answer.tail = "</StringToSignBytes><RequestId>REQ</RequestId></Error>";
    return answer;
}
void BM_S3RefusalOrdinary(benchmark::State& state) {
    HostileHttpPeer::Answer answer = HostileHttpPeer::Answer::of(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>AccessDenied</Code><Message>Access Denied"
        "</Message><RequestId>REQ</RequestId></Error>",
        "application/xml");
    answer.status = 403;
    putObject(state, QStringLiteral("BM_S3RefusalOrdinary"), answer);
}
void BM_S3RefusalEchoingSecrets(benchmark::State& state) {
    putObject(state, QStringLiteral("BM_S3RefusalEchoingSecrets"), echoingRefusal(0));
}
void BM_S3RefusalEchoing1MB(benchmark::State& state) {
    putObject(state, QStringLiteral("BM_S3RefusalEchoing1MB"), echoingRefusal(1024 * 1024 / 380));
}
void BM_S3PutOrdinary(benchmark::State& state) {
    putObject(state, QStringLiteral("BM_S3PutOrdinary"), HostileHttpPeer::Answer::of({}, "application/xml"));
}
void BM_S3PutRedirectedElsewhere(benchmark::State& state) {
    putObject(state, QStringLiteral("BM_S3PutRedirectedElsewhere"),
              HostileHttpPeer::Answer::of({}, "text/plain"), true);
}
// The encodings a refusal may echo the secret key and the token in, and the texts by which a log line
// or an error would show each: Base64, split over two lines, "+" read back as a blank, XML
// references, JSON escapes, and UTF-16 read as bytes.
QStringList encodedEchoes(const QString& secret) {
    const QByteArray bytes = secret.toUtf8();
    QByteArray references;
    QByteArray escapes;
    for (const char c : bytes) {
        references += "&#" + QByteArray::number(int(uchar(c))) + ';';
        escapes += "\\u00" + QByteArray(1, c).toHex();
    }
    QString wide;
    for (const QChar c : secret)
        wide += QString(c) + QChar(0);
    const qsizetype half = secret.size() / 2;
    return {QString::fromLatin1(bytes.toBase64()),
            secret.left(half),
            secret.mid(half),
            QString(secret).replace(QLatin1Char('+'), QLatin1Char(' ')),
            QString::fromLatin1(references),
            QString::fromLatin1(escapes),
            wide};
}
// putObject, then the encoded echoes found in the last put's log lines added to its figure.
void putObjectCountingEncodings(benchmark::State& state, const QString& name,
                                const HostileHttpPeer::Answer& answer) {
    putObject(state, name, answer);
    const QString log = g_s3Lines.join(QLatin1Char('\n'));
    for (const QString& secret : {kS3Secret, kS3Token})
        for (const QString& form : encodedEchoes(secret))
            g_s3[name].secretsSeen += int(log.count(form, Qt::CaseInsensitive));
}
QByteArray encodedEchoDocument() {
    const QStringList secret = encodedEchoes(kS3Secret);
    const QStringList token = encodedEchoes(kS3Token);
    return ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>AccessDenied</Code><Message>Access "
            "Denied: " +
            secret[0] + ' ' + token[0] + ' ' + secret[1] + "\n" + secret[2] + ' ' + token[3] +
            "</Message><Key>" + secret[4] + "</Key><Hint>" + token[5] +
            "</Hint><RequestId>REQ</RequestId></Error>")
        .toUtf8();
}
void BM_S3RefusalEchoingEncodings(benchmark::State& state) {
    HostileHttpPeer::Answer answer = HostileHttpPeer::Answer::of(encodedEchoDocument(), "application/xml");
    answer.status = 403;
    putObjectCountingEncodings(state, QStringLiteral("BM_S3RefusalEchoingEncodings"), answer);
}
void BM_S3RefusalEchoingUtf16(benchmark::State& state) {
    const QString text =
        QString::fromUtf8(echoingRefusal(0).head).replace(QLatin1String("UTF-8"), QLatin1String("UTF-16")) +
        QStringLiteral("</StringToSignBytes><RequestId>REQ</RequestId></Error>");
    QByteArray body("\xFF\xFE", 2);
    body.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    HostileHttpPeer::Answer answer = HostileHttpPeer::Answer::of(body, "application/xml; charset=UTF-16");
    answer.status = 403;
    putObjectCountingEncodings(state, QStringLiteral("BM_S3RefusalEchoingUtf16"), answer);
}
// Puts redirected to another path on the same server through an address with a user name and
// password: how many were stored.
QMap<QString, int> g_s3Stored;
void BM_S3PutRedirectedSameServer(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        HostileHttpPeer peer;
        HostileHttpPeer::Answer moved;
        moved.location = peer.url(QStringLiteral("/photos-1/moved"))
                             .replace(QLatin1String("http://"), QLatin1String("http://user:pw@"));
        peer.answer(QStringLiteral("/photos-1/k"), moved);
        peer.answer(QStringLiteral("/photos-1/moved"), HostileHttpPeer::Answer::of({}, "application/xml"));
        S3Client client(S3Credentials(QStringLiteral("AKBENCH"), kS3Secret, kS3Token));
        client.setEndpoint(peer.origin());
        auto request = std::make_shared<S3PutObjectRequest>(QStringLiteral("k"), QStringLiteral("photos-1"));
        request->setData(QByteArray(4096, 'x'));
        PutOutcome outcome;
        request->setDelegate(&outcome);
        state.ResumeTiming();
        client.putObject(request);
        while (!outcome.done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.PauseTiming();
        g_s3Stored[QStringLiteral("BM_S3PutRedirectedSameServer")] += outcome.error.isEmpty() ? 1 : 0;
        state.ResumeTiming();
    }
}

} // namespace

// ---- refusals of any size, what the default log shows, and a sign-out's video reads

#include "FakeMediaWorker.h"
#include "PickedVideo.h"
#include "media/PLImageManager.h"
#include "media/PLS3ObjectPut.h"
#include "media/s3/S3SecretMask.h"

namespace {

// What one case left, with every category at its default (warnings and above), as a host runs:
// the main thread's longest stall, the heap's peak, the MB the peer got to send, and how many of the
// texts that must stay out of the log (the service's message, a secret, the message's text) a line
// carried.
struct QuietFigures {
    double stallMs = 0;
    double heapMB = 0;
    double sentMB = 0;
    int shown = 0;
};
QMap<QString, QuietFigures> g_quiet;
QStringList g_quietLines;

// Runs `work` until `done` with the default logging rules, every line caught in g_quietLines.
double atDefaultRules(const std::function<void()>& work, const std::function<bool()>& done) {
    QLoggingCategory::setFilterRules(QString());
    g_quietLines.clear();
    const auto previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
            g_quietLines << QString::fromLatin1(context.category) + QLatin1Char(' ') + text;
        });
    const double stall = longestStallMs(work, done);
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QStringLiteral("pelnix.*=false"));
    return stall;
}

int countIn(const QStringList& lines, const QStringList& texts) {
    const QString log = lines.join(QLatin1Char('\n'));
    int count = 0;
    for (const QString& text : texts)
        count += int(log.count(text));
    return count;
}

// A put of 4 KB through the picture uploads' put, refused with `answer`.
void refusedPut(benchmark::State& state, const QString& name, const HostileHttpPeer::Answer& answer,
                const QStringList& mustNotShow) {
    QuietFigures figures;
    for (auto _ : state) {
        state.PauseTiming();
        HostileHttpPeer peer;
        peer.answerEveryPath(answer);
        auto client =
            std::make_unique<S3Client>(S3Credentials(QStringLiteral("AKBENCH"), kS3Secret, kS3Token));
        client->setEndpoint(peer.origin());
        PLS3ObjectPut put(std::move(client));
        bool failed = false;
        QObject::connect(&put, &PLS3ObjectPut::failed, [&failed] { failed = true; });
        state.ResumeTiming();
        HeapMeter::start();
        figures.stallMs = atDefaultRules(
            [&] { put.start(QStringLiteral("k"), QStringLiteral("image/jpeg"), QByteArray(4096, 'x')); },
            [&failed] { return failed; });
        state.PauseTiming();
        figures.heapMB = double(HeapMeter::peakSinceStart()) / (1024 * 1024);
        figures.sentMB = double(peer.bytesSent()) / (1024 * 1024);
        figures.shown = countIn(g_quietLines, mustNotShow);
        state.ResumeTiming();
    }
    g_quiet[name] = figures;
}
HostileHttpPeer::Answer refusal(const QByteArray& code, const QByteArray& unit, qint64 repeat) {
    HostileHttpPeer::Answer answer;
    answer.status = 403;
    answer.contentType = "application/xml";
    answer.head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>" + code +
                  "</Code><RequestId>4442587FB7D0A2F9</RequestId><Message>The service says: ";
    answer.unit = unit;
    answer.repeat = repeat;
    answer.tail = "</Message></Error>";
    return answer;
}
void BM_S3RefusalOrdinaryDefaultLog(benchmark::State& state) {
    refusedPut(state, QStringLiteral("BM_S3RefusalOrdinaryDefaultLog"),
               refusal("AccessDenied", "Access Denied", 1), {QStringLiteral("The service says")});
}
void BM_S3RefusalMillionAmpersands(benchmark::State& state) {
    refusedPut(state, QStringLiteral("BM_S3RefusalMillionAmpersands"),
               refusal("InvalidArgument", "&amp;", 1024 * 1024), {QStringLiteral("The service says")});
}
void BM_S3Refusal100MB(benchmark::State& state) {
    refusedPut(state, QStringLiteral("BM_S3Refusal100MB"),
               refusal("InvalidArgument", QByteArray(64 * 1024, 'x'), 1600),
               {QStringLiteral("The service says")});
}
// The session token echoed in seven encodings no mask can know: reversed, ROT13, one character at a
// time, octal escapes, quoted-printable, references padded past what a reference holds, and as
// hexadecimal pairs split by "%" without the digits a percent escape needs.
QStringList unmaskableEchoes(const QString& token) {
    QString reversed, rot13, spaced, octal, quoted, padded, split;
    std::reverse_copy(token.cbegin(), token.cend(), std::back_inserter(reversed));
    for (const QChar c : token) {
        const char16_t u = c.unicode();
        const bool lower = u >= 'a' && u <= 'z';
        const bool upper = u >= 'A' && u <= 'Z';
        rot13 +=
            lower || upper ? QChar(char16_t((u - (lower ? 'a' : 'A') + 13) % 26 + (lower ? 'a' : 'A'))) : c;
        spaced += QString(c) + QLatin1Char('.');
        octal += QStringLiteral("\\%1").arg(int(u), 3, 8, QLatin1Char('0'));
        quoted += QStringLiteral("=%1").arg(int(u), 2, 16, QLatin1Char('0')).toUpper();
        padded += QStringLiteral("&#%1;").arg(int(u), 12, 10, QLatin1Char('0'));
        split += QStringLiteral("%1~").arg(int(u), 2, 16, QLatin1Char('0'));
    }
    return {reversed, rot13, spaced, octal, quoted, padded, split};
}
void BM_S3RefusalEchoingTheTokenSevenWays(benchmark::State& state) {
    QByteArray echoes;
    QStringList pieces;
    for (const QString& echo : unmaskableEchoes(kS3Token)) {
        echoes += QString(echo).replace(QLatin1Char('&'), QLatin1String("&amp;")).toUtf8() + ' ';
        pieces << echo.left(16) << QString(echo).remove(QLatin1Char('\\')).left(16);
    }
    refusedPut(state, QStringLiteral("BM_S3RefusalEchoingTheTokenSevenWays"),
               refusal("SignatureDoesNotMatch", echoes, 1), pieces);
}

// The mask alone over text of state.range(0) characters made of `unit`: the quickest run (ms) by
// "<kind>/<characters>".
QMap<QString, double> g_maskMs;
void maskAlone(benchmark::State& state, const char* kind, const QString& unit) {
    S3SecretMask mask;
    mask.addSecret(kS3Secret);
    mask.addSecret(kS3Token);
    const QString text = unit.repeated(state.range(0) / unit.size());
    const QString key = QStringLiteral("%1/%2").arg(QLatin1String(kind)).arg(state.range(0));
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        benchmark::DoNotOptimize(mask.mask(text));
        const double ms = clock.nsecsElapsed() / 1e6;
        g_maskMs[key] = g_maskMs.contains(key) ? qMin(g_maskMs[key], ms) : ms;
    }
}
void BM_S3MaskProse(benchmark::State& state) {
    maskAlone(state, "prose", QStringLiteral("The request signature we calculated does not match. "));
}
void BM_S3MaskAmpersands(benchmark::State& state) {
    maskAlone(state, "ampersands", QStringLiteral("&"));
}

// A picture of a signed address (user information and query) that its server refuses.
void BM_PictureRefusedSignedAddress(benchmark::State& state) {
    QuietFigures figures;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir folder;
        HostileHttpPeer peer;
        HostileHttpPeer::Answer refused = HostileHttpPeer::Answer::of("denied", "text/plain");
        refused.status = 403;
        peer.answerEveryPath(refused);
        PLImageManager images(folder.filePath(QStringLiteral("images")));
        QUrl address(peer.url(QStringLiteral("/photos-1/picture.jpg")));
        address.setUserInfo(QStringLiteral("reader:pa55word-of-the-reader"));
        address.setQuery(QStringLiteral("X-Amz-Security-Token=%1&Signature=S1gnatureOfThePicture")
                             .arg(QString::fromLatin1(QUrl::toPercentEncoding(kS3Token))));
        bool answered = false;
        state.ResumeTiming();
        figures.stallMs = atDefaultRules(
            [&] {
                images.loadImageWithURL(address, 0,
                                        [&answered](const QImage&, const PLOptionalError&,
                                                    PLImageManager::CacheType,
                                                    const QUrl&) { answered = true; });
            },
            [&answered] { return answered; });
        state.PauseTiming();
        figures.shown =
            countIn(g_quietLines, {QStringLiteral("pa55word"), QStringLiteral("S1gnature"),
                                   QString::fromLatin1(QUrl::toPercentEncoding(kS3Token)).left(16)});
        state.ResumeTiming();
    }
    g_quiet[QStringLiteral("BM_PictureRefusedSignedAddress")] = figures;
}

// A stylesheet that stops with xsl:message quoting the message it renders.
void BM_StylesheetStoppedQuotingTheMessage(benchmark::State& state) {
    QuietFigures figures;
    const QString sheet = QStringLiteral(
        R"~(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)~"
        R"~(<xsl:template match="/"><xsl:message terminate="yes">Quoting: <xsl:value-of select="msg/t"/>)~"
        R"~(</xsl:message></xsl:template></xsl:stylesheet>)~");
    for (auto _ : state) {
        QString html;
        bool done = false;
        figures.stallMs = atDefaultRules(
            [&] {
                html = SmartMessageRenderer::transform(
                    SmartMessageRenderer::messageDocument(
                        QStringLiteral(R"({"t":"meet Alice at the north gate"})"), {}),
                    QStringLiteral("quoting"), sheet);
                done = true;
            },
            [&done] { return done; });
        figures.shown = countIn(g_quietLines, {QStringLiteral("north gate")});
    }
    g_quiet[QStringLiteral("BM_StylesheetStoppedQuotingTheMessage")] = figures;
}

// The next account's first video after a sign-out that left `hanging` video posts whose reads never
// answer (their workers hold each file): until it is described (ms), and the reads left waiting.
QMap<QString, double> g_describedMs;
QMap<QString, int> g_leftWaiting;
void signOutThenVideo(benchmark::State& state, const QString& name, int hanging) {
    const auto worker = test::FakeMediaWorker::gated("hanging", test::videoReading({48, 64}));
    QTemporaryDir folder;
    for (auto _ : state) {
        state.PauseTiming();
        QElapsedTimer settling;
        settling.start();
        while (platform::MediaWorkerQueue::shared().holders() > 0 && settling.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        {
            test::OutboxTestWorld before({QStringLiteral("r1")});
            PLRichMediaOutbox::install();
            for (int i = 0; i < hanging; ++i)
                PLRichMediaPosts::postRichMediaForMediaSelection(
                    before.room("r1"), test::pickedVideo(folder, QStringLiteral("hanging-%1").arg(i)));
            // The media side of Pelnix::resetPelnixSession().
            PLRichMediaOutbox::uninstall();
        }
        g_leftWaiting[name] = platform::MediaWorkerQueue::shared().waiting();
        test::OutboxTestWorld after({QStringLiteral("r1")});
        PLRichMediaOutbox::install();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        const auto message = PLRichMediaPosts::postRichMediaForMediaSelection(
            after.room("r1"), test::pickedVideo(folder, QStringLiteral("next")));
        const auto row = PLRichMediaPosts::firstRichMedia(*message->pendingMessages().first());
        while (clock.elapsed() < 120000) {
            const auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(row->uploadedMediaInfo());
            if (info && info->bigImgSize == QSizeF(48, 64))
                break;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        g_describedMs[name] = double(clock.elapsed());
        state.PauseTiming();
        PLRichMediaOutbox::uninstall();
        state.ResumeTiming();
    }
}
void BM_VideoAfterSignOutAlone(benchmark::State& state) {
    signOutThenVideo(state, QStringLiteral("BM_VideoAfterSignOutAlone"), 0);
}
void BM_VideoAfterSignOutWith40HangingReads(benchmark::State& state) {
    signOutThenVideo(state, QStringLiteral("BM_VideoAfterSignOutWith40HangingReads"), 40);
}

} // namespace

namespace {

// One card file of `people` generated people, each with the photo when given.
void writeBook(const QString& folder, int people, const QByteArray& photo) {
    QFile file(QDir(folder).filePath(QStringLiteral("book.vcf")));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (int i = 0; i < people; ++i)
        file.write(test::generatedCard(i, photo));
}

// The shared address book, authorised, on a book of `people` written below the sandbox.
platform::AddressBook* openBook(const test::TestSandbox& sandbox, int people, const QByteArray& photo) {
    const QString folder = sandbox.path(QStringLiteral("Book"));
    QDir().mkpath(folder);
    writeBook(folder, people, photo);
    auto* book = platform::AddressBook::sharedAddressBook();
    book->setFolder(folder);
    book->setAuthorizationStatus(platform::AddressBook::Authorization::Authorized);
    return book;
}

// Whether every row on screen shows its person's photo (its grey) rather than the placeholder.
bool thumbnailsShown(PLContactsViewController* picker) {
    int shown = 0;
    for (auto* cell : picker->contactsTableView()->visibleCells())
        if (auto* row = qobject_cast<PLContactsTableViewCell*>(cell)) {
            const QImage image = row->contactImageView()->image();
            if (image.isNull() ||
                qGray(image.pixel(image.width() / 2, image.height() / 2)) != test::kPhotoGrey)
                return false;
            ++shown;
        }
    return shown > 0;
}

// Runs the event loop until `shown` holds, two minutes at most; `longest` keeps the longest the main
// thread stayed away from the loop since `tick` last restarted. Whether it came to hold in time.
bool runUntilShown(const std::function<bool()>& shown, QElapsedTimer& tick, qint64& longest) {
    QElapsedTimer waited;
    waited.start();
    while (!shown()) {
        if (waited.elapsed() >= 120000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        longest = qMax(longest, tick.restart());
    }
    return true;
}

// The picker opened on the book with the address book as its only source, until its people show (and
// a photo, when the book has them); records the heap peak and the main thread's longest stall.
void openPicker(benchmark::State& state, const QString& name, int people, const QByteArray& photo) {
    for (auto _ : state) {
        state.PauseTiming();
        test::TestSandbox sandbox;
        platform::AddressBook* book = openBook(sandbox, people, photo);
        Pelnix::setShowContactOptions(PLContactsViewController::AddressBookSource);
        platform::ui::ScreenRegistry::shared()->clear();
        ContactsScreens::registerScreens();
        state.ResumeTiming();
        // The longest the main thread stays away from its event loop.
        QElapsedTimer tick;
        qint64 longest = 0;
        HeapMeter::start();
        tick.start();
        bool shown = false;
        {
            platform::ui::Window window;
            window.resize(320, 568);
            auto* navigation = qobject_cast<platform::ui::NavigationController*>(
                platform::ui::ScreenRegistry::shared()->instantiate(
                    PLContactsViewController::kStoryboard, PLContactsViewController::kNavigationIdentifier));
            auto* picker = qobject_cast<PLContactsViewController*>(navigation->topViewController());
            picker->configureWithAddedContacts({}, nullptr, false);
            window.setRootViewController(navigation);
            window.makeKeyAndVisible();
            shown = runUntilShown(
                [&] {
                    return !picker->isReadingAddressBook() &&
                           picker->addressBookContacts().size() >= 2 * people &&
                           (photo.isEmpty() || thumbnailsShown(picker));
                },
                tick, longest);
            // Every photo read: what the picker keeps of the book.
            state.PauseTiming();
            PLAddressBookHelper::readingPool()->waitForDone();
            QCoreApplication::processEvents();
            g_keptMB[name] = double(HeapMeter::inUseSinceStart()) / (1024.0 * 1024.0);
            state.ResumeTiming();
        }
        g_peakMB[name] = double(HeapMeter::peakSinceStart()) / (1024.0 * 1024.0);
        g_stallMs[name] = double(longest);
        book->setFolder(QString());
        if (!shown) {
            bench::fail(state, "the book did not show");
            break;
        }
    }
}
// The share-contact list opened on a book of `people`, until they show in their sections; records the
// main thread's longest stall.
void openShareList(benchmark::State& state, const QString& name, int people) {
    for (auto _ : state) {
        state.PauseTiming();
        test::TestSandbox sandbox;
        platform::AddressBook* book = openBook(sandbox, people, {});
        platform::ui::ScreenRegistry::shared()->clear();
        ChatletScreens::registerScreens();
        state.ResumeTiming();
        QElapsedTimer tick;
        qint64 longest = 0;
        tick.start();
        bool shown = false;
        {
            platform::ui::Window window;
            window.resize(320, 568);
            auto* navigation = qobject_cast<platform::ui::NavigationController*>(
                platform::ui::ScreenRegistry::shared()->instantiate(
                    PLAddressBookContactViewController::kStoryboard,
                    PLAddressBookContactViewController::kNavigationIdentifier));
            auto* list = qobject_cast<PLAddressBookContactViewController*>(navigation->topViewController());
            window.setRootViewController(navigation);
            window.makeKeyAndVisible();
            shown = runUntilShown(
                [&] {
                    return list->isViewLoaded() && !list->isReadingAddressBook() &&
                           list->addressBookContacts().size() >= people;
                },
                tick, longest);
        }
        g_stallMs[name] = double(longest);
        book->setFolder(QString());
        if (!shown) {
            bench::fail(state, "the book did not show");
            break;
        }
    }
}
void BM_ShareList153375People(benchmark::State& state) {
    openShareList(state, QStringLiteral("BM_ShareList153375People"), bench::sized(153375, 5000));
}
void BM_ShareList500People(benchmark::State& state) {
    openShareList(state, QStringLiteral("BM_ShareList500People"), 500);
}

// A poll's details page opened over its room, until the page is in the web view; records the main
// thread's longest stall. The service answers the page's stylesheet download after `sheetAfterMs`;
// with none the stylesheet is stored before. `waited`: htmlStringForDetailsPage() on the main thread
// instead of the screen.
void openDetailsPage(benchmark::State& state, const QString& name, std::optional<int> sheetAfterMs,
                     bool waited = false) {
    const QString poll = QStringLiteral(
        R"({"xslt":"poll","formid":"bench-poll","content":{"title":"Lunch","question":"Where?",)"
        R"("options":[{"id":"1","text":"Café","votes":3}]}})");
    const QVariantMap link{{"SmartType", "poll"}};
    for (auto _ : state) {
        state.PauseTiming();
        test::SmartScreensWorld world;
        const auto room = world.importRoom(QStringLiteral("r1"));
        const auto message =
            world.importMessage(room, QStringLiteral("m-poll"), 1000, poll, test::kBob, "smartmessage");
        if (!sheetAfterMs)
            StyleSheetXSLTManagement::downloadStyleSheetNamed(
                QStringLiteral("poll"), QString::fromLatin1(StyleSheetXSLTManagement::kDetailFormCategory),
                true);
        else
            world.fixture.server().addFault(
                {"^/xslt/poll$", "GET", 1, standin::FaultInjector::Mode::Delay, *sheetAfterMs});
        world.showHost(room);
        state.ResumeTiming();
        bool shown = false;
        if (waited) {
            g_stallMs[name] = longestStallMs(
                [&] { shown = !SmartMessageRenderer::htmlStringForDetailsPage(message, link).isEmpty(); },
                [] { return true; });
        } else {
            auto* details = new PLReplyWebViewController;
            details->setMessage(message);
            details->setLinkType(PLReplyWebViewController::kDetailsLinkType);
            details->setLinkInfo(link);
            g_stallMs[name] = longestStallMs([&] { world.navigation->pushViewController(details, false); },
                                             [&] { return details->loadedHTMLContent(); });
            shown = !qobject_cast<platform::ui::FakeWebView*>(details->webview())->loadedHTML.isEmpty();
        }
        if (!shown) {
            bench::fail(state, "no page");
            break;
        }
    }
}
void BM_DetailsPageSheetStored(benchmark::State& state) {
    openDetailsPage(state, QStringLiteral("BM_DetailsPageSheetStored"), std::nullopt);
}
void BM_DetailsPageSheetAfter2s(benchmark::State& state) {
    openDetailsPage(state, QStringLiteral("BM_DetailsPageSheetAfter2s"), bench::sized(2000, 300));
}
void BM_DetailsPageWaitedForSheetAfter2s(benchmark::State& state) {
    openDetailsPage(state, QStringLiteral("BM_DetailsPageWaitedForSheetAfter2s"), bench::sized(2000, 300),
                    true);
}

void BM_Book30HugePhotos(benchmark::State& state) {
    const int side = bench::sized(5600, 1400);
    openPicker(state, QStringLiteral("BM_Book30HugePhotos"), 30, test::greyPNG({side, side}));
}
void BM_Book30SmallPhotos(benchmark::State& state) {
    openPicker(state, QStringLiteral("BM_Book30SmallPhotos"), 30, test::greyPNG({96, 96}));
}
void BM_Book153375People(benchmark::State& state) {
    openPicker(state, QStringLiteral("BM_Book153375People"), bench::sized(153375, 5000), {});
}
void BM_Book500People(benchmark::State& state) {
    openPicker(state, QStringLiteral("BM_Book500People"), 500, {});
}

} // namespace

BENCHMARK(BM_Book30SmallPhotos)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Book30HugePhotos)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Book500People)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Book153375People)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ShareList500People)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ShareList153375People)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DetailsPageSheetStored)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DetailsPageSheetAfter2s)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DetailsPageWaitedForSheetAfter2s)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK(BM_Members50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Members1000)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(2));
BENCHMARK(BM_Members2000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Members5000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MembersScreen50)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_MembersScreen100)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_MembersScreen5000)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_MembersTitle50)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MembersTitle50000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_S3RefusalOrdinary)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(5));
BENCHMARK(BM_S3RefusalEchoingSecrets)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(5));
BENCHMARK(BM_S3RefusalEchoing1MB)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(5));
BENCHMARK(BM_S3PutOrdinary)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(5));
BENCHMARK(BM_S3PutRedirectedElsewhere)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(5));
BENCHMARK(BM_S3RefusalEchoingEncodings)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(5));
BENCHMARK(BM_S3RefusalEchoingUtf16)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(5));
BENCHMARK(BM_S3PutRedirectedSameServer)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(5));
BENCHMARK(BM_S3RefusalOrdinaryDefaultLog)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_S3RefusalMillionAmpersands)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_S3Refusal100MB)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_S3RefusalEchoingTheTokenSevenWays)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(bench::iterations(3));
BENCHMARK(BM_S3MaskProse)->Unit(benchmark::kMillisecond)->Arg(1 << 20)->Iterations(bench::iterations(3));
BENCHMARK(BM_S3MaskAmpersands)
    ->Unit(benchmark::kMillisecond)
    ->Arg(64 << 10)
    ->Arg(256 << 10)
    ->Arg(512 << 10)
    ->Arg(1 << 20)
    ->Iterations(1);
BENCHMARK(BM_PictureRefusedSignedAddress)->Unit(benchmark::kMillisecond)->Iterations(bench::iterations(3));
BENCHMARK(BM_StylesheetStoppedQuotingTheMessage)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(bench::iterations(3));
BENCHMARK(BM_VideoAfterSignOutAlone)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_VideoAfterSignOutWith40HangingReads)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- Attachment downloads through libcurl: how answers end, their codings, a flood of chunk
// extensions and a caching proxy, each beside an ordinary download in the same run.
namespace {

// The answers of the cases below, on the peer thread's peer, and the picture a proxy of it gives for a
// name only the proxy knows (Qt never proxies a loopback address).
void addDownloadEndRoutes(test::MediaPeer& peer, test::MediaPeer& proxy) {
    const QByteArray file(20 * 1024 * 1024, 'f');
    peer.routes[QStringLiteral("/ends/ordinary")] = {200, file, "video/webm"};
    test::MediaPeer::Route reset{200, file.left(10 * 1024 * 1024), "video/webm"};
    reset.withoutLength = true;
    reset.reset = true;
    peer.routes[QStringLiteral("/ends/reset")] = reset;
    const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Type: video/webm\r\n";
    const auto sized = [](const QByteArray& body) {
        return "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    };
    peer.routes[QStringLiteral("/ends/gzip")].raw =
        ok + "Content-Encoding: gzip\r\n" + sized(test::gzipped(file));
    peer.routes[QStringLiteral("/ends/deflate")].raw =
        ok + "Content-Encoding: deflate\r\n" + sized(test::zlibDeflated(file));
    peer.routes[QStringLiteral("/ends/unknown")].raw = ok + "Content-Encoding: x-unknown\r\n" + sized(file);
    test::MediaPeer::Route flood{200, QByteArray(), "video/webm"};
    flood.withoutLength = true;
    flood.headers = "Transfer-Encoding: chunked\r\n";
    flood.stream = true;
    flood.streamUnit = "1;ext=" + QByteArray(4000, 'e') + "\r\nx\r\n";
    peer.routes[QStringLiteral("/ends/flood")] = flood;
    proxy.routes[QStringLiteral("http://media.test/ordinary")] = {200, file, "video/webm"};
}

// Per case: how long until the download ended, the bytes its file kept, the process's CPU meanwhile,
// what the peer sent (MB, streamed answers) and the failure's description.
struct DownloadEnd {
    double ms = 0;
    qint64 kept = 0;
    double cpuMs = 0;
    double sentMB = 0;
    QString error;
};
QMap<QString, DownloadEnd> g_downloadEnds;

void downloadToItsEnd(benchmark::State& state, const QString& name, const QString& url) {
    for (auto _ : state) {
        QTemporaryDir folder;
        const QString target = QDir(folder.path()).filePath(QStringLiteral("media.webm"));
        QEventLoop loop;
        DownloadEnd figures;
        auto* center = platform::NotificationCenter::defaultCenter();
        QList<platform::NotificationCenter::Token> tokens;
        for (const char* end : {PLMediaDownloaderDidFinishDownloadingNotification,
                                PLMediaDownloaderDidFailWithErrorNotification})
            tokens << center->addObserver(QLatin1String(end), [&](const platform::Notification& note) {
                figures.error = note.userInfo.value(QLatin1String(PLMediaDownloaderErrorKey)).toString();
                loop.quit();
            });
        const qint64 sentBefore = peerSent("/ends/flood");
        const double cpu = processCpuMs();
        QElapsedTimer clock;
        clock.start();
        PLMediaDownloader downloader;
        downloader.setMediaURLString(url);
        downloader.setFilePathURLToBeSaved(QUrl::fromLocalFile(target));
        downloader.startDownloading();
        loop.exec();
        figures.ms = double(clock.nsecsElapsed()) / 1e6;
        figures.cpuMs = processCpuMs() - cpu;
        figures.kept = QFileInfo(target).size();
        figures.sentMB = double(peerSent("/ends/flood") - sentBefore) / (1024.0 * 1024.0);
        g_downloadEnds[name] = figures;
        for (auto token : tokens)
            center->removeObserver(token);
    }
}
void plainDownload(benchmark::State& state, const QString& name, const char* path) {
    downloadToItsEnd(state, name, peerThread()->base + QLatin1String("/ends") + QLatin1String(path));
}
// Over TLS, under the test authority: a body of 300,000 bytes without a length that ends as told.
void tlsDownload(benchmark::State& state, const QString& name, test::TlsEndPeer::End end, int bytes) {
    const QSslConfiguration before = QSslConfiguration::defaultConfiguration();
    QSslConfiguration trusting = before;
    trusting.addCaCertificate(test::TlsPeer::authority());
    QSslConfiguration::setDefaultConfiguration(trusting);
    {
        test::TlsEndPeer peer(QByteArray(bytes, 't'), end);
        downloadToItsEnd(state, name, peer.url(QStringLiteral("/picture.jpg")));
    }
    QSslConfiguration::setDefaultConfiguration(before);
}

void BM_DownloadEndsOrdinary20MiB(benchmark::State& state) {
    plainDownload(state, QStringLiteral("BM_DownloadEndsOrdinary20MiB"), "/ordinary");
}
void BM_DownloadEndsResetAfter10MiB(benchmark::State& state) {
    plainDownload(state, QStringLiteral("BM_DownloadEndsResetAfter10MiB"), "/reset");
}
void BM_DownloadEndsTlsCloseNotify(benchmark::State& state) {
    tlsDownload(state, QStringLiteral("BM_DownloadEndsTlsCloseNotify"),
                test::TlsEndPeer::End::CloseNotifyAndClose, 300000);
}
void BM_DownloadEndsTlsCutAt150000(benchmark::State& state) {
    tlsDownload(state, QStringLiteral("BM_DownloadEndsTlsCutAt150000"),
                test::TlsEndPeer::End::CutWithoutCloseNotify, 150000);
}
void BM_DownloadEndsTlsHalfClosed(benchmark::State& state) {
    tlsDownload(state, QStringLiteral("BM_DownloadEndsTlsHalfClosed"),
                test::TlsEndPeer::End::CloseNotifyHeldOpen, 300000);
}
void BM_DownloadEndsGzip20MiB(benchmark::State& state) {
    plainDownload(state, QStringLiteral("BM_DownloadEndsGzip20MiB"), "/gzip");
}
void BM_DownloadEndsDeflate20MiB(benchmark::State& state) {
    plainDownload(state, QStringLiteral("BM_DownloadEndsDeflate20MiB"), "/deflate");
}
void BM_DownloadEndsUnknownCoding(benchmark::State& state) {
    plainDownload(state, QStringLiteral("BM_DownloadEndsUnknownCoding"), "/unknown");
}
void BM_DownloadEndsChunkExtensionFlood(benchmark::State& state) {
    plainDownload(state, QStringLiteral("BM_DownloadEndsChunkExtensionFlood"), "/flood");
}
void BM_DownloadEndsCachingProxy(benchmark::State& state) {
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpCachingProxy, QStringLiteral("127.0.0.1"), peerThread()->proxyPort));
    downloadToItsEnd(state, QStringLiteral("BM_DownloadEndsCachingProxy"),
                     QStringLiteral("http://media.test/ordinary"));
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

void printDownloadEnds() {
    std::printf(
        "\nAttachment downloads, how answers end and what they carry (configured bounds; ms until the "
        "end, bytes kept, process CPU ms, MB the peer sent):\n");
    for (const char* name :
         {"BM_DownloadEndsOrdinary20MiB", "BM_DownloadEndsResetAfter10MiB", "BM_DownloadEndsTlsCloseNotify",
          "BM_DownloadEndsTlsCutAt150000", "BM_DownloadEndsTlsHalfClosed", "BM_DownloadEndsGzip20MiB",
          "BM_DownloadEndsDeflate20MiB", "BM_DownloadEndsUnknownCoding", "BM_DownloadEndsChunkExtensionFlood",
          "BM_DownloadEndsCachingProxy"}) {
        const DownloadEnd f = g_downloadEnds.value(QLatin1String(name));
        std::printf("  %-26s %9.1f ms  kept %9lld  cpu %8.0f  sent %8.1f  %s\n", name + 15, f.ms, f.kept,
                    f.cpuMs, f.sentMB, qPrintable(f.error));
    }
}

} // namespace

BENCHMARK(BM_DownloadEndsOrdinary20MiB)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadEndsResetAfter10MiB)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadEndsTlsCloseNotify)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadEndsTlsCutAt150000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadEndsTlsHalfClosed)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadEndsGzip20MiB)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadEndsDeflate20MiB)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadEndsUnknownCoding)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadEndsChunkExtensionFlood)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DownloadEndsCachingProxy)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    bench::BenchRun run(argc, argv);
    QApplication app(argc, argv);
    // The refusals and stops each log a warning; they are what is measured, not news.
    QLoggingCategory::setFilterRules(QStringLiteral("pelnix.*=false"));
    if (bench::shortRun()) {
        // Transforms that no step can end are ended at 300 ms rather than 2 s.
        PLXSLTStylesheet::Limits limits = PLXSLTStylesheet::limits();
        limits.timeMs = 300;
        PLXSLTStylesheet::setLimits(limits);
    }
    bench::SideBySideReporter reporter(g_seconds);
    run.run(&reporter);
    const auto ms = [](const char* name) { return g_seconds.value(QLatin1String(name)) * 1000; };
    std::printf("\nHostile content beside ordinary content (ms):\n");
    std::printf("  form of 20,000 fields, refused   %9.2f   poll form %7.2f   %d fields %7.2f\n",
                ms("BM_Form20000Fields"), ms("BM_FormPoll"), PLChatletFormView::kMaxFields,
                ms("BM_FormAtTheFieldBound"));
    std::printf(
        "  title, one 256 KB word           %9.2f   256 KB of prose %7.2f   Qt's own, 32 KB word %7.2f\n",
        ms("BM_Title256KBWord"), ms("BM_Title256KBProse"), ms("BM_QtOwnWrapping32KBWord"));
    std::printf("  message, one 128 KB word         %9.2f   128 KB of prose %7.2f   of lines by turns "
                "Arabic and English %7.2f\n",
                ms("BM_Message128KBWord"), ms("BM_Message128KBProse"), ms("BM_Message128KBMixedLines"));
    std::printf("  XPath, node-sets compared        %9.2f   ordinary poll %7.2f   bound %d\n",
                ms("BM_XPathNodeSetsCompared"), ms("BM_XPathOrdinaryPoll"),
                PLXSLTStylesheet::limits().timeMs);
    std::printf("  XPath, count(//*//*//*//*//*)    %9.2f\n", ms("BM_XPathCountOf140KB"));
    std::printf(
        "  members of one room, 5,000       %9.2f   50 members %7.2f   per member: 50 %.3f, 1,000 %.3f, "
        "2,000 %.3f, 5,000 %.3f\n",
        ms("BM_Members5000"), ms("BM_Members50"), ms("BM_Members50") / 50, ms("BM_Members1000") / 1000,
        ms("BM_Members2000") / 2000, ms("BM_Members5000") / 5000);
    std::printf("  members screen, 5,000 (stall)    %9.2f   100 members %7.2f   50 members %7.2f\n",
                g_stallMs.value("BM_MembersScreen5000"), g_stallMs.value("BM_MembersScreen100"),
                g_stallMs.value("BM_MembersScreen50"));
    std::printf(
        "  members title, 50,000            %s (stored %lld)   50 members %s (stored %lld)\n",
        qPrintable(g_activeTitle.value("BM_MembersTitle50000")), g_storedCount.value("BM_MembersTitle50000"),
        qPrintable(g_activeTitle.value("BM_MembersTitle50")), g_storedCount.value("BM_MembersTitle50"));
    const auto put = [&ms](const char* label, const char* name) {
        const S3Figures f = g_s3.value(QLatin1String(name));
        std::printf("  %-32s %9.2f   secrets in logs and errors %d   requests elsewhere %d\n", label,
                    ms(name), f.secretsSeen, f.elsewhere);
    };
    put("S3 put, ordinary refusal", "BM_S3RefusalOrdinary");
    put("S3 put, refusal echoing secrets", "BM_S3RefusalEchoingSecrets");
    put("S3 put, the same padded to 1 MB", "BM_S3RefusalEchoing1MB");
    put("S3 put, ordinary", "BM_S3PutOrdinary");
    put("S3 put, 302 to another server", "BM_S3PutRedirectedElsewhere");
    put("S3 put, refusal echoing encoded", "BM_S3RefusalEchoingEncodings");
    put("S3 put, refusal in UTF-16", "BM_S3RefusalEchoingUtf16");
    std::printf("  %-32s %9.2f   stored %d of 5\n", "S3 put, 302 on the same server",
                ms("BM_S3PutRedirectedSameServer"),
                g_s3Stored.value(QStringLiteral("BM_S3PutRedirectedSameServer")));
    std::printf(
        "\nAt the default logging rules (stall ms, heap peak MB, MB the peer sent, texts that must stay "
        "out of the log found in it):\n");
    const auto quiet = [](const char* label, const char* name) {
        const QuietFigures f = g_quiet.value(QLatin1String(name));
        std::printf("  %-40s stall %8.1f   heap %8.1f   sent %8.1f   shown %d\n", label, f.stallMs, f.heapMB,
                    f.sentMB, f.shown);
    };
    quiet("S3 put, ordinary refusal", "BM_S3RefusalOrdinaryDefaultLog");
    quiet("S3 put, refusal of 1,048,576 &amp;", "BM_S3RefusalMillionAmpersands");
    quiet("S3 put, refusal of 100 MB", "BM_S3Refusal100MB");
    quiet("S3 put, token echoed seven ways", "BM_S3RefusalEchoingTheTokenSevenWays");
    quiet("picture of a signed address refused", "BM_PictureRefusedSignedAddress");
    quiet("stylesheet stopping, quoting the message", "BM_StylesheetStoppedQuotingTheMessage");
    std::printf(
        "  the mask alone: 1 MB of prose %.1f ms; of \"&\": 64 KB %.1f, 256 KB %.1f, 512 KB %.1f, 1 MB "
        "%.1f ms\n",
        g_maskMs.value(QStringLiteral("prose/1048576")), g_maskMs.value(QStringLiteral("ampersands/65536")),
        g_maskMs.value(QStringLiteral("ampersands/262144")),
        g_maskMs.value(QStringLiteral("ampersands/524288")),
        g_maskMs.value(QStringLiteral("ampersands/1048576")));
    std::printf(
        "  next account's first video described after a sign-out: alone %.0f ms; after 40 video posts "
        "whose reads hang %.0f ms (reads left waiting %d)\n",
        g_describedMs.value(QStringLiteral("BM_VideoAfterSignOutAlone")),
        g_describedMs.value(QStringLiteral("BM_VideoAfterSignOutWith40HangingReads")),
        g_leftWaiting.value(QStringLiteral("BM_VideoAfterSignOutWith40HangingReads")));
    const PLMediaDownloader::Limits limits = PLMediaDownloader::configuredLimits();
    std::printf("\nAttachment downloads with the configured bounds (cap %lld MiB, %lld KiB/s over %d s "
                "windows), each beside an ordinary 20 MiB file:\n",
                limits.maxBytes / (1024 * 1024), limits.minBytesPerSecond / 1024, limits.rateWindowMs / 1000);
    std::printf("  %-26s %12s %14s %16s %6s\n", "", "time (ms)", "heap peak (MB)", "longest stall (ms)",
                "kept");
    for (const char* name :
         {"BM_DownloadOrdinary20MiB", "BM_DownloadDeclared2GiB", "BM_DownloadEndless", "BM_DownloadDrip"})
        std::printf("  %-26s %12.1f %14.1f %16.0f %6s\n", name + 3, ms(name),
                    g_peakMB.value(QLatin1String(name)), g_stallMs.value(QLatin1String(name)),
                    g_kept.value(QLatin1String(name)) ? "yes" : "no");
    std::printf("  the same 20 MiB file, behind redirects or an interim answer:\n");
    for (const char* name : {"BM_DownloadRedirected2x", "BM_DownloadRedirected5x", "BM_DownloadRedirected6x",
                             "BM_DownloadAfterInterim100"})
        std::printf("  %-26s %12.1f %14.1f %16.0f %6s\n", name + 3, ms(name),
                    g_peakMB.value(QLatin1String(name)), g_stallMs.value(QLatin1String(name)),
                    g_kept.value(QLatin1String(name)) ? "yes" : "no");
    std::printf(
        "  the same file after relative places to go, interim answers of other codes, and answers of no\n"
        "  file, beside one absolute hop (CPU of the process; MB the peer sent for the first answer):\n");
    for (const char* name :
         {"BM_DownloadRedirected1x", "BM_DownloadRelativeRoot", "BM_DownloadRelativeDots",
          "BM_DownloadRelativeNetwork", "BM_DownloadAfterInterim102", "BM_DownloadAfterInterim103",
          "BM_DownloadAfterInterim150", "BM_DownloadAfterInterim199", "BM_DownloadAfterInterim101",
          "BM_DownloadEndlessInterimHeads", "BM_DownloadRedirectEndlessBody",
          "BM_DownloadRedirect2000MiBBody"})
        std::printf("  %-26s %12.1f %14.1f %16.0f %6s   cpu %9.0f ms   sent %9.1f MB\n", name + 3, ms(name),
                    g_peakMB.value(QLatin1String(name)), g_stallMs.value(QLatin1String(name)),
                    g_kept.value(QLatin1String(name)) ? "yes" : "no", g_cpuMs.value(QLatin1String(name)),
                    g_sentMB.value(QLatin1String(name)));
    std::printf("\nWindow A's 400 KB at 40 KB/s while window B opens another attachment 1 s later:\n");
    for (const char* name : {"BM_DownloadWindowAAlone", "BM_DownloadWindowBFinishes",
                             "BM_DownloadWindowBFails", "BM_DownloadWindowBCloses"})
        std::printf("  %-26s A ended after %7.0f ms in: %s\n", name + 11,
                    g_endedMs.value(QLatin1String(name)), qPrintable(g_endedIn.value(QLatin1String(name))));
    for (const char* name : {"BM_DownloadSamePictureOneWindow", "BM_DownloadSamePictureTwoWindows"})
        std::printf("  %-26s shown in every window after %5.0f ms, album entries filed: %lld\n", name + 11,
                    g_shownMs.value(QLatin1String(name)),
                    qlonglong(g_albumEntries.value(QLatin1String(name))));
    std::printf("Attachment named \"report.pdf\" kept as %s; named \"report.pdf\\n\" kept as %s\n",
                qPrintable(g_storedName.value(QStringLiteral("BM_DownloadNameOrdinary"))),
                qPrintable(g_storedName.value(QStringLiteral("BM_DownloadNameEndingInNewline"))));
    std::printf("\nMap services from a server gone bad beside ordinary ones (375 x 667 map; peak heap MB, "
                "longest main-thread stall ms, MB the server sent, requests unanswered after a minute):\n");
    const auto map = [](const char* label, const char* name) {
        const MapFigures f = g_map.value(QLatin1String(name));
        std::printf("  %-34s heap %8.1f   stall %6.1f   sent %8.2f   unanswered %d\n", label, f.peakMB,
                    f.stallMs, f.sentMB, f.unanswered);
    };
    map("ordinary tiles", "BM_MapOrdinaryTiles");
    map("tiles of 5600 x 5600 (PNG)", "BM_MapTiles5600");
    map("tiles of 5600 x 5600 (SVG)", "BM_MapTilesSvg5600");
    map("tile bodies of 100 MB (chunked)", "BM_MapTiles100MB");
    map("tiles a byte at a time, deadline", "BM_MapTilesDrip");
    for (const char* name : {"BM_MapTileCacheOrdinary", "BM_MapTileCacheLinkPlanted"}) {
        const TileLinkFigures f = g_tileLink.value(QLatin1String(name));
        std::printf("  %-34s %8.1f ms   planted outside %d, as they were %d, written outside %d, kept %d\n",
                    name + 3, ms(name), f.planted, f.untouched, f.writtenOutside, f.kept);
    }
    map("geocoder, ordinary answer", "BM_GeocoderOrdinary");
    map("geocoder, 100 MB of places", "BM_Geocoder100MB");
    map("geocoder, a byte at a time", "BM_GeocoderDrip");
    std::printf("\nDocuments and captions: main-thread stall (ms), heap peak here (MiB), worker peak (MiB;\n"
                "  0 where the worker was killed at the page's bound and a new one draws the rest):\n");
    const auto row = [](const char* label, const char* name) {
        const Outcome o = g_documents.value(QLatin1String(name));
        std::printf("  %-34s %9.1f %9.1f %9.1f\n", label, o.stallMs, o.heapMiB, o.workerMiB);
    };
    row("PDF, ordinary two pages", "BM_PdfOrdinary");
    row("PDF, a page of 4 M strokes", "BM_PdfPageOf4MStrokes");
    row("PDF, a page of 1 x 14,400 pt", "BM_PdfPage1x14400pt");
    row("PDF, 20,000 pages opened", "BM_Pdf20000PagesOpened");
    row("PDF, 3,000 pages scrolled", "BM_Pdf3000PagesScrolled");
    row("PDF, 20,000 pages, every size in", "BM_Pdf20000PagesEverySize");
    row("PDF, 591 B claiming 100,000 pages", "BM_PdfClaiming100000Pages");
    row("PDF, 592 B claiming 1,048,000 pp.", "BM_PdfClaiming1048000Pages");
    row("worker claiming 2,147,483,647 pp.", "BM_PdfWorkerClaimingInt32MaxPages");
    row("worker ending after opening", "BM_PdfWorkerEndingAfterOpening");
    row("text, 20 KB of notes", "BM_Text20KBNotes");
    row("text, one 1 MB word", "BM_TextOne1MBWord");
    row("text, 8 MB of lines", "BM_Text8MBOfLines");
    row("caption, 140 characters", "BM_Caption140Characters");
    row("caption, one 256 KB word", "BM_CaptionOne256KBWord");
    row("caption, one 1 MB word", "BM_CaptionOne1MBWord");
    std::printf(
        "  (workers started: claiming 2,147,483,647 pages %d; ending after opening %d, in 10 s at most)\n",
        g_workersStarted.value(QLatin1String("BM_PdfWorkerClaimingInt32MaxPages")),
        g_workersStarted.value(QLatin1String("BM_PdfWorkerEndingAfterOpening")));
    std::printf(
        "\nDocument workers of our own and pages of absurd proportions, beside the ordinary two-page PDF:\n"
        "  until shown or ended (ms; 30,000: neither), main-process CPU meanwhile (ms), every worker\n"
        "  gone, canvas, pages 1 and 2 (x, y, width x height):\n");
    for (const auto& [label, name] :
         {std::pair{"PDF, ordinary two pages", "BM_PdfOrdinaryWorkerCost"},
          std::pair{"worker silent after opening", "BM_PdfWorkerSilentAfterOpening"},
          std::pair{"worker cutting its sizes short", "BM_PdfWorkerSizesCutShort"},
          std::pair{"worker repeating its sizes", "BM_PdfWorkerRepeatingSizes"},
          std::pair{"PDF, absurd middle page", "BM_PdfAbsurdMiddlePage"},
          std::pair{"PDF, absurd first page", "BM_PdfAbsurdFirstPage"}}) {
        const WorkerCost c = g_workerCosts.value(QLatin1String(name));
        const auto rect = [](const QRect& r) {
            return QStringLiteral("%1,%2 %3x%4")
                .arg(r.x())
                .arg(r.y())
                .arg(r.width())
                .arg(r.height())
                .toLocal8Bit();
        };
        std::printf("  %-34s %8.0f %8.0f %-3s %5dx%-8d %-22s %s\n", label, c.untilMs, c.cpuMs,
                    c.ended ? "yes" : "no", c.canvas.width(), c.canvas.height(), rect(c.pages[0]).constData(),
                    rect(c.pages[1]).constData());
    }
    std::printf(
        "\nVideo thumbnails: main-thread stall (ms), heap peak here (MiB), a worker's peak, all workers' "
        "peak at once (MiB), most workers alive, pictures:\n");
    for (const auto& [label, name] :
         {std::pair{"one, 640 x 480", "BM_Thumbnail640x480"},
          std::pair{"one, 24000 x 24000", "BM_Thumbnail24000x24000"},
          std::pair{"eight at once, 640 x 480", "BM_EightThumbnails640x480"},
          std::pair{"eight at once, 7680 x 7680", "BM_EightThumbnails7680x7680"}}) {
        const MediaFigures f = g_media.value(QLatin1String(name));
        std::printf("  %-34s %9.1f %9.1f %9.1f %9.1f %4d %4d\n", label, f.stallMs, f.heapMiB, f.workerPeakMiB,
                    f.workersSumMiB, f.mostAlive, f.pictures);
    }
    const auto book = [&ms](const char* name) {
        return QStringLiteral("%1 ms, %2 MB peak, %3 MB kept, %4 ms stall")
            .arg(ms(name), 0, 'f', 0)
            .arg(g_peakMB.value(QLatin1String(name)), 0, 'f', 1)
            .arg(g_keptMB.value(QLatin1String(name)), 0, 'f', 1)
            .arg(g_stallMs.value(QLatin1String(name)), 0, 'f', 0)
            .toLocal8Bit();
    };
    std::printf(
        "\nContact picker until the book shows: 30 people with 5600 x 5600 photos %s (small photos %s); "
        "153,375 people %s (500 people %s)\n",
        book("BM_Book30HugePhotos").constData(), book("BM_Book30SmallPhotos").constData(),
        book("BM_Book153375People").constData(), book("BM_Book500People").constData());
    const auto stall = [&ms](const char* name) {
        return QStringLiteral("%1 ms, %2 ms stall")
            .arg(ms(name), 0, 'f', 0)
            .arg(g_stallMs.value(QLatin1String(name)), 0, 'f', 0)
            .toLocal8Bit();
    };
    std::printf("Share-contact list until the book shows: 153,375 people %s (500 people %s)\n",
                stall("BM_ShareList153375People").constData(), stall("BM_ShareList500People").constData());
    std::printf("Poll details page until shown: stylesheet answered after 2 s %s (stored %s; "
                "htmlStringForDetailsPage waited for, answered after 2 s, %s)\n",
                stall("BM_DetailsPageSheetAfter2s").constData(),
                stall("BM_DetailsPageSheetStored").constData(),
                stall("BM_DetailsPageWaitedForSheetAfter2s").constData());
    printDownloadEnds();
    return run.finish();
}
