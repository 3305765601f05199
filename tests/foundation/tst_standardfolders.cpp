#include "TestSandbox.h"
#include "foundation/StandardFolders.h"
#include "foundation/StringStandardFolders.h"
#include "foundation/VariantResolver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

using namespace pelnix;
using namespace pelnix::StandardFolders;

namespace {
DeviceTraits phone(double scale, QSizeF bounds = {320, 480}) {
    return DeviceTraits{scale, 0, bounds};
}
const DeviceTraits kTablet{1.0, 1, {768, 1024}};

// A file system of a fixed set of paths that counts its questions.
struct FakeFiles {
    QSet<QString> paths;
    int questions = 0;
    VariantResolver::ExistsFunction exists() {
        return [this](const QString& path) {
            ++questions;
            return paths.contains(path);
        };
    }
};
} // namespace

class TestStandardFolders : public QObject {
    Q_OBJECT
private slots:
    void extensionsAndPathSuffixes_data();
    void extensionsAndPathSuffixes();
    void scaleIdiomAndHDSuffixes();
    void heightSuffixes();
    void resolutionPrefersLaterCandidates();
    void resolutionCachesBundleAnswersUntilPurged();
    void resolvedImageCarriesItsScale();
    void foldersLieBelowTheCurrentRootAndAreCreated();
    void temporaryFolderFallsBackIntoCaches();
};

void TestStandardFolders::extensionsAndPathSuffixes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("withoutExtension");
    QTest::addColumn<QString>("withSuffix");
    QTest::newRow("plain") << "a/b.png"
                           << "png"
                           << "a/b"
                           << "a/b-x.png";
    QTest::newRow("tar.gz") << "archive.tar.gz"
                            << "tar.gz"
                            << "archive"
                            << "archive-x.tar.gz";
    QTest::newRow("gz alone") << "archive.gz"
                              << "gz"
                              << "archive"
                              << "archive-x.gz";
    QTest::newRow("none") << "README"
                          << ""
                          << "README"
                          << "README-x";
    QTest::newRow("dot in folder only") << "dir.d/file"
                                        << ""
                                        << "dir.d/file"
                                        << "dir.d/file-x";
}

void TestStandardFolders::extensionsAndPathSuffixes() {
    QFETCH(QString, name);
    QFETCH(QString, extension);
    QFETCH(QString, withoutExtension);
    QFETCH(QString, withSuffix);
    QCOMPARE(SF_pathExtension(name), extension);
    QCOMPARE(hasPathExtension(name), !extension.isEmpty());
    QCOMPARE(SF_stringByDeletingPathExtension(name), withoutExtension);
    QCOMPARE(stringByAppendingPathSuffix(name, "-x"), withSuffix);
    QVERIFY(hasPathSuffix(withSuffix, "-x"));
    QCOMPARE(stringByDeletingPathSuffix(withSuffix, "-x"), name);
    // A missing or empty suffix is never "had", so deleting it changes nothing.
    QVERIFY(!hasPathSuffix(name, ""));
    QCOMPARE(stringByDeletingPathSuffix(name, "-y"), name);
    QCOMPARE(stringByReplacingPathExtensionWithExtension(name, "tiff"), withoutExtension + ".tiff");
}

void TestStandardFolders::scaleIdiomAndHDSuffixes() {
    const DeviceTraits retina = phone(2);
    // The scale part lands before the idiom part; an existing idiom is kept.
    QCOMPARE(stringByAppendingSuffixForScale("icon~iphone.png", 2, retina),
             QStringLiteral("icon@2x~iphone.png"));
    QCOMPARE(stringByAppendingDeviceScaleSuffix("icon.png", phone(3)), QStringLiteral("icon@3x.png"));
    QCOMPARE(stringByAppendingSuffixForScale("icon.png", 1.5, retina), QStringLiteral("icon@1.5x.png"));
    QCOMPARE(scaleSuffix("icon@2x~ipad.png"), QStringLiteral("@2x"));
    QCOMPARE(interfaceIdiomSuffix("icon@2x~ipad.png"), QStringLiteral("~ipad"));
    QCOMPARE(stringByDeletingScaleSuffix("icon@2x~ipad.png"), QStringLiteral("icon~ipad.png"));
    QCOMPARE(stringByDeletingInterfaceIdiomSuffix("icon@2x~ipad.png"), QStringLiteral("icon@2x.png"));
    QCOMPARE(interfaceIdiomFromSuffix("icon~mac.png", retina), 2);
    QCOMPARE(interfaceIdiomFromSuffix("icon.png", kTablet), 1);
    QCOMPARE(stringByAppendingSuffixForInterfaceIdiom("icon.png", 7), QStringLiteral("icon.png"));
    QVERIFY(hasRetinaSuffix("icon@2x~iphone.png"));
    QCOMPARE(stringByDeletingRetinaSuffix("icon@2x~iphone.png"), QStringLiteral("icon~iphone.png"));
    // "e@x.png" ends in x and holds "@" yet has nothing numeric; it must not crash or read garbage.
    QCOMPARE(scaleFromSuffix("e@x.png", retina), 0.0);

    QCOMPARE(scaleFromSuffix("icon@1.5x.png", retina), 1.5);
    QCOMPARE(scaleFromSuffix("icon-hd.png", phone(1)), 2.0);
    QCOMPARE(scaleFromSuffix("icon-hd.png", kTablet), 1.0);
    QCOMPARE(scaleFromSuffix("icon.png", phone(1)), 1.0);

    QCOMPARE(stringByAppendingHDSuffix("icon@2x~iphone.png"), QStringLiteral("icon-hd@2x~iphone.png"));
    QVERIFY(hasHDSuffix("icon-hd@2x~iphone.png"));
    QCOMPARE(stringByDeletingHDSuffix("icon-hd@2x~iphone.png"), QStringLiteral("icon@2x~iphone.png"));
    QCOMPARE(stringByAppendingHDSuffixIfDeviceIsHD("icon.png", phone(1)), QStringLiteral("icon.png"));
    QCOMPARE(stringByAppendingHDSuffixIfDeviceIsHD("icon.png", kTablet), QStringLiteral("icon-hd.png"));
    QCOMPARE(stringByAppendingRetinaSuffixIfDeviceIsRetina("icon.png", phone(1)), QStringLiteral("icon.png"));
}

void TestStandardFolders::heightSuffixes() {
    QCOMPARE(heightSuffix("Default-568h@2x~iphone.png"), QStringLiteral("-568h"));
    QCOMPARE(heightFromSuffix("Default-568h@2x~iphone.png"), 568.0);
    QVERIFY(!hasHeightSuffix("Default-ah.png"));
    QVERIFY(!hasHeightSuffix("Default-h.png"));
    QVERIFY(!hasHeightSuffix("Default.png"));
    QCOMPARE(heightFromSuffix("Default.png"), 0.0);
    QCOMPARE(stringByDeletingHeightSuffix("Default-568h@2x~iphone.png"),
             QStringLiteral("Default@2x~iphone.png"));

    const DeviceTraits tall = phone(2, {320, 568});
    QVERIFY(tall.isTallScreen());
    QVERIFY(!phone(2, {320, 480}).isTallScreen());
    QVERIFY(DeviceTraits({2, 0, {568, 320}}).isTallScreen());
    QCOMPARE(stringByAppendingDeviceHeightSuffix("Default.png", tall), QStringLiteral("Default-568h.png"));
    // Appending the same height twice does not stack it.
    QCOMPARE(stringByAppendingSuffixForHeight("Default-667h.png", 667, tall),
             QStringLiteral("Default-667h.png"));
    QCOMPARE(stringByAppendingRetina4Suffix("Default@2x~iphone.png"),
             QStringLiteral("Default-568h@2x~iphone.png"));
    QVERIFY(hasRetina4Suffix("Default-568h@2x~iphone.png"));
    QCOMPARE(stringByDeletingRetina4Suffix("Default-568h@2x~iphone.png"),
             QStringLiteral("Default@2x~iphone.png"));
    QCOMPARE(stringByAppendingRetina4SuffixIfDeviceIsRetina4("Default.png", phone(2)),
             QStringLiteral("Default.png"));
}

void TestStandardFolders::resolutionPrefersLaterCandidates() {
    FakeFiles files;
    DeviceTraits traits = phone(1);
    VariantResolver resolver("/res", files.exists(), [&traits] { return traits; });

    // Only the @2x variant of an extension-less name: it wins on a scale-1 phone.
    files.paths = {"/res/icon@2x.png"};
    QCOMPARE(resolver.normalizedPathForFile("icon", "png"), QStringLiteral("/res/icon@2x.png"));
    // Plain and @2x both present: the plain file is tested first (built last) and wins.
    files.paths = {"/res/logo@2x.png", "/res/logo.png"};
    QCOMPARE(resolver.normalizedPathForFile("logo"), QStringLiteral("/res/logo.png"));
    // A phone-only variant beats the plain one.
    files.paths = {"/res/bar.png", "/res/bar~iphone.png"};
    QCOMPARE(resolver.normalizedPathForFile("bar.png"), QStringLiteral("/res/bar~iphone.png"));

    // A tall scale-2 phone finds the height-568 scale-2 variant.
    traits = phone(2, {320, 568});
    files.paths = {"/res/Default.png", "/res/Default-568h@2x.png"};
    QCOMPARE(resolver.normalizedPathForFile("Default"), QStringLiteral("/res/Default-568h@2x.png"));
    // A tablet takes its own variant, a desktop its tiff.
    traits = kTablet;
    files.paths = {"/res/Default.png", "/res/Default~ipad.png"};
    QCOMPARE(resolver.normalizedPathForFile("/res/Default.png"), QStringLiteral("/res/Default~ipad.png"));
    traits = DeviceTraits{1, 2, {1440, 900}};
    files.paths = {"/res/photo.tiff"};
    QCOMPARE(resolver.normalizedPathForFile("/res/photo.jpg", "jpg"), QStringLiteral("/res/photo.tiff"));
    // Nothing at all.
    files.paths.clear();
    QCOMPARE(resolver.normalizedPathForFile("/elsewhere/none.png"), QString());
}

void TestStandardFolders::resolutionCachesBundleAnswersUntilPurged() {
    FakeFiles files;
    VariantResolver resolver("/res", files.exists(), [] { return phone(1); });

    QCOMPARE(resolver.normalizedPathForFile("missing"), QString());
    const int firstLookup = files.questions;
    QVERIFY(firstLookup > 3);
    QCOMPARE(resolver.normalizedPathForFile("missing"), QString());
    QCOMPARE(files.questions, firstLookup);

    // A file added later is seen only after the caches are purged.
    files.paths = {"/res/missing.png"};
    QCOMPARE(resolver.normalizedPathForFile("missing"), QString());
    resolver.purgeCaches();
    QCOMPARE(resolver.normalizedPathForFile("missing"), QStringLiteral("/res/missing.png"));
    QVERIFY(files.questions > firstLookup);

    // Paths outside the resource folder can change at any time and are never cached.
    files.questions = 0;
    resolver.normalizedPathForFile("/tmp/outside.png");
    resolver.normalizedPathForFile("/tmp/outside.png");
    QCOMPARE(files.questions, 2 * firstLookup);
}

void TestStandardFolders::resolvedImageCarriesItsScale() {
    FakeFiles files;
    files.paths = {"/res/badge@3x.png", "/res/banner-hd.png"};
    VariantResolver resolver("/res", files.exists(), [] { return phone(1); });
    const auto badge = resolver.imageFileForName("badge");
    QCOMPARE(badge.path, QStringLiteral("/res/badge@3x.png"));
    QCOMPARE(badge.scale, 3.0);
    files.paths = {"/res/banner-hd.png"};
    VariantResolver retina("/res", files.exists(), [] { return phone(2); });
    const auto banner = retina.imageFileForName("banner");
    QCOMPARE(banner.path, QStringLiteral("/res/banner-hd.png"));
    QCOMPARE(banner.scale, 2.0);
    QVERIFY(retina.imageFileForName("nothing").path.isEmpty());
}

void TestStandardFolders::foldersLieBelowTheCurrentRootAndAreCreated() {
    for (int round = 0; round < 2; ++round) {
        test::TestSandbox sandbox;
        const QString root = sandbox.root();
        QCOMPARE(publicDataPath(), root + "/Documents");
        QCOMPARE(privateDataPath(), root + "/Library/Application Support");
        QCOMPARE(cacheDataPath(), root + "/Library/Caches");
        QCOMPARE(offlineDataPath(), root + "/Library/Application Support/Offline Data");
        QCOMPARE(temporaryDataPath(), root + "/tmp");
        for (const QString& folder :
             {publicDataPath(), privateDataPath(), cacheDataPath(), offlineDataPath(), temporaryDataPath()})
            QVERIFY2(QDir(folder).exists(), qPrintable(folder));
        QCOMPARE(pathForPrivateFile("PelnixInfo.plist"),
                 root + "/Library/Application Support/PelnixInfo.plist");
        QCOMPARE(pathForCacheFile(""), cacheDataPath());
        QCOMPARE(resourcePath(), QStringLiteral(":/pelnix"));
        QCOMPARE(normalizedPathForFile("Info", "plist"), QStringLiteral(":/pelnix/Info.plist"));

        // Fixed for the root: a folder removed later is not made again behind the caller's back.
        QVERIFY(QDir(offlineDataPath()).removeRecursively());
        QVERIFY(!QDir(offlineDataPath()).exists());
    }
}

void TestStandardFolders::temporaryFolderFallsBackIntoCaches() {
    test::TestSandbox sandbox;
    // A file where the tmp folder belongs: it cannot be made.
    QFile blocker(sandbox.path("tmp"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QCOMPARE(temporaryDataPath(), sandbox.root() + "/Library/Caches/Temporary Files");
    QVERIFY(QDir(temporaryDataPath()).exists());
    QCOMPARE(pathForTemporaryFile("upload.jpg"),
             sandbox.root() + "/Library/Caches/Temporary Files/upload.jpg");
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestStandardFolders t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_standardfolders.moc"
