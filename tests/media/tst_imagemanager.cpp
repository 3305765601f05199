// The image loader's memory and disk caches against images served by the stand-in service.
#include "CapturedLog.h"
#include "CoreFixture.h"
#include "EncodedImage.h"
#include "FakeNetwork.h"
#include "media/PLImageManager.h"
#include "platform/MainThread.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace pelnix;
using namespace pelnix::test;

namespace {

struct Result {
    int calls = 0;
    QImage image;
    PLOptionalError error;
    PLImageManager::CacheType type = PLImageManager::CacheTypeNone;
    bool onMain = true;
};

// A loopback HTTP peer of our own, for the download bounds. Paths:
//   /huge      declares 2 GB, sends 1 KB and holds the connection;
//   /endless   a chunked body of 64 KB chunks that never ends;
//   /trickle   declares 1 MB and sends one byte every 100 ms;
//   /held      declares 1 KB and sends nothing.
class BoundsPeer : public QObject {
    Q_OBJECT
public:
    BoundsPeer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++connections;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                    ++closed;
                    socket->deleteLater();
                });
            }
        });
    }
    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    int connections = 0;
    int closed = 0;
    qint64 bodyBytesSent = 0;

private:
    void answer(QTcpSocket* socket) {
        if (socket->property("answered").toBool() || !socket->peek(8192).contains("\r\n\r\n"))
            return;
        socket->setProperty("answered", true);
        const QByteArray path = socket->readAll().split(' ').value(1);
        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n";
        if (path == "/huge") {
            socket->write(ok + "Content-Length: 2147483648\r\n\r\n" + QByteArray(1024, 'x'));
        } else if (path == "/held") {
            socket->write(ok + "Content-Length: 1024\r\n\r\n");
        } else if (path == "/trickle") {
            socket->write(ok + "Content-Length: 1000000\r\n\r\n");
            repeat(socket, 100, [socket] { socket->write("x"); });
        } else if (path == "/endless") {
            socket->write(ok + "Transfer-Encoding: chunked\r\n\r\n");
            repeat(socket, 2, [this, socket] {
                // Kept ahead of the reader by at most 1 MB.
                if (socket->bytesToWrite() > 1024 * 1024)
                    return;
                socket->write("10000\r\n" + QByteArray(0x10000, 'y') + "\r\n");
                bodyBytesSent += 0x10000;
            });
        }
    }
    static void repeat(QTcpSocket* socket, int ms, std::function<void()> step) {
        auto* timer = new QTimer(socket);
        QObject::connect(timer, &QTimer::timeout, socket, [socket, step] {
            if (socket->state() == QAbstractSocket::ConnectedState)
                step();
        });
        timer->start(ms);
    }
    QTcpServer m_server;
};

} // namespace

class TestImageManager : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_fixture = std::make_unique<CoreFixture>();
        m_folder = std::make_unique<QTemporaryDir>();
        m_manager = std::make_unique<PLImageManager>(m_folder->filePath(QStringLiteral("images")));
    }
    void cleanup() {
        m_manager.reset();
        m_fixture.reset();
    }
    void memoryThenDiskThenNetwork();
    void differentURLsNeverShareACacheFile();
    void diskCacheStaysWithinItsBounds();
    void memoryCacheStaysWithinItsBound();
    void failuresAreReportedAndRemembered();
    void loadsOfOneURLShareADownload();
    void theDownloadBoundIsTheCachesPerFileBound();
    void aDeclaredLengthPastTheBoundIsRefused();
    void aBodyPastTheBoundIsAborted();
    void aWholeDownloadIsBoundedInTime();
    void cancellingTheLastLoadAbortsTheTransfer();
    void onlyWebPicturesAreLoaded_data();
    void onlyWebPicturesAreLoaded();
    void aPictureCutShortIsNeitherShownNorKept_data();
    void aPictureCutShortIsNeitherShownNorKept();

private:
    QUrl url(const QString& path) const { return QUrl(m_fixture->baseUrl() + path); }
    int downloads() const {
        int count = 0;
        for (const auto& r : m_fixture->server().requestLog())
            count += r.server == "api" && (r.path.find("/splash/") == 0 || r.path.find("/missing") == 0);
        return count;
    }
    Result load(const QUrl& target, int options = 0) {
        Result result;
        m_manager->loadImageWithURL(target, options,
                                    [&](const QImage& image, const PLOptionalError& error,
                                        PLImageManager::CacheType type, const QUrl&) {
                                        ++result.calls;
                                        result.image = image;
                                        result.error = error;
                                        result.type = type;
                                        result.onMain = platform::isMainThread();
                                    });
        [&] { QTRY_COMPARE_WITH_TIMEOUT(result.calls, 1, 15000); }();
        return result;
    }

    std::unique_ptr<CoreFixture> m_fixture;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<PLImageManager> m_manager;
};

void TestImageManager::memoryThenDiskThenNetwork() {
    const QUrl picture = url(QStringLiteral("/splash/iOS/CoBrandingImage@2x.png"));
    QVERIFY(!m_manager->cachedImageExistsForURL(picture));

    Result first = load(picture);
    QVERIFY(!first.error);
    QCOMPARE(first.type, PLImageManager::CacheTypeNone);
    QCOMPARE(first.image.size(), QSize(16, 16));
    QVERIFY(first.onMain);
    QCOMPARE(downloads(), 1);
    m_manager->waitForDiskWork();
    QVERIFY(m_manager->cachedImageExistsForURL(picture));

    // Served from memory at once, without a request.
    int calls = 0;
    m_manager->loadImageWithURL(
        picture, 0,
        [&](const QImage& image, const PLOptionalError&, PLImageManager::CacheType type, const QUrl&) {
            ++calls;
            QCOMPARE(type, PLImageManager::CacheTypeMemory);
            QCOMPARE(image, first.image);
        });
    QCOMPARE(calls, 1);

    // Memory dropped: from disk, still without a request.
    m_manager->imageCache().clearMemory();
    const Result fromDisk = load(picture);
    QCOMPARE(fromDisk.type, PLImageManager::CacheTypeDisk);
    QCOMPARE(fromDisk.image, first.image);
    QVERIFY(fromDisk.onMain);
    QCOMPARE(downloads(), 1);
}

void TestImageManager::differentURLsNeverShareACacheFile() {
    const QUrl plain = url(QStringLiteral("/splash/iOS/CoBrandingImage.png"));
    const QUrl versioned = url(QStringLiteral("/splash/iOS/CoBrandingImage.png?v=2"));
    const QUrl other = QUrl(QStringLiteral("http://127.0.0.1:1/elsewhere/CoBrandingImage.png"));
    QVERIFY(PLImageCache::keyForURL(plain) != PLImageCache::keyForURL(versioned));
    QVERIFY(PLImageCache::keyForURL(plain) != PLImageCache::keyForURL(other));
    QVERIFY(!PLImageCache::keyForURL(plain).contains(QStringLiteral("CoBranding")));

    QVERIFY(!load(plain).error);
    QVERIFY(!load(versioned).error);
    m_manager->waitForDiskWork();
    QCOMPARE(QDir(m_folder->filePath(QStringLiteral("images"))).entryList(QDir::Files).size(), 2);
}

void TestImageManager::diskCacheStaysWithinItsBounds() {
    const QStringList paths{"/splash/iOS/CoBrandingImage.png", "/splash/iOS/CoBrandingImage@2x.png",
                            "/splash/iOS/CoBrandingImage@3x.png", "/splash/iOS/CoBrandingLogoImage@3x.png"};
    QVERIFY(!load(url(paths[0])).error);
    m_manager->waitForDiskWork();
    const qint64 oneFile = m_manager->imageCache().diskBytes();
    QVERIFY(oneFile > 0);
    const qint64 bound = oneFile * 2 + oneFile / 2;
    m_manager->imageCache().setMaxDiskBytes(bound);
    for (const QString& path : paths.mid(1)) {
        QVERIFY(!load(url(path)).error);
        m_manager->waitForDiskWork();
        QVERIFY2(m_manager->imageCache().diskBytes() <= bound, qPrintable(path));
    }
    // The newest stays.
    QVERIFY(m_manager->imageCache().existsOnDisk(PLImageCache::keyForURL(url(paths.last()))));

    // Files past the age bound go too.
    const QString key = PLImageCache::keyForURL(url(paths.last()));
    QFile old(m_manager->imageCache().diskPath(key));
    QVERIFY(old.open(QIODevice::ReadWrite));
    QVERIFY(old.setFileTime(QDateTime::currentDateTime().addDays(-8), QFileDevice::FileModificationTime));
    old.close();
    m_manager->imageCache().clearMemory();
    QCOMPARE(load(url(paths.last())).type, PLImageManager::CacheTypeNone);
}

void TestImageManager::memoryCacheStaysWithinItsBound() {
    // Room for two 16 x 16 pictures (1 KiB each): the oldest of three goes back to disk.
    m_manager->imageCache().setMaxMemoryBytes(2048);
    const QList<QUrl> urls{url(QStringLiteral("/splash/iOS/CoBrandingImage@2x.png")),
                           url(QStringLiteral("/splash/iOS/CoBrandingLogoImage@2x.png")),
                           url(QStringLiteral("/splash/iOS/CoBrandingImage@2x.png?v=3"))};
    for (const QUrl& target : urls)
        QVERIFY(!load(target).error);
    m_manager->waitForDiskWork();
    QCOMPARE(load(urls[2]).type, PLImageManager::CacheTypeMemory);
    QCOMPARE(load(urls[0]).type, PLImageManager::CacheTypeDisk);
    QCOMPARE(downloads(), 3);
}

void TestImageManager::failuresAreReportedAndRemembered() {
    Result nil;
    m_manager->loadImageWithURL(
        QUrl(), 0, [&](const QImage&, const PLOptionalError& error, PLImageManager::CacheType, const QUrl&) {
            ++nil.calls;
            nil.error = error;
        });
    QCOMPARE(nil.calls, 1);
    QVERIFY(nil.error);

    // A signed address: its user information and query reach no log line and no error.
    QUrl missing = url(QStringLiteral("/missing/picture.png"));
    missing.setUserInfo(QStringLiteral("reader:pa55word-of-the-reader"));
    missing.setQuery(QStringLiteral("X-Amz-Security-Token=SessionT0kenOfThePicture&Signature=S1gnatureOfIt"));
    QLoggingCategory::setFilterRules(QString());
    std::optional<CapturedLog> log;
    log.emplace();
    const Result failed = load(missing);
    const QString logged = log->text();
    log.reset();
    QVERIFY(failed.error);
    QVERIFY2(logged.contains(QStringLiteral("image download failed: HTTP 404 from http://")) &&
                 logged.contains(QStringLiteral("/missing/picture.png")),
             qPrintable(logged));
    for (const QString& secret :
         {QStringLiteral("pa55word"), QStringLiteral("SessionT0ken"), QStringLiteral("S1gnature")}) {
        QVERIFY2(!logged.contains(secret), qPrintable(logged));
        QVERIFY2(!failed.error->localizedDescription.contains(secret),
                 qPrintable(failed.error->localizedDescription));
    }
    QVERIFY(failed.image.isNull());
    QVERIFY(failed.onMain);
    QCOMPARE(downloads(), 1);
    QVERIFY(load(missing).error);
    QCOMPARE(downloads(), 1);
    QVERIFY(load(missing, PLImageManager::RetryFailed).error);
    QCOMPARE(downloads(), 2);
    QVERIFY(!m_manager->cachedImageExistsForURL(missing));
}

void TestImageManager::loadsOfOneURLShareADownload() {
    const QUrl picture = url(QStringLiteral("/splash/iOS/CoBrandingLogoImage.png"));
    int first = 0, cancelled = 0;
    m_manager->loadImageWithURL(
        picture, 0,
        [&](const QImage&, const PLOptionalError&, PLImageManager::CacheType, const QUrl&) { ++first; });
    const auto id = m_manager->loadImageWithURL(
        picture, 0,
        [&](const QImage&, const PLOptionalError&, PLImageManager::CacheType, const QUrl&) { ++cancelled; });
    m_manager->cancel(id);
    const Result third = load(picture);
    QVERIFY(!third.error);
    QCOMPARE(first, 1);
    QCOMPARE(cancelled, 0);
    QCOMPARE(downloads(), 1);
}

void TestImageManager::theDownloadBoundIsTheCachesPerFileBound() {
    QCOMPARE(m_manager->maxDownloadBytes(), m_manager->imageCache().maxFileBytes());
    m_manager->imageCache().setMaxDiskBytes(50);
    QCOMPARE(m_manager->maxDownloadBytes(), qint64(50));
    // A picture the stand-in serves, larger than that: refused like any other.
    const Result tooLarge = load(url(QStringLiteral("/splash/iOS/CoBrandingImage@3x.png")));
    QVERIFY(tooLarge.error);
    QCOMPARE(tooLarge.error->code, qint64(PLImageManager::TooLargeError));
    m_manager->setMaxDownloadBytes(1024 * 1024);
    QCOMPARE(m_manager->maxDownloadBytes(), qint64(1024 * 1024));
    QVERIFY(
        !load(url(QStringLiteral("/splash/iOS/CoBrandingImage@3x.png")), PLImageManager::RetryFailed).error);
}

void TestImageManager::aDeclaredLengthPastTheBoundIsRefused() {
    BoundsPeer peer;
    QElapsedTimer timer;
    timer.start();
    const Result huge = load(peer.url(QStringLiteral("/huge")));
    QVERIFY(huge.error);
    QCOMPARE(huge.error->code, qint64(PLImageManager::TooLargeError));
    QVERIFY2(huge.error->localizedDescription.contains(QStringLiteral("2147483648")),
             qPrintable(huge.error->localizedDescription));
    QVERIFY(huge.onMain);
    QVERIFY(timer.elapsed() < 5000);
    // The transfer is gone: the peer sees its connection closed.
    QTRY_COMPARE(peer.closed, 1);
}

void TestImageManager::aBodyPastTheBoundIsAborted() {
    BoundsPeer peer;
    m_manager->setMaxDownloadBytes(1024 * 1024);
    const Result endless = load(peer.url(QStringLiteral("/endless")));
    QVERIFY(endless.error);
    QCOMPARE(endless.error->code, qint64(PLImageManager::TooLargeError));
    QTRY_COMPARE(peer.closed, 1);
    // The peer got ahead by no more than what the sockets hold.
    QVERIFY2(peer.bodyBytesSent < 16 * 1024 * 1024, qPrintable(QString::number(peer.bodyBytesSent)));
}

void TestImageManager::aWholeDownloadIsBoundedInTime() {
    BoundsPeer peer;
    m_manager->setDownloadTimeoutMs(1000);
    QElapsedTimer timer;
    timer.start();
    // Never silent for long, so only the bound on the whole download ends it.
    const Result trickle = load(peer.url(QStringLiteral("/trickle")));
    const qint64 elapsed = timer.elapsed();
    QVERIFY(trickle.error);
    QCOMPARE(trickle.error->code, qint64(PLImageManager::TimedOutError));
    QVERIFY2(elapsed >= 900 && elapsed < 5000, qPrintable(QString::number(elapsed)));
    QTRY_COMPARE(peer.closed, 1);
}

void TestImageManager::cancellingTheLastLoadAbortsTheTransfer() {
    BoundsPeer peer;
    const QUrl held = peer.url(QStringLiteral("/held"));
    int calls = 0;
    const auto count = [&](const QImage&, const PLOptionalError&, PLImageManager::CacheType, const QUrl&) {
        ++calls;
    };
    const auto first = m_manager->loadImageWithURL(held, 0, count);
    const auto second = m_manager->loadImageWithURL(held, 0, count);
    QTRY_COMPARE(peer.connections, 1);
    // Another load still waits: the transfer goes on.
    m_manager->cancel(first);
    QTest::qWait(500);
    QCOMPARE(peer.closed, 0);
    // The last one: aborted, as the peer sees.
    m_manager->cancel(second);
    QTRY_COMPARE(peer.closed, 1);
    QTest::qWait(100);
    QCOMPARE(calls, 0);
    QCOMPARE(peer.connections, 1);
    // A cancelled transfer is no failure: the URL loads again without RetryFailed.
    QCOMPARE(load(url(QStringLiteral("/splash/iOS/CoBrandingImage.png"))).error, PLOptionalError());
}

// A picture URL from the server may name anything: only http and https are loaded, the rest end at
// once with an error and leave the cache empty.
void TestImageManager::onlyWebPicturesAreLoaded_data() {
    QTest::addColumn<QString>("address");
    QTest::newRow("local file") << "file://PICTURE";
    QTest::newRow("data")
        << "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8"
           "z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==";
    QTest::newRow("resources") << "qrc:/pelnix/tempProfileImage.png";
    QTest::newRow("other scheme") << "ftp://127.0.0.1/p.png";
    QTest::newRow("no host") << "http:///p.png";
}

void TestImageManager::onlyWebPicturesAreLoaded() {
    QFETCH(QString, address);
    const QString path = m_folder->filePath(QStringLiteral("local.png"));
    QImage local(4, 4, QImage::Format_RGB32);
    local.fill(Qt::red);
    QVERIFY(local.save(path));
    const QUrl target(address.replace(QStringLiteral("PICTURE"), path));
    Result result;
    m_manager->loadImageWithURL(
        target, 0,
        [&](const QImage& image, const PLOptionalError& error, PLImageManager::CacheType, const QUrl&) {
            ++result.calls;
            result.image = image;
            result.error = error;
        });
    QCOMPARE(result.calls, 1);
    QVERIFY(result.image.isNull());
    QVERIFY(result.error);
    QCOMPARE(result.error->code, qint64(PLImageManager::UnsupportedURLError));
    m_manager->waitForDiskWork();
    QVERIFY(!m_manager->cachedImageExistsForURL(target));
    QCOMPARE(QDir(m_folder->filePath(QStringLiteral("images"))).entryList(QDir::Files), QStringList());
}

void TestImageManager::aPictureCutShortIsNeitherShownNorKept_data() {
    QTest::addColumn<qint64>("sent");
    QTest::addColumn<bool>("kept");
    QTest::newRow("whole") << qint64(gradientJpeg().size()) << true;
    QTest::newRow("cut short") << qint64(gradientJpeg().size() / 2) << false;
    QTest::newRow("nothing of it") << qint64(0) << false;
}

// Qt can finish a download whose connection closed before its announced body as a whole one: such a
// picture fails as a dropped connection, and neither memory nor disk keeps it.
void TestImageManager::aPictureCutShortIsNeitherShownNorKept() {
    QFETCH(qint64, sent);
    QFETCH(bool, kept);
    if (sent > 0) // only the length tells
        QVERIFY(!QImage::fromData(gradientJpeg().left(sent)).isNull());
    FakeNetwork network(FakeReply::Answer::cutShort(gradientJpeg(), sent, "image/jpeg"));
    m_manager->setNetworkAccessManager(&network);
    const QUrl picture(QStringLiteral("http://pictures.test/p.jpg"));
    const Result result = load(picture);
    m_manager->waitForDiskWork();
    QCOMPARE(network.requests(), 1);
    QCOMPARE(m_manager->cachedImageExistsForURL(picture), kept);
    if (kept) {
        QVERIFY(!result.error);
        QCOMPARE(result.image.size(), QSize(256, 256));
        return;
    }
    QVERIFY(result.error);
    QCOMPARE(result.error->domain, QStringLiteral("PLImageManagerErrorDomain"));
    QCOMPARE(result.error->code, qint64(QNetworkReply::RemoteHostClosedError));
    QVERIFY(result.image.isNull());
    QVERIFY(QDir(m_folder->filePath(QStringLiteral("images"))).entryList(QDir::Files).isEmpty());
}

QTEST_MAIN(TestImageManager)
#include "tst_imagemanager.moc"
