// The copies of smart-message pictures: named by the whole URL, fetched once, only from the web,
// listed only once written, and written by one worker so no entry is lost.
#include "LoopbackPeer.h"
#include "TestSandbox.h"
#include "foundation/PLOfflineURLCache.h"
#include "foundation/StandardFolders.h"
#include "ui/conversation/PLSmartMessageImageCache.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTest>

using namespace pelnix;

namespace {

QString page(const QStringList& urls) {
    QString html = QStringLiteral("<div>");
    for (const QString& url : urls)
        html += QStringLiteral("<p><img src=\"%1\" width=\"10\"></p>").arg(url);
    return html + QStringLiteral("</div>");
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
        peer.bodies["/a/photo.png"] = "first picture";
        peer.bodies["/b/photo.png"] = "second picture";
        const QString a = peer.url("/a/photo.png");
        const QString b = peer.url("/b/photo.png");
        cache->cacheImagesIfNeeded(page({a, a, b}));
        cache->cacheImagesIfNeeded(page({b, a}));
        idle();
        cache->cacheImagesIfNeeded(page({a}));
        idle();
        QCOMPARE(peer.hits.value("/a/photo.png"), 1);
        QCOMPARE(peer.hits.value("/b/photo.png"), 1);
        QCOMPARE(cachedFile(a), QByteArray("first picture"));
        QCOMPARE(cachedFile(b), QByteArray("second picture"));
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
        peer.bodies["/p.png"] = "picture";
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
        QStringList all;
        for (int i = 0; i < 24; ++i) {
            const QString path = QStringLiteral("/p%1/x.png").arg(i);
            peer.bodies[path] = QByteArray::number(i);
            all << peer.url(path);
        }
        for (int i = 0; i < 24; i += 3)
            cache->cacheImagesIfNeeded(page(all.mid(i, 3)));
        idle();
        QCOMPARE(PLOfflineURLCache::substitutionPaths().size(), 24);
        QCOMPARE(cachedFile(all[17]), QByteArray("17"));
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
