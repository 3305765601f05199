// The map's tile client against a tile server gone bad: pictures far larger than a tile, bodies past
// their bound however they are framed, tiles that trickle in a byte at a time, redirects to other
// servers. Nothing of them is kept, memory stays within its bound, and every request ends by its
// deadline on the scheduler's virtual clock.
#include "EncodedImage.h"
#include "FakeNetwork.h"
#include "HostileHttpPeer.h"
#include "TestSandbox.h"
#include "platform/BoundedFetcher.h"
#include "platform/ui/MapTileLoader.h"
#include "platform/ui/MapView.h"
#include "platform/ui/Scheduler.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;
using pelnix::platform::BoundedFetcher;
using pelnix::test::HostileHttpPeer;
using Framing = HostileHttpPeer::Framing;

namespace {

constexpr qint64 kMB = 1024 * 1024;

QByteArray png(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(QColor(120, 180, 90));
    return test::encodedImage(image, "PNG");
}

// 5600 x 5600 at one bit a pixel: a few KB, and 125 MB once decoded for drawing.
QByteArray hugePng() {
    QImage image(5600, 5600, QImage::Format_Mono);
    image.fill(0);
    return test::encodedImage(image, "PNG");
}

QByteArray svg(int side) {
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\">"
                          "<rect width=\"%1\" height=\"%1\" fill=\"red\"/></svg>")
        .arg(side)
        .toLatin1();
}

HostileHttpPeer::Answer tileAnswer(const QByteArray& body) {
    return HostileHttpPeer::Answer::of(body, "image/png");
}

// A tile that decodes well, trailed by `extra` bytes that the decoder never looks at.
HostileHttpPeer::Answer paddedTile(qint64 extra, Framing framing) {
    HostileHttpPeer::Answer answer = tileAnswer(png(256));
    answer.unit = QByteArray(64 * 1024, '\0');
    answer.repeat = extra / answer.unit.size();
    answer.framing = framing;
    return answer;
}

} // namespace

class TestHostileMaps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Scheduler::shared()->setVirtualClock(true); }
    void init() {
        sandbox = std::make_unique<test::TestSandbox>();
        peer = std::make_unique<HostileHttpPeer>();
    }
    void cleanup() {
        MapTileLoader::releaseAll();
        peer.reset();
        sandbox.reset();
    }

    void tilesAreDecodedTileSized_data();
    void tilesAreDecodedTileSized();
    void picturesLargerThanATileAreScaledOrRefused_data();
    void picturesLargerThanATileAreScaledOrRefused();
    void theMemoryHoldsABoundedNumberOfBytes();
    void tileBodiesAreBoundedAsTheyArrive_data();
    void tileBodiesAreBoundedAsTheyArrive();
    void aTricklingTileFailsAtItsDeadline();
    void aSmallAnswerHoldsNoMoreThanItself();
    void anAnswerCutShortIsNoAnswer_data();
    void anAnswerCutShortIsNoAnswer();
    void redirectsStayWithTheServer_data();
    void redirectsStayWithTheServer();
    void tileRedirects_data();
    void tileRedirects();
    void aLinkPlantedInTheCacheLeadsNowhere();

private:
    QString tileTemplate() const { return peer->url(QStringLiteral("/t/{z}/{x}/{y}.png")); }
    // Asks for the four tiles of zoom 1 and waits until each has come or failed.
    void askForFourTiles(MapTileLoader* loader, int& loaded, int& failed) {
        QSignalSpy loadedSpy(loader, &MapTileLoader::tileLoaded);
        QSignalSpy failedSpy(loader, &MapTileLoader::tileFailed);
        for (int x = 0; x < 2; ++x)
            for (int y = 0; y < 2; ++y)
                QVERIFY(loader->tile(1, x, y).isNull());
        QTRY_COMPARE(loadedSpy.size() + failedSpy.size(), 4);
        loaded = int(loadedSpy.size());
        failed = int(failedSpy.size());
    }
    int storedTiles() const { return int(sandbox->listFiles().filter(QStringLiteral("MapTiles/")).size()); }

    std::unique_ptr<test::TestSandbox> sandbox;
    std::unique_ptr<HostileHttpPeer> peer;
};

void TestHostileMaps::tilesAreDecodedTileSized_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("size"); // empty: refused
    QImage plain(256, 256, QImage::Format_RGB32);
    plain.fill(Qt::white);
    QTest::newRow("a 256 PNG") << png(256) << QSize(256, 256);
    QTest::newRow("a 256 JPEG") << test::encodedImage(plain, "JPEG") << QSize(256, 256);
    QTest::newRow("a smaller PNG, as it is") << png(100) << QSize(100, 100);
    QTest::newRow("a 512 PNG of a sharp server") << png(512) << QSize(256, 256);
    QTest::newRow("the largest picture read") << png(MapTileLoader::kMaximumSourceSide) << QSize(256, 256);
    QTest::newRow("one pixel more") << png(MapTileLoader::kMaximumSourceSide + 1) << QSize();
    QTest::newRow("5600 PNG of one bit a pixel") << hugePng() << QSize();
    QTest::newRow("5600 SVG") << svg(5600) << QSize();
    QTest::newRow("a tile-sized SVG") << svg(256) << QSize();
    QTest::newRow("an error page") << QByteArray("<html><body>Not found</body></html>") << QSize();
    QTest::newRow("nothing") << QByteArray() << QSize();
}

void TestHostileMaps::tilesAreDecodedTileSized() {
    QFETCH(QByteArray, data);
    QFETCH(QSize, size);
    const QImage tile = MapTileLoader::decodeTile(data);
    QCOMPARE(tile.isNull(), size.isEmpty());
    if (!tile.isNull()) {
        QCOMPARE(tile.size(), size);
        QCOMPARE(tile.format(), QImage::Format_ARGB32_Premultiplied);
    }
}

// Through the loader as the map uses it: from the server, and from a disk that an earlier version
// filled with whatever the server sent.
void TestHostileMaps::picturesLargerThanATileAreScaledOrRefused_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("shown");
    QTest::newRow("512 tiles from the server") << png(512) << false << true;
    QTest::newRow("5600 PNG from the server") << hugePng() << false << false;
    QTest::newRow("5600 PNG kept on disk") << hugePng() << true << false;
    QTest::newRow("512 tiles kept on disk") << png(512) << true << true;
}

void TestHostileMaps::picturesLargerThanATileAreScaledOrRefused() {
    QFETCH(QByteArray, body);
    QFETCH(bool, stored);
    QFETCH(bool, shown);
    MapTileLoader* loader = MapTileLoader::forTemplate(tileTemplate());
    QVERIFY(loader);
    if (stored) {
        for (int x = 0; x < 2; ++x) {
            for (int y = 0; y < 2; ++y) {
                const QString path = loader->cacheFolder() + QStringLiteral("/1/%1/%2.png").arg(x).arg(y);
                QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(body);
            }
        }
    }
    peer->answerEveryPath(tileAnswer(stored ? QByteArray("gone") : body));
    int loaded = 0;
    int failed = 0;
    askForFourTiles(loader, loaded, failed);
    QCOMPARE(loaded, shown ? 4 : 0);
    QCOMPARE(loader->memoryBytes(), qint64(shown ? 4 * 256 * 256 * 4 : 0));
    for (int x = 0; x < 2; ++x)
        for (int y = 0; y < 2; ++y)
            QCOMPARE(loader->tile(1, x, y).size(), shown ? QSize(256, 256) : QSize(0, 0));
    // What is kept is a tile; a stored picture that is none goes.
    QCOMPARE(storedTiles(), shown ? 4 : 0);
    QCOMPARE(peer->requests(), stored ? (shown ? 0 : 4) : 4);
}

void TestHostileMaps::theMemoryHoldsABoundedNumberOfBytes() {
    peer->answerEveryPath(tileAnswer(png(512)));
    MapTileLoader* loader = MapTileLoader::forTemplate(tileTemplate());
    QSignalSpy loaded(loader, &MapTileLoader::tileLoaded);
    const int asked = 150;
    for (int i = 0; i < asked; ++i)
        loader->tile(4, i % 16, i / 16);
    QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), asked, 20000);
    qint64 held = 0;
    int count = 0;
    for (int i = 0; i < asked; ++i) {
        if (loader->hasTile(4, i % 16, i / 16)) {
            held += loader->tile(4, i % 16, i / 16).sizeInBytes();
            ++count;
        }
    }
    QVERIFY2(held <= MapTileLoader::kMemoryBytes, qPrintable(QString::number(held)));
    QCOMPARE(loader->memoryBytes(), held);
    QCOMPARE(count, int(MapTileLoader::kMemoryBytes / (256 * 256 * 4)));
    QVERIFY(loader->hasTile(4, (asked - 1) % 16, (asked - 1) / 16)); // the newest stay
}

void TestHostileMaps::tileBodiesAreBoundedAsTheyArrive_data() {
    QTest::addColumn<HostileHttpPeer::Answer>("answer");
    const qint64 over = MapTileLoader::kMaximumTileBytes + kMB;
    HostileHttpPeer::Answer announced = tileAnswer(png(256));
    announced.announced = 100 * kMB;
    QTest::newRow("100 MB announced, a tile sent") << announced;
    QTest::newRow("3 MB without a length") << paddedTile(over, Framing::Close);
    QTest::newRow("3 MB in chunks") << paddedTile(over, Framing::Chunked);
    QTest::newRow("100 MB in chunks") << paddedTile(100 * kMB, Framing::Chunked);
}

void TestHostileMaps::tileBodiesAreBoundedAsTheyArrive() {
    QFETCH(HostileHttpPeer::Answer, answer);
    peer->answerEveryPath(answer);
    MapTileLoader* loader = MapTileLoader::forTemplate(tileTemplate());
    int loaded = 0;
    int failed = 0;
    askForFourTiles(loader, loaded, failed);
    QCOMPARE(failed, 4);
    QCOMPARE(loader->memoryBytes(), qint64(0));
    QCOMPARE(storedTiles(), 0);
    // Refused as it came, not after the server had sent it all.
    QVERIFY2(peer->bytesSent() < 4 * 8 * kMB, qPrintable(QString::number(peer->bytesSent())));
}

void TestHostileMaps::aTricklingTileFailsAtItsDeadline() {
    HostileHttpPeer::Answer drip = tileAnswer(png(256));
    drip.drip = true;
    peer->answerEveryPath(drip);
    MapView map;
    map.resize(375, 667);
    map.setTileURLTemplate(tileTemplate());
    map.setRegion({12.9716, 77.5946}, 0.02, 0.02);
    MapTileLoader* loader = map.tileLoader();
    QSignalSpy failed(loader, &MapTileLoader::tileFailed);
    map.grab(); // painting asks for the visible tiles
    const int visible = loader->pendingCount();
    QVERIFY(visible >= 4);
    QTRY_VERIFY(peer->dripping() >= 4);
    // A byte now and then keeps a connection from falling silent; the deadline ends it all the same.
    peer->drip();
    peer->drip();
    Scheduler::shared()->advance(MapTileLoader::kRequestDeadlineMs - 1);
    QCOMPARE(failed.size(), 0);
    Scheduler::shared()->advance(1);
    QCOMPARE(failed.size(), visible);
    QVERIFY(!map.areVisibleTilesLoaded());
    // The connections are closed, not left to trickle on.
    QTRY_COMPARE(peer->dripping(), 0);
    // The map is drawn without them and asks for them again only later. (A request Qt had queued
    // behind the dripping ones may still reach the server as it closes them: count what is asked.)
    QCOMPARE(map.grab().size(), QSize(375, 667));
    QCoreApplication::processEvents();
    QCOMPARE(loader->pendingCount(), 0);
    QVERIFY2(peer->requests() <= visible, qPrintable(QString::number(peer->requests())));
    QCOMPARE(loader->memoryBytes(), qint64(0));
}

// A bound is what may come, not what each answer costs: dozens of tiles are on their way at once.
void TestHostileMaps::aSmallAnswerHoldsNoMoreThanItself() {
    peer->answerEveryPath(tileAnswer(png(256)));
    BoundedFetcher fetcher;
    BoundedFetcher::Answer answer;
    fetcher.get(1, QNetworkRequest(QUrl(peer->url(QStringLiteral("/t.png")))), 2 * kMB,
                [&answer](const BoundedFetcher::Answer& a) { answer = a; });
    QTRY_VERIFY(answer.isOk());
    QCOMPARE(answer.body, png(256));
    QVERIFY2(answer.body.capacity() < 64 * 1024, qPrintable(QString::number(answer.body.capacity())));
}

void TestHostileMaps::anAnswerCutShortIsNoAnswer_data() {
    QTest::addColumn<qint64>("sent");
    QTest::addColumn<bool>("received");
    const qint64 whole = png(256).size();
    QTest::newRow("whole") << whole << true;
    QTest::newRow("cut short") << whole / 2 << false;
    QTest::newRow("nothing of it") << qint64(0) << false;
}

// Qt can finish an answer whose connection closed before its announced body as a whole one: such a
// tile is a failed fetch, and none of its bytes reach the caller.
void TestHostileMaps::anAnswerCutShortIsNoAnswer() {
    QFETCH(qint64, sent);
    QFETCH(bool, received);
    test::FakeNetwork network(test::FakeReply::Answer::cutShort(png(256), sent, "image/png"));
    BoundedFetcher fetcher;
    fetcher.setNetworkAccessManager(&network);
    std::optional<BoundedFetcher::Answer> answer;
    fetcher.get(1, QNetworkRequest(QUrl(QStringLiteral("http://tiles.test/1/0/0.png"))), 2 * kMB,
                [&answer](const BoundedFetcher::Answer& a) { answer = a; });
    QTRY_VERIFY(answer);
    QCOMPARE(network.requests(), 1);
    if (received) {
        QVERIFY(answer->isOk());
        QCOMPARE(answer->body, png(256));
    } else {
        QCOMPARE(answer->outcome, BoundedFetcher::Answer::Outcome::Failed);
        QVERIFY(answer->body.isEmpty());
    }
}

void TestHostileMaps::redirectsStayWithTheServer_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("another path") << "http://tiles.test/a/1.png"
                                  << "http://tiles.test/b/1.png" << true;
    QTest::newRow("the host in capitals") << "http://tiles.test/a"
                                          << "http://TILES.test/b" << true;
    QTest::newRow("up to https") << "http://tiles.test/a"
                                 << "https://tiles.test/a" << true;
    QTest::newRow("up to https on another port") << "http://tiles.test/a"
                                                 << "https://tiles.test:8443/a" << false;
    QTest::newRow("down to http") << "https://tiles.test/a"
                                  << "http://tiles.test/a" << false;
    QTest::newRow("another port") << "http://127.0.0.1:8080/a"
                                  << "http://127.0.0.1:8081/a" << false;
    QTest::newRow("another host") << "https://tiles.test/a"
                                  << "https://elsewhere.test/a" << false;
    QTest::newRow("a file") << "http://tiles.test/a"
                            << "file:///etc/passwd" << false;
    QTest::newRow("another scheme") << "http://tiles.test/a"
                                    << "ftp://tiles.test/a" << false;
}

void TestHostileMaps::redirectsStayWithTheServer() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, allowed);
    QCOMPARE(BoundedFetcher::isAllowedRedirect(QUrl(from), QUrl(to)), allowed);
}

void TestHostileMaps::tileRedirects_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("shown");
    QTest::newRow("the same server") << "same" << true;
    QTest::newRow("another server") << "other" << false;
    QTest::newRow("a redirect loop") << "loop" << false;
}

void TestHostileMaps::tileRedirects() {
    QFETCH(QString, where);
    QFETCH(bool, shown);
    HostileHttpPeer other;
    other.answerEveryPath(tileAnswer(png(256)));
    peer->answer(QStringLiteral("/moved.png"), tileAnswer(png(256)));
    HostileHttpPeer::Answer redirect;
    redirect.location = where == QLatin1String("same")    ? peer->url(QStringLiteral("/moved.png"))
                        : where == QLatin1String("other") ? other.url(QStringLiteral("/moved.png"))
                                                          : peer->url(QStringLiteral("/t/1/0/0.png"));
    peer->answerEveryPath(redirect);
    MapTileLoader* loader = MapTileLoader::forTemplate(tileTemplate());
    int loaded = 0;
    int failed = 0;
    askForFourTiles(loader, loaded, failed);
    QCOMPARE(loaded, shown ? 4 : 0);
    QCOMPARE(other.requests(), 0);
    QCOMPARE(storedTiles(), shown ? 4 : 0);
}

// A folder link planted in the tile cache towards a folder outside that holds a file named like a
// tile (and no picture): the file is neither removed nor replaced, nothing is written outside, and the
// tiles fetched are kept in the cache's own folders.
void TestHostileMaps::aLinkPlantedInTheCacheLeadsNowhere() {
    QTemporaryDir outside;
    const QByteArray theirs("not a tile, and not the cache's");
    QVERIFY(QDir().mkpath(outside.filePath(QStringLiteral("0"))));
    QFile victim(outside.filePath(QStringLiteral("0/0.png")));
    QVERIFY(victim.open(QIODevice::WriteOnly) && victim.write(theirs) == theirs.size());
    victim.close();
    peer->answerEveryPath(tileAnswer(png(256)));
    MapTileLoader* loader = MapTileLoader::forTemplate(tileTemplate());
    const QString link = loader->cacheFolder() + QStringLiteral("/1");
    QVERIFY(QDir().mkpath(loader->cacheFolder()));
    QVERIFY(QFile::link(outside.path(), link));
    int loaded = 0;
    int failed = 0;
    askForFourTiles(loader, loaded, failed);
    QCOMPARE(loaded, 4);
    QVERIFY(victim.open(QIODevice::ReadOnly));
    QCOMPARE(victim.readAll(), theirs);
    QCOMPARE(QDir(outside.filePath(QStringLiteral("0"))).entryList(QDir::Files), QStringList{"0.png"});
    QCOMPARE(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"0"});
    QVERIFY(!QFileInfo(link).isSymLink());
    QCOMPARE(storedTiles(), 4);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestHostileMaps t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_hostilemaps.moc"
