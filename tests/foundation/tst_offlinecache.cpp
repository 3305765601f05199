#include "TestSandbox.h"
#include "foundation/AssetURLChecker.h"
#include "foundation/PLOfflineURLCache.h"
#include "foundation/PLReachability.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/StandardFolders.h"
#include "platform/PlistCodec.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <memory>
#include <thread>

using namespace pelnix;

class TestOfflineCache : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { m_source->setFlags(PLReachability::kReachable, 0); }
    void onlineRequestsGoToTheStandardCache();
    void offlineListedURLIsAnsweredAsPngFromMemoryAfterward();
    void accessManagerGetsTheImageWithoutNetwork();
    void vanishedFileIsPrunedAndListRewritten();
    void unsafeFileNamesNeverTouchTheDisk();
    void concurrentWritersLoseNoEntry();
    void assetExistsForLocalFilesOnly();

private:
    QString listImage(const QString& url, const QString& fileName, const QByteArray& bytes);
    std::shared_ptr<ReachabilitySource> m_source;
};

void TestOfflineCache::initTestCase() {
    m_source = std::make_shared<ReachabilitySource>();
    PLReachability::setDefaultSource(m_source);
    PLReachabilityResponder::sharedInstance();
}

QString TestOfflineCache::listImage(const QString& url, const QString& fileName, const QByteArray& bytes) {
    const QString path = StandardFolders::pathForCacheFile(fileName);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    file.close();
    PLOfflineURLCache::addSubstitutionPath(url, fileName);
    return path;
}

namespace {
void goOffline(ReachabilitySource& source) {
    source.setFlags(0, 0);
}
QByteArray readAll(QIODevice* device) {
    std::unique_ptr<QIODevice> owned(device);
    return owned ? owned->readAll() : QByteArray();
}
} // namespace

void TestOfflineCache::onlineRequestsGoToTheStandardCache() {
    test::TestSandbox sandbox;
    const QUrl url("http://127.0.0.1:9/img/photo.jpg");
    listImage(url.toString(), "photo.jpg", "listed bytes");
    PLOfflineURLCache cache;

    QVERIFY(!cache.metaData(url).isValid()); // nothing in the standard cache yet
    QVERIFY(!cache.cachedResponseForRequest(QNetworkRequest(url)));

    QNetworkCacheMetaData meta;
    meta.setUrl(url);
    meta.setSaveToDisk(true);
    meta.setRawHeaders({{"Content-Type", "image/jpeg"}});
    QIODevice* sink = cache.prepare(meta);
    QVERIFY(sink);
    sink->write("from the network");
    cache.insert(sink);
    QCOMPARE(readAll(cache.data(url)), QByteArray("from the network"));
    QVERIFY(cache.cacheSize() > 0);
}

void TestOfflineCache::offlineListedURLIsAnsweredAsPngFromMemoryAfterward() {
    test::TestSandbox sandbox;
    const QUrl url("http://127.0.0.1:9/img/photo.jpg");
    const QString path = listImage(url.toString(), "photo.jpg", "\xff\xd8 jpeg bytes");
    PLOfflineURLCache cache;
    goOffline(*m_source);

    const QNetworkCacheMetaData meta = cache.metaData(url);
    QVERIFY(meta.isValid());
    QVariantMap headers;
    for (const auto& [name, value] : meta.rawHeaders())
        headers.insert(QString::fromLatin1(name), value);
    QCOMPARE(headers.value("Content-Type").toByteArray(), QByteArray("image/png")); // even for a JPEG
    QCOMPARE(headers.value("Content-Length").toByteArray(), QByteArray("13"));
    QCOMPARE(readAll(cache.data(url)), QByteArray("\xff\xd8 jpeg bytes"));

    // Kept in memory: the file may go and the answer stays.
    QVERIFY(QFile::remove(path));
    QCOMPARE(readAll(cache.data(url)), QByteArray("\xff\xd8 jpeg bytes"));
    QVERIFY(PLOfflineURLCache::substitutionPaths().contains(url.toString()));

    // Dropping the in-memory answer makes the next lookup find the file gone.
    QVERIFY(cache.removeCachedResponseForRequest(QNetworkRequest(url)));
    QVERIFY(!cache.data(url));
    QVERIFY(!PLOfflineURLCache::substitutionPaths().contains(url.toString()));
}

void TestOfflineCache::accessManagerGetsTheImageWithoutNetwork() {
    test::TestSandbox sandbox;
    // A port nobody listens on: any network attempt would fail.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/smart/chart.png").arg(port));
    listImage(url.toString(), "chart.png", "PNG DATA");
    goOffline(*m_source);

    QNetworkAccessManager manager;
    manager.setCache(new PLOfflineURLCache(&manager));
    std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(url)));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    QVERIFY(finished.wait(5000));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->readAll(), QByteArray("PNG DATA"));
    QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(), QStringLiteral("image/png"));
    QVERIFY(reply->attribute(QNetworkRequest::SourceIsFromCacheAttribute).toBool());
}

void TestOfflineCache::vanishedFileIsPrunedAndListRewritten() {
    test::TestSandbox sandbox;
    listImage("http://h/keep.png", "keep.png", "k");
    const QString gone = listImage("http://h/gone.png", "gone.png", "g");
    QVERIFY(QFile::remove(gone));
    PLOfflineURLCache cache;
    goOffline(*m_source);

    QVERIFY(!cache.metaData(QUrl("http://h/gone.png")).isValid()); // the standard cache's answer
    const auto onDisk =
        platform::PlistCodec::readFile(StandardFolders::pathForPrivateFile("CachedImagesKeys.plist"));
    QVERIFY(onDisk);
    QCOMPARE(onDisk->toMap(), (QVariantMap{{"http://h/keep.png", "keep.png"}}));

    // After a wipe of the private folder the next writer makes it again.
    QVERIFY(QDir(StandardFolders::privateDataPath()).removeRecursively());
    QVERIFY(PLOfflineURLCache::addSubstitutionPath("http://h/new.png", "new.png"));
    QCOMPARE(PLOfflineURLCache::substitutionPaths().size(), 1);
}

void TestOfflineCache::unsafeFileNamesNeverTouchTheDisk() {
    test::TestSandbox sandbox;
    // Named by the whole URL: alike endings do not collide, and no part of the URL becomes a path.
    QCOMPARE(PLOfflineURLCache::cacheFileNameForURL("http://h/a/b%20c.png"),
             QStringLiteral("1e2490caffe7b1ce6d518631ffe75dea"));
    QVERIFY(PLOfflineURLCache::cacheFileNameForURL("http://h/a/p.png") !=
            PLOfflineURLCache::cacheFileNameForURL("http://h/b/p.png"));
    QCOMPARE(PLOfflineURLCache::cacheFileNameForURL("http://h/a/..").size(), 32);
    QCOMPARE(PLOfflineURLCache::cacheFileNameForURL(""), QString());
    QVERIFY(!PLOfflineURLCache::addSubstitutionPath("http://h/x", "../x"));
    QVERIFY(!PLOfflineURLCache::addSubstitutionPath("http://h/x", ""));
    QVERIFY(PLOfflineURLCache::substitutionPaths().isEmpty());

    // A list written by someone else that points outside the cache folder is not followed.
    QFile secret(sandbox.path("secret.txt"));
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write("do not serve");
    secret.close();
    platform::PlistCodec::writeFile(StandardFolders::pathForPrivateFile("CachedImagesKeys.plist"),
                                    QVariantMap{{"http://h/evil.png", "../../secret.txt"}});
    PLOfflineURLCache cache;
    goOffline(*m_source);
    QVERIFY(!cache.data(QUrl("http://h/evil.png")));
    QVERIFY(PLOfflineURLCache::substitutionPaths().isEmpty());
}

void TestOfflineCache::concurrentWritersLoseNoEntry() {
    test::TestSandbox sandbox;
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < 25; ++i) {
                const QString name = QStringLiteral("img-%1-%2.png").arg(t).arg(i);
                PLOfflineURLCache::addSubstitutionPath("http://h/" + name, name);
            }
        });
    }
    for (auto& w : writers)
        w.join();
    QCOMPARE(PLOfflineURLCache::substitutionPaths().size(), 100);
}

void TestOfflineCache::assetExistsForLocalFilesOnly() {
    test::TestSandbox sandbox;
    QFile file(sandbox.path("clip.mp4"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(AssetURLChecker::assetExists(QUrl::fromLocalFile(file.fileName())));
    QVERIFY(!AssetURLChecker::assetExists(QUrl::fromLocalFile(sandbox.path("missing.mp4"))));
    QVERIFY(!AssetURLChecker::assetExists(QUrl::fromLocalFile(sandbox.root()))); // a folder
    QVERIFY(!AssetURLChecker::assetExists(QUrl("assets-library://asset/asset.JPG?id=1")));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestOfflineCache t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_offlinecache.moc"
