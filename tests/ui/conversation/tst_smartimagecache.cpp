// The copies of smart-message pictures: named by the whole URL, fetched once, only from the service's
// own hosts, kept only when they are pictures within the bounds, listed only once written, written
// by one worker so no entry is lost, and bounded together with the oldest going first.
#include "EncodedImage.h"
#include "FakeNetwork.h"
#include "LoopbackPeer.h"
#include "TestSandbox.h"
#include "core/api/PLAppConfigurations.h"
#include "core/session/PelnixInfo.h"
#include "foundation/PLOfflineURLCache.h"
#include "foundation/StandardFolders.h"
#include "ui/conversation/PLSmartMessageImageCache.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>

using namespace pelnix;

namespace {

QString page(const QStringList& urls) {
    QString html = QStringLiteral("<div>");
    for (const QString& url : urls)
        html += QStringLiteral("<p><img src=\"%1\" width=\"10\"></p>").arg(url);
    return html + QStringLiteral("</div>");
}

// A PNG of noise, so that its size follows its side.
QByteArray picture(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    QRandomGenerator random{quint32(side)};
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, random.generate());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The service the configuration names, at the peer's address.
void serveFrom(const test::LoopbackPeer& peer) {
    PelnixInfo::sharedInstance()->setHostURL(peer.url("/"));
    PLAppConfigurations::reloadCurrentConfiguration();
}

QByteArray cachedFile(const QString& url) {
    QFile file(StandardFolders::pathForCacheFile(PLOfflineURLCache::cacheFileNameForURL(url)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSmartImageCache : public QObject {
    Q_OBJECT
private slots:
    void init() {
        sandbox = std::make_unique<test::TestSandbox>();
        cache = std::make_unique<PLSmartMessageImageCache>();
    }
    void cleanup() {
        cache.reset();
        sandbox.reset();
    }

    void pagesAreScannedUnlessTheirStylesheetIsExempt_data() {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("xslt");
        QTest::addColumn<bool>("scanned");
        QTest::newRow("poll with a picture") << page({"http://h/p.png"}) << "poll" << true;
        QTest::newRow("rich HTML") << page({"http://h/p.png"}) << "richhtml" << false;
        QTest::newRow("mquery") << page({"http://h/p.png"}) << "mquery" << false;
        QTest::newRow("no picture") << "<p>text</p>"
                                    << "poll" << false;
    }
    void pagesAreScannedUnlessTheirStylesheetIsExempt() {
        QFETCH(QString, html);
        QFETCH(QString, xslt);
        QFETCH(bool, scanned);
        QCOMPARE(PLSmartMessageImageCache::shouldCacheImages(html, xslt), scanned);
    }

    void urlsAreTheTextBetweenTheFirstQuotes() {
        QCOMPARE(
            PLSmartMessageImageCache::imageURLsInHTML(
                "<img src=\"http://a/1.png\" alt=\"x\"><img src='http://b/2.png'><img src=\"\"><img src=\"c"),
            (QStringList{"http://a/1.png", "", "c"}));
    }

    // The same picture twice in a page and again in a later page is fetched once; two pictures whose
    // URLs end alike are two files.
    void eachPictureIsFetchedOnceAndKeptUnderItsWholeURL() {
        test::LoopbackPeer peer("image/png");
        serveFrom(peer);
        peer.bodies["/a/photo.png"] = picture(4);
        peer.bodies["/b/photo.png"] = picture(5);
        const QString a = peer.url("/a/photo.png");
        const QString b = peer.url("/b/photo.png");
        cache->cacheImagesIfNeeded(page({a, a, b}));
        cache->cacheImagesIfNeeded(page({b, a}));
        idle();
        cache->cacheImagesIfNeeded(page({a}));
        idle();
        QCOMPARE(peer.hits.value("/a/photo.png"), 1);
        QCOMPARE(peer.hits.value("/b/photo.png"), 1);
        QCOMPARE(cachedFile(a), picture(4));
        QCOMPARE(cachedFile(b), picture(5));
        const QVariantMap listed = PLOfflineURLCache::substitutionPaths();
        QCOMPARE(listed.size(), 2);
        QCOMPARE(listed.value(a).toString(), PLOfflineURLCache::cacheFileNameForURL(a));
        // Listed in the file, a later run does not fetch it either.
        cache = std::make_unique<PLSmartMessageImageCache>();
        cache->cacheImagesIfNeeded(page({a, b}));
        idle();
        QCOMPARE(peer.hits.value("/a/photo.png"), 1);
    }

    void onlyWebPicturesAreFetched_data() {
        QTest::addColumn<QString>("url");
        QTest::newRow("file") << "file:///etc/passwd";
        QTest::newRow("data") << "data:image/png;base64,AAAA";
        QTest::newRow("javascript") << "javascript:alert(1)";
        QTest::newRow("ftp") << "ftp://h/p.png";
        QTest::newRow("relative") << "/p.png";
        QTest::newRow("no host") << "http:///p.png";
    }
    void onlyWebPicturesAreFetched() {
        QFETCH(QString, url);
        cache->cacheImagesIfNeeded(page({url}));
        idle();
        QVERIFY(PLOfflineURLCache::substitutionPaths().isEmpty());
        QVERIFY(QDir(StandardFolders::cacheDataPath()).entryList(QDir::Files).isEmpty());
    }

    // A picture that cannot be had is neither written nor listed, and is not asked for again in this
    // run.
    void failuresLeaveNoEntry_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << "/missing.png";
        QTest::newRow("too large") << "/huge.png";
    }
    void failuresLeaveNoEntry() {
        QFETCH(QString, path);
        test::LoopbackPeer peer("image/png");
        serveFrom(peer);
        peer.hugePath = "/huge.png";
        peer.hugeLength = PLSmartMessageImageCache::kMaxImageBytes + 1;
        cache->cacheImagesIfNeeded(page({peer.url(path)}));
        idle();
        cache->cacheImagesIfNeeded(page({peer.url(path)}));
        idle();
        QCOMPARE(peer.hits.value(path), 1);
        QVERIFY(PLOfflineURLCache::substitutionPaths().isEmpty());
        QVERIFY(cachedFile(peer.url(path)).isEmpty());
    }

    // The entry follows the file: when the file cannot be written, nothing is listed.
    void anEntryIsListedOnlyAfterItsFileIsWritten() {
        test::LoopbackPeer peer("image/png");
        serveFrom(peer);
        peer.bodies["/p.png"] = picture(3);
        const QString cacheFolder = StandardFolders::cacheDataPath();
        QDir(cacheFolder).removeRecursively();
        QDir().mkpath(QFileInfo(cacheFolder).absolutePath());
        QFile blocker(cacheFolder);
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        blocker.close();
        cache->cacheImagesIfNeeded(page({peer.url("/p.png")}));
        idle();
        QCOMPARE(peer.hits.value("/p.png"), 1);
        QVERIFY(PLOfflineURLCache::substitutionPaths().isEmpty());
    }

    // Many pages at once: every picture ends up listed, none lost to a concurrent write of the list.
    void manyPagesLoseNoEntry() {
        test::LoopbackPeer peer("image/png");
        serveFrom(peer);
        QStringList all;
        for (int i = 0; i < 24; ++i) {
            const QString path = QStringLiteral("/p%1/x.png").arg(i);
            peer.bodies[path] = picture(i + 1);
            all << peer.url(path);
        }
        for (int i = 0; i < 24; i += 3)
            cache->cacheImagesIfNeeded(page(all.mid(i, 3)));
        idle();
        QCOMPARE(PLOfflineURLCache::substitutionPaths().size(), 24);
        QCOMPARE(cachedFile(all[17]), picture(18));
    }

    // A page names any host and any body: only pictures of the service's own hosts are fetched, and
    // only what decodes as a picture is kept.
    void onlyPicturesOfTheServiceAreKept_data() {
        QTest::addColumn<bool>("foreign");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("serviceHits");
        QTest::addColumn<bool>("kept");
        QTest::newRow("the service's picture") << false << picture(6) << 1 << true;
        QTest::newRow("another host's picture") << true << picture(6) << 0 << false;
        QTest::newRow("the service's page, no picture")
            << false << QByteArray("<html>not a picture</html>") << 1 << false;
        QTest::newRow("a cut picture") << false << picture(6).left(60) << 1 << false;
    }
    void onlyPicturesOfTheServiceAreKept() {
        QFETCH(bool, foreign);
        QFETCH(QByteArray, body);
        QFETCH(int, serviceHits);
        QFETCH(bool, kept);
        test::LoopbackPeer service("image/png");
        test::LoopbackPeer other("image/png");
        serveFrom(service);
        service.bodies["/p.png"] = body;
        other.bodies["/p.png"] = body;
        const QString url = (foreign ? other : service).url("/p.png");
        cache->cacheImagesIfNeeded(page({url}));
        idle();
        QCOMPARE(service.hits.value("/p.png"), foreign ? 0 : serviceHits);
        QCOMPARE(other.hits.value("/p.png"), 0);
        QCOMPARE(PLOfflineURLCache::substitutionPaths().contains(url), kept);
        QCOMPARE(cachedFile(url), kept ? body : QByteArray());
    }

    void aPictureCutShortIsNotKept_data() {
        QTest::addColumn<qint64>("sent");
        QTest::addColumn<bool>("kept");
        QTest::newRow("whole") << qint64(test::gradientJpeg().size()) << true;
        QTest::newRow("cut short") << qint64(test::gradientJpeg().size() / 2) << false;
    }
    // Qt can finish a download whose connection closed before its announced body as a whole one; a
    // cut JPEG still decodes as a picture, so only its length tells.
    void aPictureCutShortIsNotKept() {
        QFETCH(qint64, sent);
        QFETCH(bool, kept);
        PelnixInfo::sharedInstance()->setHostURL(QStringLiteral("http://service.test/"));
        PLAppConfigurations::reloadCurrentConfiguration();
        const QByteArray picture = test::gradientJpeg();
        QVERIFY(!QImage::fromData(picture.left(sent)).isNull());
        const auto answer = test::FakeReply::Answer::cutShort(picture, sent, "image/jpeg");
        std::atomic<test::FakeNetwork*> network = nullptr;
        cache->setNetworkFactory([answer, &network] {
            auto made = std::make_unique<test::FakeNetwork>(answer);
            network = made.get();
            return made;
        });
        const QString url = QStringLiteral("http://service.test/p.jpg");
        cache->cacheImagesIfNeeded(page({url}));
        idle();
        QVERIFY(network.load());
        QCOMPARE(network.load()->requests(), 1);
        QCOMPARE(PLOfflineURLCache::substitutionPaths().contains(url), kept);
        QCOMPARE(cachedFile(url), kept ? picture : QByteArray());
    }

    // The service's address may send the picture elsewhere: only to its own hosts.
    void aRedirectToAnotherHostIsNotFollowed() {
        test::LoopbackPeer service("image/png");
        test::LoopbackPeer other("image/png");
        serveFrom(service);
        other.bodies["/p.png"] = picture(6);
        service.redirects["/s/1"] = other.url("/p.png");
        service.redirects["/s/2"] = service.url("/p.png");
        service.bodies["/p.png"] = picture(7);
        cache->cacheImagesIfNeeded(page({service.url("/s/1"), service.url("/s/2")}));
        idle();
        QCOMPARE(other.hits.value("/p.png"), 0);
        QVERIFY(!PLOfflineURLCache::substitutionPaths().contains(service.url("/s/1")));
        QCOMPARE(cachedFile(service.url("/s/2")), picture(7));
    }

    // A reply declaring 2 GB is refused on its headers, not after reading up to the bound.
    void aDeclaredLengthOverTheBoundIsRefusedBeforeReading() {
        test::LoopbackPeer service("image/png");
        serveFrom(service);
        service.streamPath = "/big.png";
        service.hugeLength = 2LL * 1024 * 1024 * 1024;
        cache->cacheImagesIfNeeded(page({service.url("/big.png")}));
        idle();
        QCOMPARE(service.hits.value("/big.png"), 1);
        QVERIFY(PLOfflineURLCache::substitutionPaths().isEmpty());
        QVERIFY2(service.streamed < PLSmartMessageImageCache::kMaxImageBytes / 4,
                 qPrintable(QString::number(service.streamed)));
    }

    // The copies together stay under the bound: the oldest go first, file and entry alike.
    void theCopiesStayUnderTheirTotalBound() {
        test::LoopbackPeer service("image/png");
        serveFrom(service);
        QStringList urls;
        qint64 size = 0;
        for (int i = 0; i < 5; ++i) {
            const QString path = QStringLiteral("/p%1.png").arg(i);
            service.bodies[path] = picture(100 + i);
            size = qMax(size, qint64(service.bodies[path].size()));
            urls << service.url(path);
        }
        cache->setMaxTotalBytes(3 * size);
        for (const QString& url : urls) {
            cache->cacheImagesIfNeeded(page({url}));
            idle();
        }
        const QVariantMap listed = PLOfflineURLCache::substitutionPaths();
        QCOMPARE(QStringList(listed.keys()).size(), 3);
        qint64 total = 0;
        for (const QString& url : urls.mid(2)) {
            QVERIFY(listed.contains(url));
            total += cachedFile(url).size();
        }
        QVERIFY(total <= 3 * size);
        for (const QString& url : urls.mid(0, 2)) {
            QVERIFY(!listed.contains(url));
            QVERIFY(cachedFile(url).isEmpty());
        }
        QCOMPARE(QDir(StandardFolders::cacheDataPath()).entryList(QDir::Files).size(), 3);
    }

private:
    void idle() {
        bool done = false;
        cache->whenIdle([&done] { done = true; });
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
    }
    std::unique_ptr<test::TestSandbox> sandbox;
    std::unique_ptr<PLSmartMessageImageCache> cache;
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestSmartImageCache t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_smartimagecache.moc"
