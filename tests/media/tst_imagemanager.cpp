// The image loader's memory and disk caches against images served by the stand-in service.
#include "CoreFixture.h"
#include "media/PLImageManager.h"
#include "platform/MainThread.h"

#include <QDir>
#include <QFile>
#include <QTest>

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

    const QUrl missing = url(QStringLiteral("/missing/picture.png"));
    const Result failed = load(missing);
    QVERIFY(failed.error);
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

QTEST_MAIN(TestImageManager)
#include "tst_imagemanager.moc"
